#pragma once

#include <cstdint>

namespace vorsel {

// A fixed property of each file format, never "relative to this machine".
enum class ByteOrder { LittleEndian, BigEndian };

constexpr uint16_t Swap16(uint16_t value) {
  return static_cast<uint16_t>((value << 8) | (value >> 8));
}

constexpr uint32_t Swap32(uint32_t value) {
  return (value << 24) | ((value << 8) & 0x00FF0000u) | ((value >> 8) & 0x0000FF00u) |
         (value >> 24);
}

}  // namespace vorsel
