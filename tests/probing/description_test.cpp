#include "probing/description.h"
#include "formats/format_list.h"
#include "frontend/format_probes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "codings/extended.h"
#include "probing/filetype.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {
namespace {

std::string Le16(uint16_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v) {
  return Le16(static_cast<uint16_t>(v)) + Le16(v >> 16);
}
std::string Be16(uint16_t v) {
  return {static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string Be32(uint32_t v) {
  return Be16(v >> 16) + Be16(static_cast<uint16_t>(v));
}

std::string Wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  return "RIFF" + Le32(0) + "WAVEfmt " + Le32(16) + Le16(tag) + Le16(channels) + Le32(rate) +
         Le32(0) + Le16(0) + Le16(bits) + "data" + Le32(0);
}

std::string Au(uint32_t dataSize, uint32_t encoding, uint32_t rate, uint32_t channels) {
  return ".snd" + Be32(24) + Be32(dataSize) + Be32(encoding) + Be32(rate) + Be32(channels);
}

std::string BeChunk(std::string_view id, std::string_view body) {
  return std::string(id) + Be32(static_cast<uint32_t>(body.size())) + std::string(body) +
         (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string Comm(uint16_t channels, uint32_t frames, uint16_t bits, double rate,
                 std::string_view compression = "") {
  const Extended80 r = ExtendedToBytes(rate);
  return BeChunk("COMM", Be16(channels) + Be32(frames) + Be16(bits) +
                             std::string(r.begin(), r.end()) + std::string(compression));
}

std::string Form(std::string_view type, std::string_view chunks) {
  return "FORM" + Be32(static_cast<uint32_t>(4 + chunks.size())) + std::string(type) +
         std::string(chunks);
}

// A header chunk: date text, rate, length, then the peaks (2 for HEDR, 8 for HDR8).
std::string NspHeader(std::string_view id, uint32_t rate, uint32_t length,
                      std::initializer_list<uint16_t> peaks) {
  std::string body = std::string(20, 'd') + Le32(rate) + Le32(length);
  for (const uint16_t peak : peaks) {
    body += Le16(peak);
  }
  return std::string(id) + Le32(static_cast<uint32_t>(body.size())) + body;
}

std::string Nsp(std::string_view chunks) {
  return "FORMDS16" + Le32(static_cast<uint32_t>(chunks.size())) + std::string(chunks);
}

class FileDescriptionTest : public ::testing::Test {
 protected:
  // Writes `bytes`, extended with a hole to `size` when that is larger, and describes it.
  std::string Describe(std::string_view name, std::string_view bytes, int64_t size = 0) {
    path = dir / name;
    WriteFile(path, bytes);
    if (size > static_cast<int64_t>(bytes.size())) {
      std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
    }
    return FileDescription(path, settings, english);
  }

  TempDir dir;
  ProbeSettings settings{.formats = ForeignFormatProbes()};
  const NumberFormat english{".", ","};
  std::string path;
};

TEST_F(FileDescriptionTest, Wav) {
  EXPECT_EQ(Describe("a.wav", Wav(1, 2, 44100, 16), 2000044),
            "WAV 2,000,044 bytes, 11.338 s, lin 16, 44100 Hz, 2 channels");
  EXPECT_EQ(Describe("a.wav", Wav(7, 1, 8000, 8), 8088),
            "WAV 8,088 bytes, 1.011 s, u-law, 8000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.wav", Wav(6, 1, 8000, 8), 16000),
            "WAV 16,000 bytes, 2.000 s, A-law, 8000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.wav", Wav(3, 1, 8000, 32), 32044),
            "WAV 32,044 bytes, 1.001 s, float 32, 8000 Hz, 1 channel");
  // Big-endian, extensible: the sub-format names the coding.
  const std::string rifx = "RIFX" + Be32(0) + "WAVEfmt " + Be32(40) + Be16(0xFFFE) + Be16(2) +
                           Be32(8000) + Be32(0) + Be16(6) + Be16(24) + Be16(22) + Be16(24) +
                           Be32(3) + Be16(1);
  EXPECT_EQ(Describe("a.wav", rifx, 48044),
            "WAV 48,044 bytes, 1.001 s, lin 24, 8000 Hz, 2 channels");
  EXPECT_EQ(Describe("a.wav", Wav(2, 1, 8000, 4)), "WAV Unknown encoding (2)");
  EXPECT_EQ(Describe("a.wav", Wav(1, 1, 0, 16)), "WAV Unknown encoding (1)");
  EXPECT_EQ(Describe("a.wav", Wav(1, 0, 8000, 16)), "WAV Unknown encoding (1)");
  EXPECT_EQ(Describe("a.wav", Wav(1, 1, 8000, 4)), "WAV Unknown encoding (1)");
  EXPECT_EQ(Describe("a.wav", Wav(1, 1, 8000, 16).substr(0, 40)),
            "WAV Can't open " + dir / "a.wav");
}

TEST_F(FileDescriptionTest, Au) {
  EXPECT_EQ(Describe("a.au", Au(16000, 3, 8000, 1), 16024),
            "AU 16,024 bytes, 1.000 s, lin 16, 8000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.au", Au(8000, 27, 8000, 2), 8024),
            "AU 8,024 bytes, 0.500 s, A-law, 8000 Hz, 2 channels");
  // All bits of the size set mean "unknown": the data runs to the end of the file.
  EXPECT_EQ(Describe("a.au", Au(0xFFFFFFFF, 1, 8000, 1), 4024),
            "AU 4,024 bytes, 0.500 s, u-law, 8000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.au", Au(100, 8, 8000, 1)), "AU Unknown encoding (8)");
  EXPECT_EQ(Describe("a.au", Au(100, 3, 0, 1)), "AU Unknown encoding (3)");
  EXPECT_EQ(Describe("a.au", Au(100, 3, 8000, 1).substr(0, 20)), "AU Can't open " + dir / "a.au");
}

