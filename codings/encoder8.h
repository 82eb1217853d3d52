#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "codings/dither.h"
#include "codings/dithered_linear8.h"
#include "codings/linear.h"

namespace vorsel {

enum class Coding8 { MuLaw, ALaw, Linear8 };

// The 8-bit codes of one chunk of samples, scaled by the fit factor (and dithered, for 8-bit
// linear). Without dither each of the 65536 sample values has one code, so the codes are looked
// up rather than computed per sample.
class Encoder8 {
 public:
  Encoder8(Coding8 coding, double factor, std::optional<DitherRange> dither,
           Representation representation);

  // Writes samples.size() codes to out.
  void Run(std::span<const int16_t> samples, uint8_t* out) const;

 private:
  uint8_t Encode(int16_t x) const;

  Coding8 coding_;
  double factor_;
  std::optional<DitherRange> dither_;
  Representation representation_;
  std::unique_ptr<std::array<uint8_t, 65536>> table_;
  std::optional<DitheredLinear8> dithered_;
};

}  // namespace vorsel
