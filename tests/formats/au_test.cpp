#include "formats/au.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codings/g711.h"
#include "tests/formats/au_aiff_test_support.h"

namespace vorsel::test {
namespace {

class AuExport : public ConverterTest {
 protected:
  // Exports the source and returns the AU file's bytes.
  std::string Export(const std::string& smpBytes) {
    WriteFile(Path("in.smp"), smpBytes);
    ConversionContext context = Context();
    ExportAU(context, settings.ExportAU, Path("in.smp"), Path("out.au"));
    return std::filesystem::exists(Path("out.au")) ? ReadFile(Path("out.au")) : std::string();
  }

  void Plain(int32_t encoding) {
    settings.ExportAU.Encoding = encoding;
    settings.ExportAU.FitAmplitude = false;
    settings.ExportAU.DitherNoise = false;
  }
};

TEST_F(AuExport, DefaultsWriteSixteenBitBigEndianAfterThe24ByteHeader) {
  const std::vector<int16_t> samples = Spread(1000);
  const std::string au = Export(SmpFile(SourceItems("8000", "1"), samples));
  ASSERT_EQ(au.size(), 2024u);
  EXPECT_EQ(au.substr(0, 24), Bytes({0x2E, 0x73, 0x6E, 0x64, 0, 0, 0,    0x18, 0, 0, 0x07, 0xD0,
                                     0,    0,    0,    0x03, 0, 0, 0x1F, 0x40, 0, 0, 0,    0x01}));
  EXPECT_EQ(au.substr(24), SamplesBE16(samples));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.smp -> out.au"}));
}

TEST_F(AuExport, EmbeddedHeadSitsDirectlyAfterTheHeaderWithALittleEndianSize) {
  settings.ExportAU.StoreSMPHeader = true;
  const std::vector<int16_t> samples = Spread(1000);
  const std::string source = SmpFile(SourceItems("8000", "1", {"custom=kept"}), samples);
  const std::string au = Export(source);
  ASSERT_EQ(au.size(), 24u + 8 + 1024 + 2000);
  EXPECT_EQ(au.substr(4, 4), Bytes({0, 0, 0x04, 0x20}));
  EXPECT_EQ(au.substr(8, 4), Bytes({0, 0, 0x07, 0xD0}));
  EXPECT_EQ(au.substr(24, 8), "kelm" + Bytes({0, 0x04, 0, 0}));
  EXPECT_EQ(au.substr(32, 1024), source.substr(0, 1024));
  EXPECT_EQ(au.substr(1056), SamplesBE16(samples));
}

TEST_F(AuExport, EightBitCodingsWriteOneBytePerSampleAndTheirEncodingNumber) {
  const std::vector<int16_t> samples = {0, 1000, -1000, 32767, -32768};
  const std::string source = SmpFile(SourceItems("8000", "1"), samples);
  struct Case {
    int32_t setting;
    uint32_t encoding;
    std::string data;
  };
  const std::vector<Case> cases = {
      {0, 1, Bytes({0xFF, 0xCE, 0x4E, 0x80, 0x00})},
      {1, 27, Bytes({0xD5, 0xFA, 0x7A, 0xAA, 0x2A})},
      {2, 2, Bytes({0x00, 0x03, 0xFC, 0x7F, 0x80})},
  };
  for (const Case& c : cases) {
    Plain(c.setting);
    const std::string au = Export(source);
    ASSERT_EQ(au.size(), 24u + 5) << c.setting;
    EXPECT_EQ(ReadBE32(au, 8), 5u) << c.setting;
    EXPECT_EQ(ReadBE32(au, 12), c.encoding) << c.setting;
    EXPECT_EQ(au.substr(24), c.data) << c.setting;
  }
}

TEST_F(AuExport, MuLawOfAThousandSamplesGivesEncodingOneAndSizeAThousand) {
  settings.ExportAU.Encoding = 0;
  const std::string au = Export(SmpFile(SourceItems("8000", "1"), Spread(1000)));
  ASSERT_EQ(au.size(), 1024u);
  EXPECT_EQ(ReadBE32(au, 8), 1000u);
  EXPECT_EQ(ReadBE32(au, 12), 1u);
}

TEST_F(AuExport, FittingBringsThePeakToFullScaleForEightBitCodings) {
  // Minimum -1000 and maximum 1000: AU fits also equal magnitudes (32767 / 1000 without dither).
  settings.ExportAU.Encoding = 0;
  settings.ExportAU.DitherNoise = false;
  const std::string au = Export(SmpFile(SourceItems("8000", "1"), {1000, -1000, 0}));
  EXPECT_EQ(au.substr(24), Bytes({0x80, 0x00, 0xFF}));
}

TEST_F(AuExport, SixteenBitSamplesAreNeverScaled) {
  settings.ExportAU.Encoding = 3;  // fitting and dither on by default
  const std::vector<int16_t> samples = {100, -100, 7};
  EXPECT_EQ(Export(SmpFile(SourceItems("8000", "1"), samples)).substr(24), SamplesBE16(samples));
}

TEST_F(AuExport, WideCodingsPutTheScaledSampleInTheTopSixteenBits) {
  const std::string source = SmpFile(SourceItems("8000", "1"), {0x1234, -2, 0});
  Plain(4);
  std::string au = Export(source);
  EXPECT_EQ(ReadBE32(au, 8), 9u);
  EXPECT_EQ(ReadBE32(au, 12), 4u);
  EXPECT_EQ(au.substr(24), Bytes({0x12, 0x34, 0, 0xFF, 0xFE, 0, 0, 0, 0}));
  Plain(5);
  au = Export(source);
  EXPECT_EQ(ReadBE32(au, 8), 12u);
  EXPECT_EQ(ReadBE32(au, 12), 5u);
  EXPECT_EQ(au.substr(24), Bytes({0x12, 0x34, 0, 0, 0xFF, 0xFE, 0, 0, 0, 0, 0, 0}));

  settings.ExportAU.Encoding = 4;
  settings.ExportAU.FitAmplitude = true;
  au = Export(SmpFile(SourceItems("8000", "1"), {1000, -1000}));
  EXPECT_EQ(au.substr(24), Bytes({0x7F, 0xFF, 0, 0x80, 0x01, 0}));
}

TEST_F(AuExport, CodingsWithoutASampleConversionAreRefusedWithoutOutput) {
  for (const int32_t encoding : {6, 7, 8, -1, 9}) {
    log.lines.clear();
    settings.ExportAU.Encoding = encoding;
    EXPECT_EQ(Export(SmpFile(SourceItems("8000", "1"), Spread(10))), "") << encoding;
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "in.smp -> out.au",
                             Path("in.smp") + ": coding " + std::to_string(encoding) +
                                 " of ExportAU.Encoding is not supported. Conversion aborted."}));
  }
}

