#include "formats/aiff.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tests/formats/au_aiff_test_support.h"

namespace vorsel::test {
namespace {

class AiffExport : public ConverterTest {
 protected:
  // Exports the source and returns the AIFF file's bytes (empty when none was written).
  std::string Export(const std::string& smpBytes) {
    WriteFile(Path("in.smp"), smpBytes);
    ConversionContext context = Context();
    ExportAIFF(context, settings.ExportAIF, Path("in.smp"), Path("out.aif"));
    return std::filesystem::exists(Path("out.aif")) ? ReadFile(Path("out.aif")) : std::string();
  }
};

TEST_F(AiffExport, DefaultsWriteCommAndSixteenBitSoundData) {
  const std::vector<int16_t> samples = Spread(1000);
  const std::string aif = Export(SmpFile(SourceItems("16000", "1"), samples));
  ASSERT_EQ(aif.size(), 2054u);
  EXPECT_EQ(aif.substr(0, 12), "FORM" + Bytes({0, 0, 0x07, 0xFE}) + "AIFF");
  EXPECT_EQ(aif.substr(12, 26),
            "COMM" + Bytes({0,    0,    0,    18,   0x00, 0x01, 0x00, 0x00, 0x03, 0xE8, 0x00,
                            0x10, 0x40, 0x0C, 0xFA, 0,    0,    0,    0,    0,    0,    0}));
  EXPECT_EQ(aif.substr(38, 16), "SSND" + Bytes({0, 0, 0x07, 0xD8, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(aif.substr(54), SamplesBE16(samples));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.smp -> out.aif"}));
}

TEST_F(AiffExport, StereoAt11025TotalKeepsTheExactRateAndCountsFrames) {
  const std::string aif = Export(SmpFile(SourceItems("11025", "2"), Spread(10)));
  EXPECT_EQ(aif.substr(20, 18), BE16(2) + BE32(5) + BE16(16) + kExtended5512_5);
}

TEST_F(AiffExport, ChannelStatusItemBecomesAnAesdChunk) {
  struct Case {
    std::string item;
    std::string bytes;  // empty: no chunk
  };
  const std::vector<Case> cases = {
      {"1,2,3", Bytes({1, 2, 3}) + std::string(21, '\3')},
      {"300", std::string(24, '\x2C')},
      {"-1,+2", Bytes({0xFF}) + std::string(23, '\2')},
      {"1,,3", ""},
      {"1,x,3", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> extra =
        c.item.empty() ? std::vector<std::string>{}
                       : std::vector<std::string>{"AES/EBUchstatus=" + c.item};
    const std::string aif = Export(SmpFile(SourceItems("16000", "1", extra), {1, 2}));
    if (c.bytes.empty()) {
      EXPECT_EQ(aif.substr(38, 4), "SSND") << c.item;
      EXPECT_EQ(ReadBE32(aif, 4), 46u + 4) << c.item;
    } else {
      EXPECT_EQ(aif.substr(38, 32), "AESD" + BE32(24) + c.bytes) << c.item;
      EXPECT_EQ(ReadBE32(aif, 4), 46u + 4 + 32) << c.item;
      EXPECT_EQ(aif.substr(70, 4), "SSND") << c.item;
    }
  }
}

TEST_F(AiffExport, StoredHeadGoesIntoAnApplChunkAfterTheStatus) {
  settings.ExportAIF.StoreSMPHeader = true;
  const std::string source =
      SmpFile(SourceItems("16000", "1", {"AES/EBUchstatus=5"}), Spread(1000));
  const std::string aif = Export(source);
  EXPECT_EQ(ReadBE32(aif, 4), 46u + 2000 + 32 + 1036);
  EXPECT_EQ(aif.substr(70, 12), "APPL" + Bytes({0, 0, 0x04, 0x04}) + "kelm");
  EXPECT_EQ(aif.substr(82, 1024), source.substr(0, 1024));
  EXPECT_EQ(aif.substr(1106, 8), "SSND" + BE32(2008));
}

TEST_F(AiffExport, EightBitIsSignedAndAnOddChunkGetsItsPadByte) {
  settings.ExportAIF.Encoding = 0;
  settings.ExportAIF.FitAmplitude = false;
  settings.ExportAIF.DitherNoise = false;
  const std::string aif = Export(SmpFile(SourceItems("8000", "1"), {0, -32768, 32767, 255, 256}));
  ASSERT_EQ(aif.size(), 60u);
  EXPECT_EQ(ReadBE32(aif, 4), 52u);
  EXPECT_EQ(aif.substr(26, 2), BE16(8));
  EXPECT_EQ(aif.substr(38, 8), "SSND" + BE32(13));
  EXPECT_EQ(aif.substr(54), Bytes({0x00, 0x80, 0x7F, 0x00, 0x01, 0x00}));
}

TEST_F(AiffExport, EightBitFittingScalesToFullRange) {
  settings.ExportAIF.Encoding = 0;
  settings.ExportAIF.DitherNoise = false;
  const std::string aif = Export(SmpFile(SourceItems("8000", "1"), {1000, -1000}));
  EXPECT_EQ(aif.substr(54), Bytes({0x7F, 0x80}));
}

TEST_F(AiffExport, SizesCountTheWholeScansThatFollow) {
  const std::string aif = Export(SmpFile(SourceItems("16000", "2"), Spread(5)) + "x");
  EXPECT_EQ(ReadBE32(aif, 4), 46u + 8);
  EXPECT_EQ(ReadBE32(aif, 22), 2u);
  EXPECT_EQ(ReadBE32(aif, 42), 16u);
  EXPECT_EQ(aif.substr(54), SamplesBE16(Spread(4)));
}

TEST_F(AiffExport, RefusalsLeaveOneLineAndNoOutput) {
  const std::string in = Path("in.smp");
  EXPECT_EQ(Export(SmpFile(SourceItems("32000", "3", {"scan=0,1,0,2"}), Spread(8))), "");
  EXPECT_EQ(log.lines.back(), in + " has split rate! Conversion aborted.");

  settings.ExportAIF.Encoding = 2;
  EXPECT_EQ(Export(SmpFile(SourceItems("16000", "1"), Spread(8))), "");
  EXPECT_EQ(log.lines.back(),
            in + ": coding 2 of ExportAIF.Encoding is not supported. Conversion aborted.");
}

class AiffImport : public ConverterTest {
 protected:
  std::string Import(const std::string& aiffBytes) {
    WriteFile(Path("in.aif"), aiffBytes);
    ConversionContext context = Context();
    ImportAIFF(context, settings.ImportAIF, Path("in.aif"), Path("out.smp"));
    return std::filesystem::exists(Path("out.smp")) ? ReadFile(Path("out.smp")) : std::string();
  }
};

TEST_F(AiffImport, EightBitSamplesAreSigned) {
  settings.ImportAIF.ViewLo = -5;
  const std::string smp =
      Import(Form("AIFF", ChunkBE("COMM", CommBody(1, 3, 8, kExtended8000)) +
                              ChunkBE("SSND", SsndBody(Bytes({0x80, 0x7F, 0x01})))));
  const std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{-32768, 32512, 256}));
  EXPECT_EQ(ItemValue(items, "file"), "samp");
  EXPECT_EQ(ItemValue(items, "sftot"), "8000");
  EXPECT_EQ(ItemValue(items, "nchans"), "1");
  EXPECT_EQ(ItemValue(items, "view"), "-5,1");
  EXPECT_EQ(ItemValue(items, "proc0"), "Vorsel from " + Path("in.aif"));
  EXPECT_FALSE(HasItem(items, "AES/EBUchstatus"));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.aif -> out.smp"}));
}

TEST_F(AiffImport, TwelveBitWordsAreTakenAsTheyAre) {
  const std::vector<int16_t> words = {0x1230, -16, 0x7FF0, 0};
  const std::string smp = Import(Form("AIFF", ChunkBE("COMM", CommBody(2, 2, 12, kExtended16000)) +
                                                  ChunkBE("SSND", SsndBody(SamplesBE16(words)))));
  EXPECT_EQ(SmpFileSamples(smp), words);
  EXPECT_EQ(ItemValue(SmpItems(smp), "sftot"), "32000");
  EXPECT_EQ(ItemValue(SmpItems(smp), "nchans"), "2");
}

TEST_F(AiffImport, StatusChunkGivesTheItemAndEmphasisFromBitThree) {
  const std::string comm = ChunkBE("COMM", CommBody(1, 0, 16, kExtended8000));
  std::string smp =
      Import(Form("AIFF", comm + ChunkBE("AESD", Bytes({0x0D, 1, 2}) + std::string(21, '\0')) +
                              ChunkBE("SSND", SsndBody(""))));
  std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(ItemValue(items, "AES/EBUchstatus"),
            "13,1,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(ItemValue(items, "emphz"), "50");
  EXPECT_EQ(ItemValue(items, "emphp"), "15");

  smp = Import(Form("AIFF", comm + ChunkBE("AESD", Bytes({0x05}) + std::string(23, '\xFF'))));
  items = SmpItems(smp);
  EXPECT_EQ(ItemValue(items, "AES/EBUchstatus"),
            "5,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,"
            "255,255,255");
  EXPECT_FALSE(HasItem(items, "emphz"));
  EXPECT_FALSE(HasItem(items, "emphp"));

  // A status chunk of another length removes an item that a restored head carried.
  const std::string head = SmpHead({"head=1024", "AES/EBUchstatus=1,2,3"});
  smp = Import(Form(
      "AIFF", comm + ChunkBE("APPL", "kelm" + head) + ChunkBE("AESD", std::string(23, '\x08'))));
  EXPECT_FALSE(HasItem(SmpItems(smp), "AES/EBUchstatus"));
  EXPECT_FALSE(HasItem(SmpItems(smp), "emphz"));
}

TEST_F(AiffImport, UncompressedAifcIsImportedLikeAiff) {
  const std::string comm = CommBody(1, 2, 16, kExtended8000) + "NONE" + "\x0Enot compressed" + '\0';
  const std::string smp =
      Import(Form("AIFC", ChunkBE("FVER", BE32(0xA2805140)) + ChunkBE("COMM", comm) +
                              ChunkBE("SSND", SsndBody(SamplesBE16({7, -7})))));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{7, -7}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AiffImport, CompressedAifcGetsAMessageBoxAndLeavesNoFile) {
  const std::string ima4 = CommBody(1, 2, 16, kExtended8000) + "ima4" + std::string(2, '\0');
  const std::string sound = ChunkBE("SSND", SsndBody(SamplesBE16({7, -7})));
  for (const std::string& chunks : {ChunkBE("COMM", ima4) + sound, sound + ChunkBE("COMM", ima4)}) {
    boxes.shown.clear();
    WriteFile(Path("out.smp"), "an older file");
    EXPECT_EQ(Import(Form("AIFC", chunks)), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "ima4 compressed files are not supported");
    EXPECT_EQ(boxes.shown[0].caption, "Unsupported file format");
    EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

TEST_F(AiffImport, LittleEndianWideSamplesRoundToSixteenBits) {
  // 0x000080, -0x000080 and 0x7FFF80, least significant byte first.
  const std::string int24("\x80\x00\x00\x80\xFF\xFF\x80\xFF\x7F", 9);
  const std::string comm = CommBody(1, 3, 24, kExtended8000) + "sowt" + std::string(2, '\0');
  const std::string smp =
      Import(Form("AIFC", ChunkBE("COMM", comm) + ChunkBE("SSND", SsndBody(int24))));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{1, 0, 32767}));
  EXPECT_EQ(log.lines.back(), "24-bit samples reduced to 16 bits");
}

TEST_F(AiffImport, WiderSamplesAreRefusedAndTheRestOfTheirChunkIsSkipped) {
  // 12 bits and fewer are words of 16 or 8 bits; 20 and 36 have no coding here.
  // The status chunk after the refused sound data is still found.
  for (const int16_t bits : {20, 36}) {
    log.lines.clear();
    const std::string smp =
        Import(Form("AIFF", ChunkBE("COMM", CommBody(1, 2, bits, kExtended8000)) +
                                ChunkBE("SSND", SsndBody(std::string(6, '\x41'))) +
                                ChunkBE("AESD", std::string(24, '\1'))));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"in.aif -> out.smp",
                                                   "Bits per sample of " + std::to_string(bits) +
                                                       "is not supported. Conversion aborted."}));
    EXPECT_EQ(smp.size(), 1024u);
    EXPECT_EQ(ItemValue(SmpItems(smp), "AES/EBUchstatus").substr(0, 4), "1,1,");
  }
}

TEST_F(AiffImport, SoundDataBeforeAnyCommHasSampleSizeMinusOne) {
  const std::string smp =
      Import(Form("AIFF", ChunkBE("SSND", SsndBody(SamplesBE16({1}))) +
                              ChunkBE("COMM", CommBody(1, 1, 16, kExtended8000))));
  EXPECT_EQ(log.lines.back(), "Bits per sample of -1is not supported. Conversion aborted.");
  EXPECT_EQ(smp.size(), 1024u);
}

TEST_F(AiffImport, TruncatedFileKeepsTheSamplesReadSoFar) {
  const std::string whole = Form("AIFF", ChunkBE("COMM", CommBody(1, 3, 16, kExtended8000)) +
                                             ChunkBE("SSND", SsndBody(SamplesBE16({4, 5, 6}))));
  const std::string smp = Import(whole.substr(0, whole.size() - 2));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{4, 5}));
  EXPECT_EQ(log.lines.back(), Path("in.aif") + " ends 2 bytes before its header says");
}

