#pragma once

#include <array>
#include <cstdint>

namespace vorsel {

// The 10-byte IEEE 754 double-extended real of AIFF headers, big-endian: sign and 15-bit
// exponent (bias 16383), then a 64-bit significand with an explicit integer bit.
using Extended80 = std::array<uint8_t, 10>;

// Exact for every finite double; zero (of either sign) gives ten zero bytes.
Extended80 ExtendedToBytes(double value);

// Rounds to the nearest double; values beyond the double range give an infinity or zero,
// and denormal extended values (exponent field 0) become 0.
double BytesToExtended(const Extended80& bytes);

}  // namespace vorsel
