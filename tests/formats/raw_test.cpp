#include "formats/raw.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/formats/raw_txt_fixture.h"

namespace vorsel::test {
namespace {

class RawImportTest : public ConverterFixture {
 protected:
  std::vector<int16_t> Import(std::string_view bytes) {
    return SmpSamples(
        Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>, bytes, "raw", "smp"));
  }
};

TEST_F(RawImportTest, DefaultsReadSignedIntelWordsAndDescribeTheHead) {
  const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 0x1234};
  const std::string file = Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                                   LittleEndianSamples(samples), "raw", "smp");
  EXPECT_EQ(SmpSamples(file), samples);
  EXPECT_EQ(Item(file, "sftot"), "16000");
  EXPECT_EQ(Item(file, "nchans"), "1");
  EXPECT_EQ(Item(file, "msb"), "last");
  EXPECT_EQ(Item(file, "view"), "-1,1");
  EXPECT_EQ(Item(file, "range"), "-32768,32768");
  EXPECT_EQ(Item(file, "proc0"), "Vorsel from " + inPath);
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.raw as RAW-> out.smp"});
  EXPECT_GT(ticks, 0);
}

TEST_F(RawImportTest, SettingsGoIntoTheHeadBeforeTheSamples) {
  settings.ImportRAW.SfTot = 44100;
  settings.ImportRAW.nChans = 2;
  settings.ImportRAW.MSBFirst = true;
  settings.ImportRAW.ViewLo = 0;
  settings.ImportRAW.ViewHi = 5;
  settings.ImportRAW.Unit = "V";
  settings.ImportRAW.RangeLo = 0;
  settings.ImportRAW.RangeHi = 1000;
  const std::string file = Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                                   LittleEndianSamples({0x0102, -2}), "raw", "smp");
  EXPECT_EQ(Item(file, "sftot"), "44100");
  EXPECT_EQ(Item(file, "nchans"), "2");
  EXPECT_EQ(Item(file, "msb"), "first");
  EXPECT_EQ(Item(file, "view"), "0,5,V");
  EXPECT_EQ(Item(file, "range"), "0,1000");
  EXPECT_EQ(DataArea(file), Bytes({0x01, 0x02, 0xFF, 0xFE}));
}

TEST_F(RawImportTest, EightBitCodings) {
  const std::string bytes = Bytes({0x80, 0x00, 0xFF, 0x7F});
  settings.ImportRAW.Encoding = 2;
  settings.ImportRAW.Signed = false;
  EXPECT_EQ(Import(bytes), (std::vector<int16_t>{0, -32768, 32512, -256}));
  settings.ImportRAW.Signed = true;
  EXPECT_EQ(Import(bytes), (std::vector<int16_t>{-32768, 0, -256, 32512}));
  settings.ImportRAW.Encoding = 0;
  EXPECT_EQ(Import(Bytes({0xFF, 0x7F, 0x80, 0x00})), (std::vector<int16_t>{0, 0, 32124, -32124}));
  settings.ImportRAW.Encoding = 1;
  EXPECT_EQ(Import(Bytes({0xD5, 0x55, 0xAA, 0x2A})), (std::vector<int16_t>{8, -8, 32256, -32256}));
}

TEST_F(RawImportTest, SixteenBitByteOrderAndOffsetBinary) {
  settings.ImportRAW.ByteOrder = 1;
  EXPECT_EQ(Import(Bytes({0x12, 0x34})), std::vector<int16_t>{0x1234});
  settings.ImportRAW.Signed = false;
  EXPECT_EQ(Import(Bytes({0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF})),
            (std::vector<int16_t>{0, -32768, 32767}));
  settings.ImportRAW.ByteOrder = 0;
  EXPECT_EQ(Import(Bytes({0x00, 0x80, 0x01, 0x80})), (std::vector<int16_t>{0, 1}));
}

TEST_F(RawImportTest, OddLengthDropsTheLastByteAndOddStereoKeepsItsSamples) {
  EXPECT_EQ(Import(LittleEndianSamples({5, 6}) + "\x07"), (std::vector<int16_t>{5, 6}));
  settings.ImportRAW.nChans = 2;
  const std::string file = Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                                   LittleEndianSamples({1, 2, 3}), "raw", "smp");
  EXPECT_EQ(DataArea(file), LittleEndianSamples({1, 2, 3}));
}

TEST_F(RawImportTest, StripBytesAreSkippedAndAStripBeyondTheEndGivesNoSamples) {
  settings.ImportRAW.StripBytes = 100000;
  EXPECT_EQ(Import(std::string(100000, '\xAA') + LittleEndianSamples({7, -7})),
            (std::vector<int16_t>{7, -7}));
  const std::string file = Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                                   LittleEndianSamples({1, 2, 3}), "raw", "smp");
  EXPECT_EQ(file.size(), 1024u);
  EXPECT_EQ(Item(file, "nchans"), "1");
}

TEST_F(RawImportTest, LongFilesCrossEveryBlock) {
  std::vector<int16_t> ramp(50001);
  for (size_t i = 0; i < ramp.size(); ++i) {
    ramp[i] = static_cast<int16_t>(i * 7);
  }
  EXPECT_EQ(Import(LittleEndianSamples(ramp)), ramp);
  settings.ImportRAW.Encoding = 2;
  std::string bytes(40000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i);
  }
  const std::vector<int16_t> samples = Import(bytes);
  ASSERT_EQ(samples.size(), bytes.size());
  EXPECT_EQ(samples[39999], static_cast<int8_t>(39999 & 0xFF) * 256);
}