TEST_F(FileDescriptionTest, AiffAndAifc) {
  EXPECT_EQ(Describe("a.aif", Form("AIFF", BeChunk("NAME", "odd") + Comm(1, 16000, 16, 16000))),
            "AIFF 50 bytes, 1.000 s, lin 16, 16000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.aif", Form("AIFC", Comm(2, 11025, 16, 5512.5, "sowt"))),
            "AIFF-C 42 bytes, 2.000 s, sowt 16, 5512.5 Hz, 2 channels");
  EXPECT_EQ(Describe("a.aif", Form("AIFC", Comm(1, 8000, 8, 8000, "NONE"))),
            "AIFF-C 42 bytes, 1.000 s, lin 8, 8000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.aif", Form("AIFF", BeChunk("SSND", "12345678"))), "AIFF Unknown encoding");
  EXPECT_EQ(Describe("a.aif", Form("AIFF", Comm(1, 100, 16, 0))), "AIFF Unknown encoding");
  // An extended real with the exponent of infinities.
  std::string nan = Form("AIFF", Comm(1, 100, 16, 8000));
  nan[28] = '\x7F';
  nan[29] = '\xFF';
  EXPECT_EQ(Describe("a.aif", nan), "AIFF Unknown encoding");

  settings.UseExtensionAsId = true;
  EXPECT_EQ(Describe("b.aif", "RIFF\x01\x02"), "AIFF Can't open " + dir / "b.aif");
  EXPECT_EQ(Describe("b.aif", "RIF\x01\x02\x03\x04\x05"), "AIFF Unknown .aif file type RIF?");
  EXPECT_EQ(Describe("b.aif", Form("8SVX", "")), "AIFF Unknown IFF data type 8SVX");
}

TEST_F(FileDescriptionTest, Nsp) {
  EXPECT_EQ(Describe("a.nsp", Nsp(NspHeader("HEDR", 16000, 1000, {100, 0xFFFF})), 2060),
            "NSP 2,060 bytes, 0.063 s, 16000 Hz, 1 channel");
  EXPECT_EQ(Describe("a.nsp", Nsp("LIST" + Le32(3) + "abc_" +
                                  NspHeader("HDR8", 8000, 16000,
                                            {1, 2, 3, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}))),
            "NSP 76 bytes, 2.000 s, 8000 Hz, 3 channels");
  EXPECT_EQ(Describe("a.nsp", Nsp(NspHeader("HEDR", 0, 1000, {1, 1}))), "NSP Unknown encoding");
  EXPECT_EQ(Describe("a.nsp", Nsp("SDA_" + Le32(2) + "xx")), "NSP Unknown encoding");
  settings.UseExtensionAsId = true;
  EXPECT_EQ(Describe("b.nsp", "RIFF1234"), "NSP Unknown .nsp file type RIFF");
  EXPECT_EQ(Describe("b.nsp", "FORMDS32" + Le32(0)), "NSP Unknown .nsp data type DS32");
  EXPECT_EQ(Describe("b.nsp", "FOR"), "NSP Can't open " + dir / "b.nsp");
}

