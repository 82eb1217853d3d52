#include "probing/guess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <system_error>

#include <sys/stat.h>

#include "formats/format_list.h"
#include "frontend/format_probes.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {
namespace {

// A sine of 100 samples per period, amplitude 8000, as 16-bit words.
std::string Sine(bool bigEndian, uint16_t offset) {
  std::string bytes;
  for (int i = 0; i <= 20000; ++i) {
    const auto word = static_cast<uint16_t>(std::lround(8000 * std::sin(M_PI * i / 50)) + offset);
    const char hi = static_cast<char>(word >> 8);
    const char lo = static_cast<char>(word & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

// The same sine, a quarter of full scale, in 24 or 32 bits.
std::string WideSine(int bytesPerSample, bool bigEndian) {
  std::string bytes;
  for (int i = 0; i <= 20000; ++i) {
    const double x = 0.25 * std::sin(M_PI * i / 50);
    const auto word = static_cast<uint64_t>(std::llround(std::ldexp(x, 8 * bytesPerSample - 1)));
    for (int b = 0; b < bytesPerSample; ++b) {
      const int shift = 8 * (bigEndian ? bytesPerSample - 1 - b : b);
      bytes += static_cast<char>((word >> shift) & 0xFF);
    }
  }
  return bytes;
}

std::string Repeated(std::string_view pattern, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += pattern;
  }
  return out;
}

class GuessTest : public ::testing::Test {
 protected:
  std::string Guess(std::string_view bytes) {
    path = dir / "take1.raw";
    WriteFile(path, bytes);
    return GuessCoding(path);
  }
  TempDir dir;
  ProbeSettings settings{.formats = ForeignFormatProbes()};
  std::string path;
};

TEST_F(GuessTest, ZeroBytesFavourTheEarliestOfTheEqualCodings) {
  EXPECT_EQ(Guess(std::string(1000, '\0')), "sint8");
  EXPECT_EQ(GuessFileTypeLine(path, settings), "take1.raw is RAW sint8?");
}

TEST_F(GuessTest, EmptyAndOneByteFiles) {
  EXPECT_EQ(Guess(""), "no guess (empty file)");
  EXPECT_EQ(GuessFileTypeLine(path, settings), "take1.raw is RAW no guess (empty file)?");
  // One byte makes no 16-bit sample; those codings take no part.
  EXPECT_EQ(Guess("\x80"), "uint8");
}

TEST_F(GuessTest, SixteenBitSinesInEachOrderAndRepresentation) {
  EXPECT_EQ(Guess(Sine(false, 0)), "Intel sint16");
  EXPECT_EQ(Guess(Sine(true, 0)), "Motorola sint16");
  EXPECT_EQ(Guess(Sine(false, 0x8000)), "Intel uint16");
  EXPECT_EQ(Guess(Sine(true, 0x8000)), "Motorola uint16");
}

TEST_F(GuessTest, WiderSinesInEachOrder) {
  EXPECT_EQ(Guess(WideSine(3, false)), "Intel sint24");
  EXPECT_EQ(Guess(WideSine(3, true)), "Motorola sint24");
  EXPECT_EQ(Guess(WideSine(4, false)), "Intel sint32");
  EXPECT_EQ(Guess(WideSine(4, true)), "Motorola sint32");
  // Eleven bytes fill no twelve; the wider codings take no part.
  EXPECT_EQ(Guess(WideSine(3, true).substr(0, 11)).find("sint24"), std::string::npos);
}

TEST_F(GuessTest, SmoothestAndQuietestDiffer) {
  // Words 0x00FF read big-endian are a constant 255 (mean square 65025, mean squared
  // difference 255^2 / 50 from the start at 0); as signed bytes 0 and -256 alternate
  // (mean square 32768, mean squared difference 65536).
  EXPECT_EQ(Guess(Repeated(std::string("\x00\xFF", 2), 50)), "Motorola sint16 or sint8");
  EXPECT_EQ(Guess(Repeated("\x47\x48", 50)), "u-law or A-law");
}

TEST_F(GuessTest, MissingFilesAndPipesRaiseInsteadOfWaiting) {
  EXPECT_THROW(GuessCoding(dir / "missing"), std::system_error);
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_THROW(GuessFileTypeLine(pipe, settings), std::system_error);
}

}  // namespace
}  // namespace vorsel::test
