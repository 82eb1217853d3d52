#include "probing/guess.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <system_error>
#include <vector>

#include <sys/stat.h>

#include "formats/format_list.h"
#include "frontend/format_probes.h"
#include "tests/formats/wav_test_support.h"
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

// A sine of 441 Hz at 8000 samples a second (no zero crossing falls on a sample after the
// first) as floats in Intel order, after `head`.
std::string IntelFloatSine(double amplitude, bool sixteenBitSteps, std::string head = "") {
  for (int i = 0; i <= 20000; ++i) {
    const double x = amplitude * std::sin(2 * M_PI * 441 * i / 8000);
    const auto bits = std::bit_cast<uint32_t>(
        static_cast<float>(sixteenBitSteps ? std::round(x * 32768) / 32768 : x));
    for (int b = 0; b < 4; ++b) {
      head += static_cast<char>((bits >> (8 * b)) & 0xFF);
    }
  }
  return head;
}

class GuessTest : public ::testing::Test {
 protected:
  std::string Guess(std::string_view bytes) {
    path = dir / "take1.raw";
    WriteFile(path, bytes);
    return GuessCoding(path);
  }
  // The guess for a file that sox writes with `options` from `signal`; -R repeats its noise.
  std::string GuessSox(const std::string& options, const std::string& signal,
                       const std::string& name = "take1.raw") {
    path = dir / name;
    test::RunPeer("sox -R -V1 -n -r 8000 " + options + " " + test::Quoted(path) + " synth 1 " +
                  signal);
    return GuessCoding(path);
  }
  TempDir dir;
  ProbeSettings settings{.formats = ForeignFormatProbes()};
  std::string path;
};

// The coding named first, the smoothest.
std::string Smoothest(const std::string& guess) {
  return guess.substr(0, guess.find(" or "));
}

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

struct SoxCase {
  std::string options;
  std::string coding;
  std::string file = "take1.raw";  // the extension tells sox the container
};

TEST_F(GuessTest, SoxFloatsInEachWidthAndOrderWithOrWithoutHeader) {
  // The samples start 58 bytes into the WAV files and 44 into the AU files.
  const std::vector<SoxCase> cases = {
      {"-c 1 -b 32 -L -t raw", "Intel float32"},    {"-c 1 -b 32 -B -t raw", "Motorola float32"},
      {"-c 2 -b 64 -L -t raw", "Intel float64"},    {"-c 2 -b 64 -B -t raw", "Motorola float64"},
      {"-c 2 -b 32", "Intel float32", "take1.wav"}, {"-c 1 -b 32", "Motorola float32", "take1.au"},
      {"-c 1 -b 64", "Intel float64", "take1.wav"}, {"-c 2 -b 64", "Motorola float64", "take1.au"},
  };
  for (const SoxCase& c : cases) {
    for (const std::string signal : {"sine 440 vol 0.5", "pinknoise", "pinknoise vol 0.001",
                                     "sine 300-3400 vol 0.3", "sine 440 vol 2"}) {
      EXPECT_EQ(Smoothest(GuessSox(c.options + " -e floating-point", signal, c.file)), c.coding)
          << c.file << " " << c.options << " " << signal;
    }
  }
}

TEST_F(GuessTest, FloatsOfSixteenBitSamplesAndBehindHeaders) {
  // Mantissas that end in zero bytes make some integer readings smoother than the floats.
  EXPECT_EQ(Smoothest(Guess(IntelFloatSine(0.5, true))), "Intel float32");
  EXPECT_EQ(Smoothest(Guess(IntelFloatSine(0.001, true))), "Intel float32");
  EXPECT_EQ(Guess(IntelFloatSine(0.001, false, std::string(7, '\xAA'))), "Intel float32");
  EXPECT_EQ(GuessFileTypeLine(path, settings), "take1.raw is RAW Intel float32?");
  // A header whose words read as floats of full scale outweighs a quiet signal.
  EXPECT_EQ(Guess(IntelFloatSine(0.001, false, Repeated(std::string("\0\0\x80\x3F", 4), 3))),
            "Intel float32");
}

TEST_F(GuessTest, OtherCodingsAreNotTakenForFloats) {
  const std::vector<SoxCase> cases = {
      {"-e u-law", "u-law"},
      {"-e a-law", "A-law"},
      {"-b 8 -e unsigned", "uint8"},
      {"-b 8 -e signed", "sint8"},
      {"-b 16 -e unsigned -L", "Intel uint16"},
      {"-b 16 -e unsigned -B", "Motorola uint16"},
      {"-b 16 -e signed -L", "Intel sint16"},
      {"-b 16 -e signed -B", "Motorola sint16"},
      {"-b 24 -e signed -L", "Intel sint24"},
      {"-b 24 -e signed -B", "Motorola sint24"},
      {"-b 32 -e signed -L", "Intel sint32"},
      {"-b 32 -e signed -B", "Motorola sint32"},
  };
  for (const SoxCase& c : cases) {
    for (const std::string signal : {"sine 440 vol 0.5", "pinknoise"}) {
      EXPECT_EQ(Smoothest(GuessSox("-c 1 -t raw " + c.options, signal)), c.coding)
          << c.options << " " << signal;
    }
  }
  // Silence but for twenty 16-bit samples of -1 (NaN as floats) and two that read as 1.0.
  const std::string glitch = std::string(16000, '\0') + std::string("\0\0\x80\x3F", 4) +
                             std::string(40, '\xFF') + std::string(16000, '\0');
  // A dithered 8-bit square wave whose bytes all read as plausible exponents, and noise.
  std::mt19937 random(1);
  std::string square;
  std::string noise;
  for (int i = 0; i < 8000; ++i) {
    square += static_cast<char>((i / 40 % 2 ? 0x36 : 0xB6) + random() % 2);
    noise += static_cast<char>(random());
  }
  for (const std::string& bytes : {glitch, square, noise}) {
    EXPECT_EQ(Guess(bytes).find("float"), std::string::npos) << Guess(bytes);
  }
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
