#pragma once

#include <cstdint>

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
// SplitMix64 with an unbiased multiply-and-reject mapping to the range: a few nanoseconds per
// draw, since an 8-bit export draws once for every sample.
class DitherGenerator {
 public:
  explicit DitherGenerator(uint64_t seed) : state_(seed) {}

  // range.lo must not exceed range.hi, and the range must hold fewer than 2^32 values.
  int32_t Draw(DitherRange range) {
    const uint32_t span = static_cast<uint32_t>(range.hi) - static_cast<uint32_t>(range.lo) + 1;
    uint64_t scaled = uint64_t{Next32()} * span;
    if (static_cast<uint32_t>(scaled) < span) {
      // Rejecting the few low products that would favour some values keeps the draw uniform.
      const uint32_t threshold = (0u - span) % span;
      while (static_cast<uint32_t>(scaled) < threshold) {
        scaled = uint64_t{Next32()} * span;
      }
    }
    return static_cast<int32_t>(static_cast<uint32_t>(range.lo) +
                                static_cast<uint32_t>(scaled >> 32));
  }

 private:
  uint32_t Next32() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
  }

  uint64_t state_;
};

// The one generator of the process, seeded from the clock when the program starts.
DitherGenerator& ProcessDither();

}  // namespace vorsel
