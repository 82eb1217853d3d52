#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

#include "codings/dither.h"
#include "codings/linear.h"

namespace vorsel {

enum class FactorPrecision { Float32, Float64 };

// How an exporter that scales its output computes the factor: the precision it holds the
// factor in, and whether a minimum and maximum of equal magnitude leave the samples unscaled.
struct FitRule {
  FactorPrecision precision = FactorPrecision::Float32;
  bool equalMagnitudesUnscaled = false;
};

// Scale factor that brings the larger of |minimum| and |maximum| (the extremes of all
// channels) to full scale: 32767, or 32511 when dither will be added. 1 without fitting and
// for silence.
double FitFactor(int16_t minimum, int16_t maximum, bool fitAmplitude, bool ditherNoise,
                 FitRule rule);

// The same for a whole sample file (the SMP component): selects every sample and takes the
// extremes of all channels; without fitting the file is not scanned at all.
template <class SampleFile>
double FitFactor(SampleFile& file, bool fitAmplitude, bool ditherNoise, FitRule rule) {
  if (!fitAmplitude) {
    return 1;
  }
  file.SetSelStart(0);
  file.SetSellength(file.nSamples());
  const auto extremes = file.MinMax();
  return FitFactor(extremes.lo, extremes.hi, true, ditherNoise, rule);
}

namespace fit_detail {

// Results beyond this are clipped by every caller; the bound (which also catches NaN) keeps the
// conversion to an integer defined.
inline constexpr double kBound = 0x1p40;

// 1.5 * 2^(digits - 1): adding and removing it leaves the nearest integer, ties to even, in
// the default rounding mode, without a library call.
template <typename Real>
constexpr Real RoundingMagic() {
  Real magic = 1.5;
  for (int i = 1; i < std::numeric_limits<Real>::digits; ++i) {
    magic *= 2;
  }
  return magic;
}

template <typename Real>
int64_t RoundHalfEven(Real v) {
  constexpr Real kMagic = RoundingMagic<Real>();
  if (!(v >= -kBound)) {
    v = -kBound;
  } else if (v > kBound) {
    v = kBound;
  }
  return static_cast<int64_t>((v + kMagic) - kMagic);
}

// For a factor that a 32-bit float holds and that is not tiny, a double already holds
// x * factor + offset exactly wherever the result is not clipped, so the double rounds exactly as
// extended precision does.
inline bool DoubleHoldsScaledSum(double factor) {
  return static_cast<double>(static_cast<float>(factor)) == factor && std::fabs(factor) >= 0x1p-14;
}

// The product is formed in extended precision, or in a double where that rounds the same.
inline int64_t RoundScaled(int16_t x, double factor, int32_t offset) {
  if (DoubleHoldsScaledSum(factor)) {
    return RoundHalfEven(x * factor + offset);
  }
  return RoundHalfEven(static_cast<long double>(x) * factor + offset);
}

}  // namespace fit_detail

// round(x * factor), halves to even, kept within the 16-bit range; the value that the mu-law
// and A-law encoders receive.
inline int16_t ScaleSample(int16_t x, double factor) {
  const int64_t y = fit_detail::RoundScaled(x, factor, 0);
  return static_cast<int16_t>(y > 32767 ? 32767 : (y < -32768 ? -32768 : y));
}

namespace fit_detail {

// The 8-bit linear code of a rounded 16-bit value, clipped to the extreme codes.
inline uint8_t Linear8Code(int64_t rounded, Representation representation) {
  int64_t coarse = rounded >> 8;
  coarse = coarse > 127 ? 127 : (coarse < -128 ? -128 : coarse);
  return static_cast<uint8_t>(representation == Representation::OffsetBinary ? coarse + 128
                                                                             : coarse & 0xFF);
}

}  // namespace fit_detail

// The 8-bit linear code of x * factor plus one fresh draw of `generator` from `dither` (none
// when empty). Sums beyond the 8-bit range are clipped to the extreme code rather than wrapped
// to the opposite one.
inline uint8_t EncodeLinear8(int16_t x, double factor, std::optional<DitherRange> dither,
                             Representation representation, DitherGenerator& generator) {
  const int32_t offset = dither ? generator.Draw(*dither) : 0;
  return fit_detail::Linear8Code(fit_detail::RoundScaled(x, factor, offset), representation);
}

// The same with the process's dither generator.
inline uint8_t EncodeLinear8(int16_t x, double factor, std::optional<DitherRange> dither,
                             Representation representation) {
  return EncodeLinear8(x, factor, dither, representation, ProcessDither());
}

}  // namespace vorsel