TEST_F(AiffImport, SizesAreUnsignedAndBeyondTheEndMeanTheEnd) {
  const std::string comm = ChunkBE("COMM", CommBody(1, 3, 16, kExtended8000));
  const std::string sound = SsndBody(SamplesBE16({4, 5, -6}));
  // A file written to a pipe: FORM and sound data sizes are 0xFFFFFFFF, and say nothing.
  std::string smp = Import(Form("AIFF", comm + "SSND" + BE32(0xFFFFFFFF) + sound, 0xFFFFFFFF));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{4, 5, -6}));
  EXPECT_EQ(log.lines.size(), 1u) << log.lines.back();

  // Sizes of 2^31 and more that the file does not reach: all samples, and one warning.
  log.lines.clear();
  smp = Import(Form("AIFF", comm + "SSND" + BE32(0x80000000) + sound, 0x80000010));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{4, 5, -6}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.aif -> out.smp",
                                                 Path("in.aif") + " ends " +
                                                     std::to_string(0x80000000 - sound.size()) +
                                                     " bytes before its header says"}));
}

TEST_F(AiffImport, OddChunksAreSkippedWithTheirPadByte) {
  const std::string smp = Import(
      Form("AIFF", ChunkBE("NAME", "abc") + ChunkBE("COMM", CommBody(1, 1, 16, kExtended8000)) +
                       ChunkBE("APPL", "othr1") + ChunkBE("SSND", SsndBody(SamplesBE16({-9})))));
  EXPECT_EQ(SmpFileSamples(smp), (std::vector<int16_t>{-9}));
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(AiffImport, AnApplHeadIsRestoredBeforeTheSamples) {
  settings.ImportAIF.ViewLo = -5;
  settings.ImportAIF.MSBFirst = true;
  const std::string head =
      SmpHead({"head=2048", "view=-2,2", "custom=kept", "file=other", "nchans=9"}, 2048);
  const std::string smp = Import(Form(
      "AIFF", ChunkBE("COMM", CommBody(2, 1, 16, kExtended8000)) + ChunkBE("APPL", "kelm" + head) +
                  ChunkBE("SSND", SsndBody(SamplesBE16({1, -1}))) +
                  ChunkBE("APPL", "kelm" + SmpHead({"late=ignored"}))));
  const std::vector<std::string> items = SmpItems(smp);
  EXPECT_EQ(ItemValue(items, "view"), "-2,2");
  EXPECT_EQ(ItemValue(items, "custom"), "kept");
  EXPECT_EQ(ItemValue(items, "file"), "samp");
  EXPECT_EQ(ItemValue(items, "nchans"), "2");
  EXPECT_EQ(ItemValue(items, "sftot"), "16000");
  EXPECT_EQ(ItemValue(items, "msb"), "first");
  EXPECT_FALSE(HasItem(items, "late"));
  EXPECT_EQ(smp.size(), 2048u + 4);
  EXPECT_EQ(smp.substr(2048), Bytes({0, 1, 0xFF, 0xFF}));
  EXPECT_EQ(log.lines.back(),
            Path("in.aif") + " has an SMP header chunk after its samples; that header is ignored.");
}

TEST_F(AiffImport, FilesThatAreNoAiffGetAMessageBoxAndNoOutput) {
  for (const std::string& input :
       {std::string("FORM"), Form("WAVE", ""), "RIFF" + BE32(4) + "AIFF"}) {
    boxes.shown.clear();
    EXPECT_EQ(Import(input), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Path("in.aif") + " does not appear to be an AIFF file");
    EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
  }
}

TEST_F(AiffImport, ChannelCountsAnSmpFileCannotHoldAreRefused) {
  EXPECT_EQ(Import(Form("AIFF", ChunkBE("COMM", CommBody(0, 1, 16, kExtended8000)) +
                                    ChunkBE("SSND", SsndBody(SamplesBE16({1}))))),
            "");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, Path("in.aif") + " has 0 channels and cannot be imported");
}

