#include "codings/fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vorsel {

namespace {

constexpr int32_t kFullScale = 32767;
constexpr int32_t kFullScaleBelowDither = 32767 - 256;

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

}  // namespace vorsel
