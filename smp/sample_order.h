#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace vorsel {

// Samples on disk are in the order the msb item names; in memory in the processor's own.
inline bool NeedsByteSwap(bool msbFirst) {
  return msbFirst != (std::endian::native == std::endian::big);
}

inline int16_t SwapSampleBytes(int16_t sample) {
  const auto bits = static_cast<uint16_t>(sample);
  return static_cast<int16_t>(static_cast<uint16_t>((bits << 8) | (bits >> 8)));
}

inline void SwapSampleBytes(int16_t* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    samples[i] = SwapSampleBytes(samples[i]);
  }
}

}  // namespace vorsel
