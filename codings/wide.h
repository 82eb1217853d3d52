#pragma once

// Samples wider than 16 bits, reduced to 16: integers rounded to the nearest 16-bit value with
// halves upwards and clipped at 32767 (the top value has no 16-bit neighbour above it);
// floating point scaled so that 1.0 is 32768, rounded the same way, clipped at both ends, NaN
// as 0. Whole blocks at a time, so an import of such samples runs near the speed of a copy.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codings/byteorder.h"

namespace vorsel {

enum class WideCoding { Int24, Int32, Float32, Float64 };

constexpr size_t WideSampleBytes(WideCoding coding) {
  switch (coding) {
    case WideCoding::Int24:
      return 3;
    case WideCoding::Int32:
    case WideCoding::Float32:
      return 4;
    case WideCoding::Float64:
      return 8;
  }
  return 0;
}

constexpr bool IsFloatCoding(WideCoding coding) {
  return coding == WideCoding::Float32 || coding == WideCoding::Float64;
}

constexpr int16_t ReduceInt24(int32_t value) {
  const int32_t rounded = (value + 0x80) >> 8;
  return static_cast<int16_t>(rounded > 32767 ? 32767 : rounded);
}

constexpr int16_t ReduceInt32(int32_t value) {
  const int64_t rounded = (int64_t{value} + 0x8000) >> 16;
  return static_cast<int16_t>(rounded > 32767 ? 32767 : rounded);
}

// Counts into `clipped` every value beyond the 16-bit range after scaling and rounding.
int16_t ReduceFloat(double value, size_t& clipped);

// Reduces the whole samples of `bytes` (a trailing partial sample is ignored) into `out`, which
// must hold them; returns how many floating-point samples were clipped.
size_t ReduceWideSamples(std::span<const uint8_t> bytes, WideCoding coding, ByteOrder order,
                         std::span<int16_t> out);

}  // namespace vorsel
