#pragma once

// Settings values a fuzz input picks with one byte: the ordinary ones and the edges a settings
// file can reach.

#include <cstdint>
#include <limits>

namespace vorsel::fuzz {

inline int32_t PickChannels(uint8_t choice) {
  constexpr int32_t kChoices[] = {1, 2, 3, 8, 0, -1, 128, 129, 1000, 5, 2, 1, 4, 7, 6, 2};
  return kChoices[choice % 16];
}

inline double PickRate(uint8_t choice) {
  constexpr double kChoices[] = {16000,
                                 44100,
                                 0,
                                 -1,
                                 0.5,
                                 1e308,
                                 std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN()};
  return kChoices[choice % 8];
}

// Byte and line counts to skip.
inline int32_t PickCount(uint8_t choice) {
  constexpr int32_t kChoices[] = {
      0,  1,    2, 3, 7, 16384, 16385, 0x7FFFFFFF, -1, std::numeric_limits<int32_t>::min(),
      44, 1024, 0, 0, 5, 100};
  return kChoices[choice % 16];
}

}  // namespace vorsel::fuzz
