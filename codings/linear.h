#pragma once

#include <cstdint>

namespace vorsel {

// Offset binary differs from signed only in the top bit (zero at 128, or at 32768).
enum class Representation { Signed, OffsetBinary };

constexpr int16_t Signed8ToLinear(uint8_t byte) {
  return static_cast<int16_t>(static_cast<int8_t>(byte) * 256);
}

constexpr int16_t Offset8ToLinear(uint8_t byte) {
  return static_cast<int16_t>((static_cast<int>(byte) - 128) * 256);
}

constexpr int16_t Linear8ToLinear(uint8_t byte, Representation representation) {
  return representation == Representation::Signed ? Signed8ToLinear(byte) : Offset8ToLinear(byte);
}

// Flipping the top bit converts both ways between signed and offset binary 16-bit words.
constexpr uint16_t FlipTopBit16(uint16_t word) {
  return static_cast<uint16_t>(word ^ 0x8000u);
}

constexpr int16_t Offset16ToLinear(uint16_t word) {
  return static_cast<int16_t>(FlipTopBit16(word));
}

constexpr uint16_t LinearToOffset16(int16_t sample) {
  return FlipTopBit16(static_cast<uint16_t>(sample));
}

}  // namespace vorsel
