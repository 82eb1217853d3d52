#pragma once

#include <cstdint>

namespace vorsel {

// Milliseconds of a steady clock; wraps around after about 49.7 days, so compare ticks only by
// unsigned difference.
uint32_t GetTickCount();

}  // namespace vorsel