TEST_F(AuExport, RateIsSfTotPerChannelRoundedToEven) {
  std::string au = Export(SmpFile(SourceItems("11025", "2"), Spread(8)));
  EXPECT_EQ(ReadBE32(au, 16), 5512u);
  EXPECT_EQ(ReadBE32(au, 20), 2u);
  // Split-rate files are written as stored, at SfTot shared by the channels.
  au = Export(SmpFile(SourceItems("32000", "3", {"scan=0,1,0,2"}), Spread(8)));
  EXPECT_EQ(ReadBE32(au, 16), 10667u);
  EXPECT_EQ(ReadBE32(au, 20), 3u);
  EXPECT_EQ(au.substr(24), SamplesBE16(Spread(8)));
}

TEST_F(AuExport, SizeCountsTheWholeScansThatFollow) {
  // Five samples of a stereo file end in a partial scan, plus an odd byte.
  const std::string au = Export(SmpFile(SourceItems("16000", "2"), Spread(5)) + "x");
  EXPECT_EQ(ReadBE32(au, 8), 8u);
  EXPECT_EQ(au.substr(24), SamplesBE16(Spread(4)));
}

class AuImport : public ConverterTest {
 protected:
  // Imports the bytes and returns the SMP file (empty when none was written).
  std::string Import(const std::string& auBytes) {
    WriteFile(Path("in.au"), auBytes);
    ConversionContext context = Context();
    ImportAU(context, settings.ImportAU, Path("in.au"), Path("out.smp"));
    return std::filesystem::exists(Path("out.smp")) ? ReadFile(Path("out.smp")) : std::string();
  }
};