TEST_F(RawImportTest, RefusalsAndCancelWriteOneLineAndNoFile) {
  for (const int32_t coding : {4, -1}) {
    log.lines.clear();
    settings.ImportRAW.Encoding = coding;
    EXPECT_EQ(Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                      LittleEndianSamples({1}), "raw", "smp"),
              "");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("coding " + std::to_string(coding)), std::string::npos);
  }
  settings.ImportRAW.Encoding = 3;
  for (const int32_t channels : {0, 129}) {
    log.lines.clear();
    settings.ImportRAW.nChans = channels;
    EXPECT_EQ(Convert(&WithSection<&ConversionSettings::ImportRAW, &ImportRAW>,
                      LittleEndianSamples({1}), "raw", "smp"),
              "");
    EXPECT_EQ(log.lines.size(), 1u);
  }
}

class RawExportTest : public ConverterFixture {
 protected:
  std::string Export(const std::vector<int16_t>& samples,
                     const std::vector<std::string>& items = {"nchans=1"}) {
    return Convert(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>,
                   SmpFile(items, samples), "smp", "raw");
  }
};

TEST_F(RawExportTest, DefaultsWriteTheDataAreaAsItIs) {
  const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1000};
  EXPECT_EQ(Export(samples), LittleEndianSamples(samples));
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.smp -> out.raw"});
}

TEST_F(RawExportTest, HeaderBytesAreZerosBeforeTheSamples) {
  settings.ExportRAW.HeaderBytes = 100000;
  EXPECT_EQ(Export({3, 4}), std::string(100000, '\0') + LittleEndianSamples({3, 4}));
  settings.ExportRAW.HeaderBytes = -5;
  EXPECT_EQ(Export({3}), LittleEndianSamples({3}));
}

TEST_F(RawExportTest, SixteenBitOffsetBinaryBigEndianIgnoresFitting) {
  settings.ExportRAW.Signed = false;
  settings.ExportRAW.MSBFirst = true;
  EXPECT_EQ(Export({0, -32768, 32767, 100}), Bytes({0x80, 0, 0, 0, 0xFF, 0xFF, 0x80, 0x64}));
}

TEST_F(RawExportTest, CompandedCodingsWithoutFitting) {
  settings.ExportRAW.FitAmplitude = false;
  settings.ExportRAW.Encoding = 0;
  EXPECT_EQ(Export({0, 32767, -32768}), Bytes({0xFF, 0x80, 0x00}));
  settings.ExportRAW.Encoding = 1;
  EXPECT_EQ(Export({0, 32767, -32768}), Bytes({0xD5, 0xAA, 0x2A}));
}

TEST_F(RawExportTest, EightBitLinearRepresentationsAndFitting) {
  settings.ExportRAW.Encoding = 2;
  settings.ExportRAW.DitherNoise = false;
  settings.ExportRAW.FitAmplitude = false;
  EXPECT_EQ(Export({0, 256, -32768, 1000, -1000}), Bytes({0x00, 0x01, 0x80, 0x03, 0xFC}));
  settings.ExportRAW.Signed = false;
  EXPECT_EQ(Export({0, 256, -32768}), Bytes({0x80, 0x81, 0x00}));
  // Fitting brings 1000 to 32767 and -1000 to -32767.
  settings.ExportRAW.Signed = true;
  settings.ExportRAW.FitAmplitude = true;
  EXPECT_EQ(Export({1000, -1000, 0}), Bytes({0x7F, 0x80, 0x00}));
}

TEST_F(RawExportTest, DitherMovesSilenceByAtMostOneStep) {
  settings.ExportRAW.Encoding = 2;
  settings.ExportRAW.FitAmplitude = false;
  const std::string bytes = Export(std::vector<int16_t>(2000, 0));
  const std::set<char> seen(bytes.begin(), bytes.end());
  EXPECT_EQ(seen, (std::set<char>{'\x00', '\xFF'}));
}

TEST_F(RawExportTest, SplitRateFilesAreWrittenAsStored) {
  const std::vector<int16_t> samples = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Export(samples, {"nchans=3", "scan=0,1,0,2"}), LittleEndianSamples(samples));
}

TEST_F(RawExportTest, RefusalsWriteOneLineAndNoFile) {
  settings.ExportRAW.Encoding = 7;
  EXPECT_EQ(Export({1}), "");
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("coding 7"), std::string::npos);

  settings.ExportRAW.Encoding = 3;
  log.lines.clear();
  EXPECT_EQ(Convert(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>, "", "smp", "raw"),
            "");
  EXPECT_EQ(log.lines.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(outPath));

  // ExportRAW.Extension ".smp" names the input itself.
  const std::string source = SmpFile({"nchans=1"}, {1, 2});
  WriteFile(inPath, source);
  log.lines.clear();
  ConversionContext context = Context();
  ExportRAW(context, settings.ExportRAW, inPath, inPath);
  EXPECT_EQ(ReadFile(inPath), source);
  EXPECT_EQ(log.lines.size(), 2u);
}

}  // namespace
}  // namespace vorsel::test