TEST_F(FileDescriptionTest, SmpTextRawAndMissingFiles) {
  EXPECT_EQ(Describe("a.smp", HeadBytes({"sftot=16000", "nchans=2"}) + std::string(4000, '\0')),
            "SMP 5,024 bytes, 0.125 s, 16000 Hz tot, 2 channels");
  EXPECT_EQ(Describe("a.smp", HeadBytes({"sftot=11025.5"}) + std::string(22051, '\0')),
            "SMP 23,075 bytes, 1.000 s, 11025.5 Hz tot, 1 channel");
  EXPECT_EQ(Describe("a.smp", HeadBytes({"sftot=0"}) + std::string(10, '\0')),
            "SMP Unknown encoding");
  EXPECT_EQ(Describe("a.smp", HeadBytes({"nchans=2", "scan=0,0,1"})),
            "SMP Can't open " + dir / "a.smp");
  std::string text;
  while (text.size() < 1234) {
    text += "0.5\n";
  }
  EXPECT_EQ(Describe("a.txt", text.substr(0, 1234)), "TXT 1,234 bytes");
  EXPECT_EQ(Describe("a.raw", "abc"), "RAW 3 bytes");
  EXPECT_EQ(FileDescription(dir / "missing.wav", settings, english), "");
  EXPECT_EQ(FileDescription(dir.path().string(), settings, english), "");
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(FileDescription(pipe, settings, english), "");
}

TEST_F(FileDescriptionTest, NumbersFollowTheGivenSeparators) {
  const NumberFormat german{",", "."};
  path = dir / "a.wav";
  WriteFile(path, Wav(1, 2, 44100, 16));
  std::filesystem::resize_file(path, 2000044);
  EXPECT_EQ(FileDescription(path, settings, german),
            "WAV 2.000.044 bytes, 11,338 s, lin 16, 44100 Hz, 2 channels");
  WriteFile(path, Form("AIFF", Comm(1, 11025, 16, 5512.5)));
  EXPECT_EQ(FileDescription(path, settings, german),
            "AIFF 38 bytes, 2,000 s, lin 16, 5512,5 Hz, 1 channel");
}

// A file of 256 MiB whose header chunks stand at its start and end, with a hole between.
void WriteSparse(const std::string& path, std::string_view start, std::string_view end) {
  WriteFile(path, start);
  std::filesystem::resize_file(path, (uintmax_t{256} << 20) - end.size());
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(end.data(), static_cast<std::streamsize>(end.size()));
}

TEST_F(FileDescriptionTest, LargeFilesAreDescribedFromTheirHeadersAlone) {
  // Holes that end where the last chunk begins: 20 bytes before, 26 (COMM) or 40 (HEDR) after.
  const uint32_t aiffHole = (uint32_t{256} << 20) - 20 - 26;
  const uint32_t nspHole = (uint32_t{256} << 20) - 20 - 40;
  struct Case {
    int32_t type;
    std::string start;
    std::string end;
    uint64_t headerBytes;
  };
  const std::vector<Case> cases = {
      {ftWAV, Wav(1, 1, 8000, 16), "", 44},
      {ftAIFF, "FORM" + Be32(0x7FFFFFF0) + "AIFFSSND" + Be32(aiffHole), Comm(1, 1, 16, 8000), 46},
      {ftNSP, "FORMDS16" + Le32(0x7FFFFFF0) + "SDA_" + Le32(nspHole),
       NspHeader("HEDR", 8000, 1, {1, 0xFFFF}), 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FileTypeCodeName(c.type, ForeignFormatProbes()));
    const std::string file = dir / "big";
    WriteSparse(file, c.start, c.end);
    ByteReader reader(file);
    const std::string detail =
        HeaderDetail(ForeignFormatProbes(), c.type, reader, reader.Size(), english);
    EXPECT_TRUE(detail.starts_with("268,435,456 bytes, ")) << detail;
    EXPECT_LE(reader.Consumed(), c.headerBytes);
  }
}

TEST(NumberText, GroupingDecimalsAndTheUserLocale) {
  const NumberFormat english{".", ","};
  EXPECT_EQ(FormatGrouped(0, english), "0");
  EXPECT_EQ(FormatGrouped(999, english), "999");
  EXPECT_EQ(FormatGrouped(1000, english), "1,000");
  EXPECT_EQ(FormatGrouped(-1234567, english), "-1,234,567");
  EXPECT_EQ(FormatGrouped(INT64_MIN, english), "-9,223,372,036,854,775,808");
  EXPECT_EQ(FormatThreeDecimals(0.0625, english), "0.063");
  EXPECT_EQ(FormatThreeDecimals(999.9996, english), "1000.000");
  EXPECT_EQ(FormatThreeDecimals(-0.0001, english), "0.000");
  EXPECT_EQ(FormatThreeDecimals(-2.5, english), "-2.500");
  EXPECT_EQ(FormatThreeDecimals(1e20, english), "100000000000000000000.000");
  EXPECT_EQ(FormatGeneral(5512.5, NumberFormat{",", "."}), "5512,5");
  ::setenv("LC_ALL", "C", 1);
  const NumberFormat user = UserNumberFormat();
  EXPECT_EQ(user.decimalSeparator, ".");
  EXPECT_EQ(user.thousandSeparator, ",");
}

}  // namespace
}  // namespace vorsel::test
