#pragma once

// The kit's components around the program's identity on the desktop: the about box, the error
// log, the file association and the connection test.
#include "kit/about.h"
#include "kit/errorlog.h"
#include "kit/sfileassociate.h"
#include "kit/webdetect.h"
