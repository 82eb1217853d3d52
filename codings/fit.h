#pragma once

#include <cstdint>
#include <optional>

#include "codings/dither.h"
#include "codings/linear.h"

namespace vorsel {

// The exporters that scale 8-bit output; they differ in how the factor is held and in the
// WAV rule that equal magnitudes of minimum and maximum leave the samples unscaled.
enum class FitTarget { WAV, AU, AIFF, RAW };

// Scale factor that brings the larger of |minimum| and |maximum| (the extremes of all
// channels) to full scale: 32767, or 32511 when dither will be added. 1 without fitting and
// for silence. WAV, AU and AIFF hold the factor as a 32-bit float, RAW as a 64-bit one.
double FitFactor(int16_t minimum, int16_t maximum, bool fitAmplitude, bool ditherNoise,
                 FitTarget target);

// The same for a whole sample file (the SMP component): selects every sample and takes the
// extremes of all channels; without fitting the file is not scanned at all.
template <class SampleFile>
double FitFactor(SampleFile& file, bool fitAmplitude, bool ditherNoise, FitTarget target) {
  if (!fitAmplitude) {
    return 1;
  }
  file.SetSelStart(0);
  file.SetSellength(file.nSamples());
  const auto extremes = file.MinMax();
  return FitFactor(extremes.lo, extremes.hi, true, ditherNoise, target);
}

// round(x * factor), halves to even, computed exactly and kept within the 16-bit range;
// the value that the mu-law and A-law encoders receive.
int16_t ScaleSample(int16_t x, double factor);

// The 8-bit linear code of x * factor plus one fresh draw of the process's dither generator
// from `dither` (none when empty). Sums beyond the 8-bit range are clipped to the extreme code
// rather than wrapped to the opposite one.
uint8_t EncodeLinear8(int16_t x, double factor, std::optional<DitherRange> dither,
                      Representation representation);

}  // namespace vorsel
