#include "codings/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace vorsel {

namespace {

constexpr int32_t kFullScale = 32767;
constexpr int32_t kFullScaleBelowDither = 32767 - 256;

// Below these, 32768 * factor plus a draw stays inside a 32-bit integer and far below the bound
// at which RoundHalfEven clips.
constexpr double kLargestBlockFactor = 32768;
constexpr int64_t kLargestBlockDither = 1 << 20;
constexpr size_t kDrawBlock = 4096;

// The codes of Linear8Code(RoundHalfEven(x * factor + draw)) for sums within the bounds above:
// the same operations in the same precision, the same rounding by the magic number, the clipping
// as a clamp and the offset-binary code as a flipped sign bit.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] void CodeBlock(
    std::span<const int16_t> samples, const int32_t* draws, double factor, uint8_t flip,
    uint8_t* out) {
  constexpr double kMagic = fit_detail::RoundingMagic<double>();
  for (size_t i = 0; i < samples.size(); ++i) {
    const double scaled = samples[i] * factor + draws[i];
    const auto rounded = static_cast<int32_t>((scaled + kMagic) - kMagic);
    const int32_t coarse = std::clamp(rounded >> 8, -128, 127);
    out[i] = static_cast<uint8_t>(static_cast<uint8_t>(coarse) ^ flip);
  }
}

}  // namespace

double FitFactor(int16_t minimum, int16_t maximum, bool fitAmplitude, bool ditherNoise,
                 FitRule rule) {
  if (!fitAmplitude) {
    return 1;
  }
  const int32_t minMagnitude = std::abs(static_cast<int32_t>(minimum));
  const int32_t maxMagnitude = std::abs(static_cast<int32_t>(maximum));
  const int32_t peak = std::max(minMagnitude, maxMagnitude);
  if (peak == 0 || (rule.equalMagnitudesUnscaled && minMagnitude == maxMagnitude)) {
    return 1;
  }
  const double factor =
      static_cast<double>(ditherNoise ? kFullScaleBelowDither : kFullScale) / peak;
  return rule.precision == FactorPrecision::Float64 ? factor : static_cast<float>(factor);
}

void EncodeLinear8Dithered(std::span<const int16_t> samples, uint8_t* out, double factor,
                           DitherRange dither, Representation representation,
                           DitherGenerator& generator) {
  // Where RoundScaled takes its double path and no sum can leave the range of a 32-bit integer,
  // a block of draws is made at once and the samples are coded in a loop without branches;
  // elsewhere one sample at a time.
  const bool doubleIsExact =
      static_cast<double>(static_cast<float>(factor)) == factor && std::fabs(factor) >= 0x1p-14;
  if (!doubleIsExact || !(std::fabs(factor) < kLargestBlockFactor) ||
      std::max(std::abs(int64_t{dither.lo}), std::abs(int64_t{dither.hi})) > kLargestBlockDither) {
    for (const int16_t x : samples) {
      *out++ = EncodeLinear8(x, factor, dither, representation, generator);
    }
    return;
  }
  const uint8_t flip = representation == Representation::OffsetBinary ? 0x80 : 0x00;
  std::array<int32_t, kDrawBlock> draws;
  while (!samples.empty()) {
    const size_t n = std::min(samples.size(), draws.size());
    generator.Fill(dither, std::span(draws).first(n));
    CodeBlock(samples.first(n), draws.data(), factor, flip, out);
    samples = samples.subspan(n);
    out += n;
  }
}

}  // namespace vorsel