TEST_F(AuImport, MuLawWithAnAllOnesDataSizeRunsToTheEndOfTheFile) {
  settings.ImportAU.ViewLo = -5;
  const std::string smp =
      Import(AuHeader(24, 0xFFFFFFFF, 1, 8000, 1) + Bytes({0xFF, 0x80, 0x00, 0x7F, 0x8F}));
  const std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{0, 32124, -32124, 0, MuLawToLinear(0x8F)}));
  EXPECT_EQ(ItemValue(items, "sftot"), "8000");
  EXPECT_EQ(ItemValue(items, "nchans"), "1");
  EXPECT_EQ(ItemValue(items, "msb"), "last");
  EXPECT_EQ(ItemValue(items, "view"), "-5,1");
  EXPECT_EQ(ItemValue(items, "range"), "-32768,32768");
  EXPECT_EQ(ItemValue(items, "proc0"), "Vorsel from " + Path("in.au"));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.au -> out.smp"}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AuImport, SixteenBitFieldsAreUnsignedAndSamplesBigEndian) {
  const std::vector<int16_t> samples = {1, -2, 0x1234, -32768, 32767, 0};
  const std::string smp = Import(AuHeader(24, 0x00000180, 3, 16000, 2) + SamplesBE16(samples));
  const std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(SmpFileSamples(smp), samples);
  EXPECT_EQ(ItemValue(items, "sftot"), "32000");
  EXPECT_EQ(ItemValue(items, "nchans"), "2");
}

TEST_F(AuImport, EightBitLinearAndALawDecode) {
  EXPECT_EQ(SmpFileSamples(Import(AuHeader(24, 4, 2, 8000, 1) + Bytes({0x80, 0x7F, 0x01, 0}))),
            (std::vector<int16_t>{-32768, 32512, 256, 0}));
  EXPECT_EQ(SmpFileSamples(Import(AuHeader(24, 4, 27, 8000, 1) + Bytes({0xD5, 0x55, 0xAA, 0x2A}))),
            (std::vector<int16_t>{8, -8, 32256, -32256}));
}

TEST_F(AuImport, SamplesStartAtTheDataOffsetAndAnOddLastByteIsDropped) {
  const std::string annotation(16, 'a');
  const std::string smp =
      Import(AuHeader(40, 5, 3, 8000, 1) + annotation + SamplesBE16({5, -5}) + "z");
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{5, -5}));
}

