#pragma once

#include <cstdint>
#include <span>

#include "codings/dither.h"
#include "codings/linear.h"

namespace vorsel {

// The codes EncodeLinear8 gives with dither, sample after sample, made a block at a time: the
// choices that do not change from sample to sample are made once per export, so an export of
// millions of samples spends its time on reading and writing.
class DitheredLinear8 {
 public:
  DitheredLinear8(double factor, DitherRange dither, Representation representation);

  // Writes samples.size() codes to out, drawing from `generator` once per sample.
  void Run(std::span<const int16_t> samples, uint8_t* out, DitherGenerator& generator) const;

 private:
  // Double: EncodeLinear8 forms the sum in a double, and so does a loop without branches.
  // Extended: EncodeLinear8 forms it in extended precision; the same loop in doubles gives the
  // same codes except for sums very near a half, which are made again one by one. OneByOne:
  // factors too large for either.
  enum class Path { Double, Extended, OneByOne };

  void CodeNearHalves(std::span<const int16_t> samples, const int32_t* draws, uint8_t* out) const;

  double factor_;
  DitherRange dither_;
  Representation representation_;
  uint8_t flip_;
  Path path_;
};

}  // namespace vorsel
