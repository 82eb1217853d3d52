#include "codings/fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vorsel {

namespace {

constexpr int32_t kFullScale = 32767;
constexpr int32_t kFullScaleBelowDither = 32767 - 256;

// The product is formed in extended precision; for the 32-bit factors of WAV, AU and AIFF it
// is then exact, so halfway cases round to even as the exact product does. The bounds keep
// absurd factors from overflowing the conversion; every caller clips far inside them.
int64_t RoundScaled(int16_t x, double factor, int32_t offset) {
  constexpr long double kBound = 1LL << 40;
  const long double product = static_cast<long double>(x) * factor + offset;
  return std::llrint(std::fmin(std::fmax(product, -kBound), kBound));
}

}  // namespace

double FitFactor(int16_t minimum, int16_t maximum, bool fitAmplitude, bool ditherNoise,
                 FitTarget target) {
  if (!fitAmplitude) {
    return 1;
  }
  const int32_t minMagnitude = std::abs(static_cast<int32_t>(minimum));
  const int32_t maxMagnitude = std::abs(static_cast<int32_t>(maximum));
  const int32_t peak = std::max(minMagnitude, maxMagnitude);
  if (peak == 0 || (target == FitTarget::WAV && minMagnitude == maxMagnitude)) {
    return 1;
  }
  const double factor =
      static_cast<double>(ditherNoise ? kFullScaleBelowDither : kFullScale) / peak;
  return target == FitTarget::RAW ? factor : static_cast<float>(factor);
}

int16_t ScaleSample(int16_t x, double factor) {
  return static_cast<int16_t>(std::clamp<int64_t>(RoundScaled(x, factor, 0), -32768, 32767));
}

uint8_t EncodeLinear8(int16_t x, double factor, std::optional<DitherRange> dither,
                      Representation representation) {
  const int32_t offset = dither ? ProcessDither().Draw(*dither) : 0;
  const int64_t coarse = std::clamp<int64_t>(RoundScaled(x, factor, offset) >> 8, -128, 127);
  const int64_t code = representation == Representation::OffsetBinary ? coarse + 128 : coarse;
  return static_cast<uint8_t>(code & 0xFF);
}

}  // namespace vorsel
