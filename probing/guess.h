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
// "Motorola sint32", then floating point, scaled as an import scales it: "Intel float32",
// "Motorola float32", "Intel float64", "Motorola float64".
//
// Read as floats, most bytes that are not give NaN, infinity, denormals or values far beyond
// full scale, which scale to 0 or to the clipping limits and could seem the smoothest of all;
// so a floating-point candidate takes part only when nearly all its values look like audio.
// Those that do are strong evidence, stronger than smoothness: the integer readings of float
// bytes are smoother still when the mantissas end in zero bits, as floats made from 16-bit
// samples do. Floats are read at every byte offset, so that a header of any length leaves
// one reading aligned with the samples; a coding takes part with that reading.
class CodingGuesser {
 public:
  static constexpr int kCodings = 16;
  static constexpr int kFloatCodings = 4;

  // One block of the file; 16-bit codings take its bytes in pairs and drop an odd last byte.
  // The wider codings take their samples across blocks; the last bytes of the file that fill
  // no 12 bytes are left to the wider integers, and a floating-point reading may leave its
  // last sample.
  void Add(std::span<const uint8_t> block);

  // The smoothest coding (least mean squared difference of neighbours) and, when another one
  // is quieter (least mean square), " or " and that one; a wider integer or floating-point
  // coding counts as the quieter one only when it is the smoothest. When a floating-point
  // coding is plausible, the smoothest is the plausible floating-point coding that is least
  // rough relative to its level. Codings that received no sample take no part;
  // "no guess (empty file)" when none did.
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

  // Neighbours' squared differences relative to the squares, of values clipped to full scale.
  struct Roughness {
    double sumSquares = 0;
    double sumSquaredDifferences = 0;
    double previous = 0;

    void Add(double x);
    double Value() const { return sumSquaredDifferences / sumSquares; }
  };

  // The floats of one coding read from the byte offsets of one remainder by the sample size.
  struct FloatReading {
    Running samples;           // as an import scales them
    uint64_t audible = 0;      // not zero, and of a magnitude that audio uses
    uint64_t implausible = 0;  // NaN, infinite, or of a magnitude that audio does not use
    // Of all values, the implausible ones as 0, and of those past the first bytes of the file,
    // where a header's few audible values would outweigh a quiet signal.
    Roughness whole;
    Roughness afterHead;

    void Add(double x, bool inHead);
    // Some audible values, nearly all values zero or audible (the rest leaves room for a
    // header), and the audible ones far outnumbering the others: integer samples that are
    // silent but for a short quiet passage read as floats that are almost all zero, and their
    // few others are not audio.
    bool Plausible() const;
    // Where a reading straddles two samples or takes half a double, its exponents come from
    // the right bytes but its mantissas from others, which makes it rough relative to its
    // level; by its absolute level it could seem the smoothest, as such readings are often
    // quiet.
    double RelativeRoughness() const;
  };

  static constexpr size_t kMostFloatBytes = 8;

  void AddWide(std::span<const uint8_t> bytes);
  void AddFloats(std::span<const uint8_t> bytes);
  // The one plausible reading of a floating-point candidate, or null.
  const FloatReading* BestReading(int floatCoding) const;

  std::array<Running, kCodings> codings_{};
  std::array<std::array<FloatReading, kMostFloatBytes>, kFloatCodings> floatReadings_{};
  std::vector<uint8_t> pending_;       // bytes not yet taken by the wider integers
  std::vector<uint8_t> floatPending_;  // bytes whose floats are not all read yet
  uint64_t floatOffset_ = 0;           // file offset of floatPending_'s first byte
  std::vector<int16_t> reduced_;
};

// GuessCoding over the whole file, any header included, read in blocks of 16384 bytes.
// Throws std::system_error when the file cannot be opened or read.
std::string GuessCoding(const std::string& path);

// The line of the "Guess file type" command: the file name without directory, " is ", the type
// name, " ", the guess and "?" (take1.raw is RAW Intel sint16?).
std::string GuessFileTypeLine(const std::string& path, const ProbeSettings& settings);

}  // namespace vorsel
