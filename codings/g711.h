#pragma once

#include <array>
#include <cstdint>

namespace vorsel {

namespace g711_detail {

// Exponent of a biased mu-law magnitude, indexed by (magnitude >> 7).
constexpr std::array<uint8_t, 256> MakeMuLawExponents() {
  std::array<uint8_t, 256> table{};
  for (int i = 2; i < 256; ++i) {
    int exponent = 0;
    for (int v = i >> 1; v > 0; v >>= 1) {
      ++exponent;
    }
    table[i] = static_cast<uint8_t>(exponent);
  }
  return table;
}

inline constexpr std::array<uint8_t, 256> kMuLawExponent = MakeMuLawExponents();
inline constexpr std::array<int16_t, 8> kMuLawSegmentBase = {0,    132,  396,  924,
                                                             1980, 4092, 8316, 16764};
inline constexpr std::array<int16_t, 8> kALawSegmentEnd = {0x1F,  0x3F,  0x7F,  0xFF,
                                                           0x1FF, 0x3FF, 0x7FF, 0xFFF};

constexpr int16_t ExpandMuLaw(uint8_t code) {
  const int c = static_cast<uint8_t>(~code);
  const int exponent = (c >> 4) & 7;
  const int value = kMuLawSegmentBase[exponent] + ((c & 0x0F) << (exponent + 3));
  return static_cast<int16_t>((c & 0x80) ? -value : value);
}

constexpr int16_t ExpandALaw(uint8_t code) {
  const int a = code ^ 0x55;
  int t = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  if (segment == 0) {
    t += 8;
  } else if (segment == 1) {
    t += 0x108;
  } else {
    t = (t + 0x108) << (segment - 1);
  }
  return static_cast<int16_t>((a & 0x80) ? t : -t);
}

template <int16_t (*Expand)(uint8_t)>
constexpr std::array<int16_t, 256> MakeExpansion() {
  std::array<int16_t, 256> table{};
  for (int code = 0; code < 256; ++code) {
    table[code] = Expand(static_cast<uint8_t>(code));
  }
  return table;
}

inline constexpr std::array<int16_t, 256> kMuLawToLinear = MakeExpansion<ExpandMuLaw>();
inline constexpr std::array<int16_t, 256> kALawToLinear = MakeExpansion<ExpandALaw>();

}  // namespace g711_detail

// G.711 mu-law of a 16-bit sample. The magnitude of a negative sample is taken before the
// 2-bit reduction, so a few negative inputs land one step from encoders that shift the signed
// value first (-1 gives 0x7F, not 0x7E). Code 0x00 is produced: there is no zero-code trap.
constexpr uint8_t LinearToMuLaw(int16_t x) {
  const int sign = x < 0 ? 0x80 : 0;
  int magnitude = x < 0 ? -static_cast<int>(x) : x;
  if (magnitude > 32635) {
    magnitude = 32635;
  }
  magnitude += 132;
  const int exponent = g711_detail::kMuLawExponent[(magnitude >> 7) & 0xFF];
  const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
  return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

// -32124 to 32124; 0xFF and 0x7F both give 0.
constexpr int16_t MuLawToLinear(uint8_t code) {
  return g711_detail::kMuLawToLinear[code];
}

// G.711 A-law of the 13-bit value x / 8 (rounded toward minus infinity).
constexpr uint8_t LinearToALaw(int16_t x) {
  int v = x >> 3;
  int mask = 0xD5;
  if (v < 0) {
    mask = 0x55;
    v = -v - 1;
  }
  int segment = 0;
  while (segment < 8 && v > g711_detail::kALawSegmentEnd[segment]) {
    ++segment;
  }
  if (segment == 8) {
    return static_cast<uint8_t>(0x7F ^ mask);
  }
  const int shift = segment < 2 ? 1 : segment;
  return static_cast<uint8_t>(((segment << 4) | ((v >> shift) & 0x0F)) ^ mask);
}

// -32256 to 32256.
constexpr int16_t ALawToLinear(uint8_t code) {
  return g711_detail::kALawToLinear[code];
}

}  // namespace vorsel
