#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "probing/filetype.h"

namespace vorsel {

// Running statistics of the candidate codings over a file's bytes. The candidates, in the
// order that breaks ties: "u-law", "A-law", "uint8", "sint8", "Intel uint16",
// "Motorola uint16", "Intel sint16", "Motorola sint16", then the wider integers, reduced to 16
// bits as an import reduces them: "Intel sint24", "Motorola sint24", "Intel sint32",
// "Motorola sint32". Floating point takes no part: read as floats, most bytes that are not
// give values that round to 0 and would seem the smoothest of all.
class CodingGuesser {
 public:
  static constexpr int kCodings = 12;

  // One block of the file; 16-bit codings take its bytes in pairs and drop an odd last byte.
  // The wider codings take their samples across blocks; the last bytes of the file that fill
  // no 12 bytes are left to them.
  void Add(std::span<const uint8_t> block);

  // The smoothest coding (least mean squared difference of neighbours) and, when another one
  // is quieter (least mean square), " or " and that one; a wider integer coding counts as the
  // quieter one only when it is the smoothest. Codings that received no sample take
  // no part; "no guess (empty file)" when none did.
  std::string Result() const;

 private:
  struct Running {
    uint64_t sumSquares = 0;
    uint64_t sumSquaredDifferences = 0;
    int32_t previous = 0;
    uint64_t count = 0;

    void Add(int32_t x) {
      const int64_t difference = previous - x;
      sumSquares += static_cast<uint64_t>(int64_t{x} * x);
      sumSquaredDifferences += static_cast<uint64_t>(difference * difference);
      previous = x;
      ++count;
    }
  };

  void AddWide(std::span<const uint8_t> bytes);

  std::array<Running, kCodings> codings_{};
  std::vector<uint8_t> pending_;  // bytes not yet taken by the wider codings
  std::vector<int16_t> reduced_;
};

// GuessCoding over the whole file, any header included, read in blocks of 16384 bytes.
// Throws std::system_error when the file cannot be opened or read.
std::string GuessCoding(const std::string& path);

// The line of the "Guess file type" command: the file name without directory, " is ", the type
// name, " ", the guess and "?" (take1.raw is RAW Intel sint16?).
std::string GuessFileTypeLine(const std::string& path, const ProbeSettings& settings);

}  // namespace vorsel
