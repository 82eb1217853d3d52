#pragma once

#include <cstdint>
#include <span>

namespace vorsel {

namespace dither_detail {

inline constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

// SplitMix64's output for a state.
inline uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace dither_detail

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
// SplitMix64 gives 64 random bits at a time, taken as four 16-bit units; a range of at most
// 65536 values costs one unit per draw, mapped by multiply-and-reject so that no value is
// favoured (for 255 values one unit in 65536 is rejected). An 8-bit export draws once for
// every sample, so Fill makes a block of draws at a time.
class DitherGenerator {
 public:
  explicit DitherGenerator(uint64_t seed) : state_(seed) {}

  // range.lo must not exceed range.hi, and the range must hold fewer than 2^32 values.
  int32_t Draw(DitherRange range) {
    const uint32_t span = Span(range);
    if (span > kUnitValues) {
      return DrawWide(range, span);
    }
    uint32_t scaled = uint32_t{NextUnit()} * span;
    if ((scaled & 0xFFFF) < span) {
      const uint32_t threshold = kUnitValues % span;
      while ((scaled & 0xFFFF) < threshold) {
        scaled = uint32_t{NextUnit()} * span;
      }
    }
    return static_cast<int32_t>(static_cast<uint32_t>(range.lo) + (scaled >> 16));
  }

  // The values of out.size() successive calls of Draw(range), in that order.
  void Fill(DitherRange range, std::span<int32_t> out);

 private:
  static constexpr uint32_t kUnitValues = 65536;

  static uint32_t Span(DitherRange range) {
    return static_cast<uint32_t>(range.hi) - static_cast<uint32_t>(range.lo) + 1;
  }

  uint64_t NextWord() { return dither_detail::Mix(state_ += dither_detail::kGolden); }

  uint16_t NextUnit() {
    if (unitsLeft_ == 0) {
      word_ = NextWord();
      unitsLeft_ = 4;
    }
    const auto unit = static_cast<uint16_t>(word_);
    word_ >>= 16;
    --unitsLeft_;
    return unit;
  }

  int32_t DrawWide(DitherRange range, uint32_t span);
  // Fills out from whole words while no unit is rejected; false (and nothing consumed) when one
  // would be.
  bool FillFromWords(DitherRange range, std::span<int32_t> out);

  uint64_t state_;
  uint64_t word_ = 0;
  int unitsLeft_ = 0;
};

// The one generator of the process, seeded from the clock when the program starts.
DitherGenerator& ProcessDither();

}  // namespace vorsel
