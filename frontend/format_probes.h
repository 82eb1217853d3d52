#pragma once

#include <span>

#include "probing/filetype.h"

namespace vorsel {

// The foreign formats as type detection and descriptions see them, made once from the
// formats' descriptors in their list order.
std::span<const FormatProbe> ForeignFormatProbes();

}  // namespace vorsel
