// RAW and TXT files against sox: sox writes what the importers read, and reads what the RAW
// exporter writes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "codings/g711.h"
#include "formats/raw.h"
#include "formats/txt.h"
#include "tests/formats/raw_txt_fixture.h"

namespace vorsel::test {
namespace {

void Sox(const std::string& arguments) {
  const std::string command = "sox -D " + arguments + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A RAW coding as sox names it and as the RAW settings name it.
struct RawCoding {
  const char* soxOptions;
  int32_t encoding;
  bool isSigned;
  bool bigEndian;
};

constexpr RawCoding kCodings[] = {
    {"-e signed-integer -b 16 -L", 3, true, false},
    {"-e signed-integer -b 16 -B", 3, true, true},
    {"-e unsigned-integer -b 16 -L", 3, false, false},
    {"-e unsigned-integer -b 16 -B", 3, false, true},
    {"-e signed-integer -b 8", 2, true, false},
    {"-e unsigned-integer -b 8", 2, false, false},
    {"-e u-law", 0, true, false},
    {"-e a-law", 1, true, false},
};

// Samples that the coding carries exactly, so that both sides must agree to the bit: every
// 8-bit step, every companded level, and a spread of 16-bit values with both extremes.
std::vector<int16_t> ExactSamples(int32_t encoding) {
  std::vector<int16_t> samples;
  for (int i = 0; i < 256; ++i) {
    const auto code = static_cast<uint8_t>(i);
    switch (encoding) {
      case 0:
        samples.push_back(MuLawToLinear(code));
        break;
      case 1:
        samples.push_back(ALawToLinear(code));
        break;
      case 2:
        samples.push_back(static_cast<int16_t>((i - 128) * 256));
        break;
      default:
        samples.push_back(static_cast<int16_t>(i * 257 - 32768));
        samples.push_back(static_cast<int16_t>(32767 - i * 131));
        break;
    }
  }
  return samples;
}

class RawPeerTest : public ConverterFixture {};

TEST_F(RawPeerTest, SoxWritesEveryCodingAndTheImportReadsIt) {
  for (const RawCoding& coding : kCodings) {
    SCOPED_TRACE(coding.soxOptions);
    const std::vector<int16_t> samples = ExactSamples(coding.encoding);
    const std::string source = dir / "source.raw";
    const std::string written = dir / "sox.raw";
    WriteFile(source, LittleEndianSamples(samples));
    Sox("-t raw -r 8000 -c 1 -e signed-integer -b 16 -L " + source + " -t raw " +
        coding.soxOptions + " " + written);
    settings.ImportRAW.Encoding = coding.encoding;
    settings.ImportRAW.Signed = coding.isSigned;
    settings.ImportRAW.ByteOrder = coding.bigEndian ? 1 : 0;
    EXPECT_EQ(SmpSamples(Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                                 ReadFile(written), "raw", "smp")),
              samples);
  }
}

TEST_F(RawPeerTest, SoxReadsEveryRawExport) {
  settings.ExportRAW.FitAmplitude = false;
  settings.ExportRAW.DitherNoise = false;
  for (const RawCoding& coding : kCodings) {
    SCOPED_TRACE(coding.soxOptions);
    const std::vector<int16_t> samples = ExactSamples(coding.encoding);
    settings.ExportRAW.Encoding = coding.encoding;
    settings.ExportRAW.Signed = coding.isSigned;
    settings.ExportRAW.MSBFirst = coding.bigEndian;
    ASSERT_FALSE(Convert(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>,
                         SmpFile({"nchans=1"}, samples), "smp", "raw")
                     .empty());
    const std::string back = dir / "back.raw";
    Sox("-t raw -r 8000 -c 1 " + std::string(coding.soxOptions) + " " + outPath +
        " -t raw -e signed-integer -b 16 -L " + back);
    EXPECT_EQ(SamplesFromLittleEndian(ReadFile(back)), samples);
  }
}

TEST_F(RawPeerTest, SoxTextOfASineMatchesSoxSixteenBitOutput) {
  const std::string dat = dir / "sine.dat";
  const std::string reference = dir / "sine.raw";
  Sox("-n -r 8000 -c 1 " + dat + " synth 0.5 sine 440 vol 0.9");
  Sox(dat + " -t raw -e signed-integer -b 16 -L " + reference);
  // Two columns, time and value, after sox's two comment lines; 1 maps to full scale.
  settings.ImportTXT.StripLines = 2;
  settings.ImportTXT.nChans = 2;
  settings.ImportTXT.RangeLo = -32768;
  settings.ImportTXT.RangeHi = 32768;
  const std::vector<int16_t> imported = SmpSamples(Convert(
      &WithSection<&ConversionSettings::ImportTXT, &ImportTXT>, ReadFile(dat), "txt", "smp"));
  const std::vector<int16_t> expected = SamplesFromLittleEndian(ReadFile(reference));
  ASSERT_EQ(imported.size(), 2 * expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_LE(std::abs(imported[2 * i + 1] - expected[i]), 1) << "sample " << i;
  }
}

}  // namespace
}  // namespace vorsel::test
