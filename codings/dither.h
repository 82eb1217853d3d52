#pragma once

#include <cstdint>
#include <random>

namespace vorsel {

// The integers that dither may add to a 16-bit sample before it is cut to 8 bits.
struct DitherRange {
  int32_t lo;
  int32_t hi;
};

// 0 to 254 keeps the truncating shift to 8 bits unbiased (WAV, AIFF); -127 to 127 is centred
// on the sample and lowers the mean by about half an 8-bit step (AU, RAW).
inline constexpr DitherRange kDitherUpward{0, 254};
inline constexpr DitherRange kDitherCentred{-127, 127};

// Rectangular dither: every integer of the range is equally likely, draws are independent.
class DitherGenerator {
 public:
  explicit DitherGenerator(uint64_t seed) : engine_(seed) {}
  int32_t Draw(DitherRange range) {
    return std::uniform_int_distribution<int32_t>(range.lo, range.hi)(engine_);
  }

 private:
  std::mt19937_64 engine_;
};

// The one generator of the process, seeded from the clock when the program starts.
DitherGenerator& ProcessDither();

}  // namespace vorsel
