#include "codings/dithered_linear8.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "codings/fit.h"

namespace vorsel {

namespace {

// Below these, 32768 * factor plus a draw stays inside a 32-bit integer and far below the bound
// at which RoundHalfEven clips.
constexpr double kLargestFactor = 32768;
constexpr int64_t kLargestDither = 1 << 20;
constexpr size_t kDrawBlock = 4096;

// Where the factor has more digits than a float, EncodeLinear8 forms x * factor + draw in
// extended precision, within 2^-32 of the exact sum. A double comes within 2^-22 of it (two
// roundings of at most 2^-23 below 2^31), so wherever the double sum lies further than 2^-21 from
// a half, both round to the integer nearest to the exact sum.
constexpr double kFarFromAHalf = 0.5 - 0x1p-21;

// The codes of Linear8Code(RoundHalfEven(x * factor + draw)) for sums within the bounds above:
// the operations of EncodeLinear8's double path, the same rounding by the magic number, the
// clipping as a clamp and the offset-binary code as a flipped sign bit. With kNearHalves, true
// when a sum came so near a half that its code is to be made in extended precision.
template <bool kNearHalves>
[[gnu::always_inline]] inline bool CodeLoop(std::span<const int16_t> samples, const int32_t* draws,
                                            double factor, uint8_t flip, uint8_t* out) {
  constexpr double kMagic = fit_detail::RoundingMagic<double>();
  uint32_t nearHalf = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double scaled = samples[i] * factor + draws[i];
    const double nearest = (scaled + kMagic) - kMagic;
    if constexpr (kNearHalves) {
      nearHalf |= static_cast<uint32_t>(std::fabs(scaled - nearest) > kFarFromAHalf);
    }
    const int32_t coarse = std::clamp(static_cast<int32_t>(nearest) >> 8, -128, 127);
    out[i] = static_cast<uint8_t>(static_cast<uint8_t>(coarse) ^ flip);
  }
  return nearHalf != 0;
}

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] void CodeBlock(
    std::span<const int16_t> samples, const int32_t* draws, double factor, uint8_t flip,
    uint8_t* out) {
  CodeLoop<false>(samples, draws, factor, flip, out);
}

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] bool CodeBlockNearHalves(
    std::span<const int16_t> samples, const int32_t* draws, double factor, uint8_t flip,
    uint8_t* out) {
  return CodeLoop<true>(samples, draws, factor, flip, out);
}

}  // namespace

DitheredLinear8::DitheredLinear8(double factor, DitherRange dither, Representation representation)
    : factor_(factor),
      dither_(dither),
      representation_(representation),
      flip_(representation == Representation::OffsetBinary ? 0x80 : 0x00) {
  const bool small =
      std::fabs(factor) < kLargestFactor &&
      std::max(std::abs(int64_t{dither.lo}), std::abs(int64_t{dither.hi})) <= kLargestDither;
  path_ = !small ? Path::OneByOne
                 : (fit_detail::DoubleHoldsScaledSum(factor) ? Path::Double : Path::Extended);
}

void DitheredLinear8::Run(std::span<const int16_t> samples, uint8_t* out,
                          DitherGenerator& generator) const {
  if (path_ == Path::OneByOne) {
    for (const int16_t x : samples) {
      *out++ = EncodeLinear8(x, factor_, dither_, representation_, generator);
    }
    return;
  }
  std::array<int32_t, kDrawBlock> draws;
  while (!samples.empty()) {
    const size_t n = std::min(samples.size(), draws.size());
    const auto block = samples.first(n);
    generator.Fill(dither_, std::span(draws).first(n));
    if (path_ == Path::Double) {
      CodeBlock(block, draws.data(), factor_, flip_, out);
    } else if (CodeBlockNearHalves(block, draws.data(), factor_, flip_, out)) {
      CodeNearHalves(block, draws.data(), out);
    }
    samples = samples.subspan(n);
    out += n;
  }
}

void DitheredLinear8::CodeNearHalves(std::span<const int16_t> samples, const int32_t* draws,
                                     uint8_t* out) const {
  constexpr double kMagic = fit_detail::RoundingMagic<double>();
  for (size_t i = 0; i < samples.size(); ++i) {
    const double scaled = samples[i] * factor_ + draws[i];
    if (std::fabs(scaled - ((scaled + kMagic) - kMagic)) > kFarFromAHalf) {
      out[i] = fit_detail::Linear8Code(fit_detail::RoundScaled(samples[i], factor_, draws[i]),
                                       representation_);
    }
  }
}

}  // namespace vorsel
