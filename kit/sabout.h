#pragma once

// The kit's components around the program's identity on the desktop.
#include "kit/sfileassociate.h"