// SMP -> AIFF -> SMP with the head embedded: every item comes back, with COMM's rate and
// channels, the status chunk's items, the import's byte order and one more processing step.
TEST_F(AiffImport, AStoredHeadSurvivesTheRoundTrip) {
  const std::vector<int16_t> samples = {0, 1200, -1200, 32000, -32000, 5};
  const std::string status = "9,2,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3";
  const std::string source =
      SmpFile(SourceItems("44100", "2",
                          {"view=-3,3,Pa", "range=-100,100", "custom=kept",
                           "date=01.02.2003 04:05:06", "proc0=recorded", "AES/EBUchstatus=9,2,3"}),
              samples);
  for (const int32_t encoding : {0, 1}) {
    settings.ExportAIF.Encoding = encoding;
    settings.ExportAIF.StoreSMPHeader = true;
    settings.ImportAIF.ViewLo = -5;
    WriteFile(Path("in.smp"), source);
    ConversionContext context = Context();
    ExportAIFF(context, settings.ExportAIF, Path("in.smp"), Path("in.aif"));
    ImportAIFF(context, settings.ImportAIF, Path("in.aif"), Path("out.smp"));
    const std::string smp = ReadFile(Path("out.smp"));
    const std::vector<std::string> items = SmpItems(smp);
    for (const std::string name : {"view", "range", "custom", "date", "proc0", "file"}) {
      EXPECT_EQ(ItemValue(items, name), ItemValue(SmpItems(source), name)) << name << encoding;
    }
    EXPECT_EQ(ItemValue(items, "sftot"), "44100");
    EXPECT_EQ(ItemValue(items, "nchans"), "2");
    EXPECT_EQ(ItemValue(items, "AES/EBUchstatus"), status);
    EXPECT_EQ(ItemValue(items, "emphz"), "50");
    EXPECT_EQ(ItemValue(items, "proc1"), "Vorsel from " + Path("in.aif"));
    EXPECT_FALSE(HasItem(items, "proc2"));
    if (encoding == 1) {
      EXPECT_EQ(SmpFileSamples(smp), samples);
    } else {
      EXPECT_EQ(SmpFileSamples(smp).size(), samples.size());
    }
  }
}

}  // namespace
}  // namespace vorsel::test