TEST_F(AuImport, AFileShorterThanItsDataSizeConvertsWithAWarning) {
  const std::string smp = Import(AuHeader(24, 10, 3, 8000, 1) + SamplesBE16({5, -5}));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{5, -5}));
  EXPECT_EQ(log.lines.back(), Path("in.au") + " ends 6 bytes before its header says");
  // The unknown size of a streamed file is no shortage.
  log.lines.clear();
  Import(AuHeader(24, 0xFFFFFFFF, 3, 8000, 1) + SamplesBE16({5, -5}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.au -> out.smp"}));
}

TEST_F(AuImport, ADataOffsetBeyondTheFileGivesAHeadWithoutSamples) {
  const std::string smp = Import(AuHeader(5000, 4, 3, 8000, 1) + SamplesBE16({5, -5}));
  EXPECT_EQ(smp.size(), 1024u);
  EXPECT_EQ(ItemValue(SmpItems(smp), "sftot"), "8000");
}

TEST_F(AuImport, FilesThatAreNoImportableAuGetAMessageBoxAndNoOutput) {
  const std::vector<std::string> inputs = {
      ".snd" + BE32(24) + BE32(0),  AuHeader(24, 0, 3, 8000, 1).replace(0, 4, "snd."),
      AuHeader(24, 0, 8, 8000, 1),  AuHeader(24, 0, 23, 8000, 1),
      AuHeader(24, 0, 24, 8000, 1),
  };
  for (const std::string& input : inputs) {
    boxes.shown.clear();
    EXPECT_EQ(Import(input), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Path("in.au") + " does not appear to be a AU file");
    EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
    EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
  }
}

TEST_F(AuImport, ChannelCountsAnSmpFileCannotHoldAreRefused) {
  for (const uint32_t channels : {0u, 129u, 0xFFFFFFFFu}) {
    boxes.shown.clear();
    EXPECT_EQ(Import(AuHeader(24, 2, 3, 8000, channels) + SamplesBE16({1})), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Path("in.au") + " has " + std::to_string(channels) +
                                       " channels and cannot be imported");
  }
}

TEST_F(AuImport, AnEmbeddedHeadIsRestoredAndTheHeaderFieldsOverrideIt) {
  settings.ImportAU.ViewLo = -5;
  settings.ImportAU.MSBFirst = true;
  const std::string head = SmpHead({"head=1024", "sftot=1", "nchans=7", "msb=last", "view=-2,2",
                                    "custom=kept", "proc0=made here"});
  const std::string smp = Import(AuHeader(24 + 8 + 1024, 4, 3, 8000, 2) + "kelm" + U32(1024) +
                                 head + SamplesBE16({3, -3}));
  const std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(ItemValue(items, "view"), "-2,2");
  EXPECT_EQ(ItemValue(items, "custom"), "kept");
  EXPECT_EQ(ItemValue(items, "sftot"), "16000");
  EXPECT_EQ(ItemValue(items, "nchans"), "2");
  EXPECT_EQ(ItemValue(items, "msb"), "first");
  EXPECT_EQ(ItemValue(items, "proc0"), "made here");
  EXPECT_EQ(ItemValue(items, "proc1"), "Vorsel from " + Path("in.au"));
  EXPECT_EQ(smp.substr(1024), Bytes({0, 3, 0xFF, 0xFD}));
}

TEST_F(AuImport, AHeadChunkSizeOutsideOneTo32767RestoresNothing) {
  settings.ImportAU.ViewLo = -5;
  const std::string head = SmpHead({"view=-2,2"}, 16);
  for (const uint32_t size : {0u, 32768u, 0xFFFFFFF0u}) {
    const std::string smp =
        Import(AuHeader(24 + 8 + 16, 2, 3, 8000, 1) + "kelm" + U32(size) + head + SamplesBE16({9}));
    EXPECT_EQ(ItemValue(SmpItems(smp), "view"), "-5,1") << size;
    EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{9})) << size;
  }
}

// SMP -> AU -> SMP with the head embedded: every item comes back, with the AU header's rate
// and channels, the import's byte order and one more processing step.
TEST_F(AuImport, AStoredHeadSurvivesTheRoundTripInEveryImportableCoding) {
  const std::vector<int16_t> samples = {0, 1200, -1200, 32000, -32000, 5};
  const std::string source = SmpFile(SourceItems("22050", "2",
                                                 {"view=-3,3,Pa", "range=-100,100", "custom=kept",
                                                  "date=01.02.2003 04:05:06", "proc0=recorded"}),
                                     samples);
  for (const int32_t encoding : {0, 1, 2, 3, 4, 5}) {
    settings.ExportAU.Encoding = encoding;
    settings.ExportAU.StoreSMPHeader = true;
    settings.ExportAU.FitAmplitude = false;
    settings.ExportAU.DitherNoise = false;
    settings.ImportAU.ViewLo = -5;
    WriteFile(Path("in.smp"), source);
    ConversionContext context = Context();
    ExportAU(context, settings.ExportAU, Path("in.smp"), Path("in.au"));
    ImportAU(context, settings.ImportAU, Path("in.au"), Path("out.smp"));
    const std::string smp = ReadFile(Path("out.smp"));
    const std::vector<std::string> items = SmpItems(smp);
    for (const std::string name : {"view", "range", "custom", "date", "proc0", "file"}) {
      EXPECT_EQ(ItemValue(items, name), ItemValue(SmpItems(source), name)) << name << encoding;
    }
    EXPECT_EQ(ItemValue(items, "sftot"), "22050");
    EXPECT_EQ(ItemValue(items, "nchans"), "2");
    EXPECT_EQ(ItemValue(items, "proc1"), "Vorsel from " + Path("in.au"));
    EXPECT_FALSE(HasItem(items, "proc2"));
    if (encoding >= 3) {
      EXPECT_EQ(SmpFileSamples(smp), samples) << encoding;
    } else {
      EXPECT_EQ(SmpFileSamples(smp).size(), samples.size());
    }
  }
}

}  // namespace
}  // namespace vorsel::test
