#include "codings/encoder8.h"

#include "codings/fit.h"
#include "codings/g711.h"

namespace vorsel {

Encoder8::Encoder8(Coding8 coding, double factor, std::optional<DitherRange> dither,
                   Representation representation)
    : coding_(coding),
      factor_(factor),
      dither_(coding == Coding8::Linear8 ? dither : std::nullopt),
      representation_(representation) {
  // Dither draws a fresh value for every sample, so those codes cannot be tabled.
  if (dither_) {
    dithered_.emplace(factor, *dither_, representation);
    return;
  }
  table_ = std::make_unique<std::array<uint8_t, 65536>>();
  for (int32_t x = -32768; x <= 32767; ++x) {
    (*table_)[static_cast<uint16_t>(x)] = Encode(static_cast<int16_t>(x));
  }
}

void Encoder8::Run(std::span<const int16_t> samples, uint8_t* out) const {
  if (table_) {
    const auto& table = *table_;
    for (const int16_t x : samples) {
      *out++ = table[static_cast<uint16_t>(x)];
    }
    return;
  }
  // Only 8-bit linear is dithered; the other codings always have their table.
  dithered_->Run(samples, out, ProcessDither());
}

uint8_t Encoder8::Encode(int16_t x) const {
  switch (coding_) {
    case Coding8::MuLaw:
      return LinearToMuLaw(ScaleSample(x, factor_));
    case Coding8::ALaw:
      return LinearToALaw(ScaleSample(x, factor_));
    case Coding8::Linear8:
      break;
  }
  return EncodeLinear8(x, factor_, dither_, representation_);
}

}  // namespace vorsel
