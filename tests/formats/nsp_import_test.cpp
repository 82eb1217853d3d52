#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/nsp.h"
#include "tests/formats/nsp_test_support.h"

namespace vorsel::test::nsp {
namespace {

class NspImport : public NspTest {
 protected:
  SmpContent Import(const std::string& nspBytes) {
    WriteFile(Path("in.nsp"), nspBytes);
    ConversionContext context = Context();
    ImportNSP(context, settings.ImportNSP, Path("in.nsp"), Path("out.smp"));
    return ReadSmp(Path("out.smp"));
  }

  static std::string Hedr(uint32_t rate, uint32_t frames, uint16_t peakA, uint16_t peakB) {
    return Chunk("HEDR", HeaderBody(kDate, rate, frames, {peakA, peakB}));
  }

  static std::string Hdr8(uint32_t rate, uint32_t frames, int channels) {
    std::vector<uint16_t> peaks(8, 0xFFFF);
    for (int c = 0; c < channels; ++c) {
      peaks[static_cast<size_t>(c)] = 9000;
    }
    return Chunk("HDR8", HeaderBody(kDate, rate, frames, peaks));
  }

  // One chunk per channel of `samples` under the given ids.
  static std::string ChannelChunks(const std::vector<int16_t>& samples, int channels,
                                   const std::vector<std::string>& ids) {
    std::string chunks;
    for (int c = 0; c < channels; ++c) {
      chunks +=
          Chunk(ids[static_cast<size_t>(c)], LittleEndianSamples(ChannelOf(samples, channels, c)));
    }
    return chunks;
  }
};

TEST_F(NspImport, HedrWithoutPeakBIsOneChannel) {
  settings.ImportNSP.ViewLo = -5;
  settings.ImportNSP.Unit = "Pa";
  const std::vector<int16_t> samples = Interleaved(1, 1000);
  const SmpContent smp = Import(
      NspFile(Hedr(16000, 1000, 1999, 0xFFFF) + Chunk("SDA_", LittleEndianSamples(samples))));
  ASSERT_TRUE(smp.opened);
  EXPECT_EQ(smp.nchans, 1);
  EXPECT_EQ(smp.sftot, 16000);
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(smp.Item("nspdate"), kDate);
  EXPECT_EQ(smp.Item("view"), "-5,1,Pa");
  EXPECT_EQ(smp.Item("range"), "-32768,32768");
  EXPECT_EQ(smp.Item("msb"), "last");
  EXPECT_EQ(smp.Item("proc0"), "Vorsel from " + Path("in.nsp"));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.nsp -> out.smp"}));
  EXPECT_GT(ticks, 0);
}

TEST_F(NspImport, StereoInterleavedAndSeparateChunksGiveTheSameSmpSamples) {
  const std::vector<int16_t> samples = Interleaved(2, 700);
  const SmpContent interleaved =
      Import(NspFile(Hedr(22050, 700, 1699, 2699) + Chunk("SDAB", LittleEndianSamples(samples))));
  EXPECT_EQ(interleaved.nchans, 2);
  EXPECT_EQ(interleaved.sftot, 44100);
  EXPECT_EQ(interleaved.samples, samples);

  const SmpContent separate =
      Import(NspFile(Hedr(22050, 700, 1699, 2699) + ChannelChunks(samples, 2, {"SDA_", "SD_B"})));
  EXPECT_EQ(separate.nchans, 2);
  EXPECT_EQ(separate.samples, samples);
}

TEST_F(NspImport, LargeChunksArriveWholeInManyBlocks) {
  const std::vector<int16_t> samples = Interleaved(2, 40000);
  const SmpContent smp =
      Import(NspFile(Hedr(16000, 40000, 0, 0) + ChannelChunks(samples, 2, {"SD_B", "SDA_"})));
  // The chunk ids, not their order, say which channel they hold.
  std::vector<int16_t> swapped;
  for (size_t i = 0; i < samples.size(); i += 2) {
    swapped.push_back(samples[i + 1]);
    swapped.push_back(samples[i]);
  }
  EXPECT_EQ(smp.samples, swapped);
}

TEST_F(NspImport, Hdr8ChannelIndexAboveTheCountGoesToTheLastChannel) {
  const std::vector<int16_t> samples = Interleaved(3, 100);
  const SmpContent smp =
      Import(NspFile(Hdr8(8000, 100, 3) + ChannelChunks(samples, 3, {"SDA_", "SD_B", "SD_5"})));
  EXPECT_EQ(smp.nchans, 3);
  EXPECT_EQ(smp.sftot, 24000);
  EXPECT_EQ(smp.samples, samples);
}

TEST_F(NspImport, DigitIdsCountFromZeroAsWrittenHereOrFromOneAsPraatWritesThem) {
  const std::vector<int16_t> samples = Interleaved(8, 60);
  const std::string header = Hdr8(1000, 60, 8);
  const SmpContent zero = Import(NspFile(
      header +
      ChannelChunks(samples, 8, {"SDA_", "SD_B", "SD_2", "SD_3", "SD_4", "SD_5", "SD_6", "SD_7"})));
  EXPECT_EQ(zero.nchans, 8);
  EXPECT_EQ(zero.samples, samples);

  const SmpContent one = Import(NspFile(
      header +
      ChannelChunks(samples, 8, {"SDA_", "SD_B", "SD_3", "SD_4", "SD_5", "SD_6", "SD_7", "SD_8"})));
  EXPECT_EQ(one.samples, samples);

  // "SD_0" and "SD_1" also name the channels A and B; an unknown fourth character none.
  const std::vector<int16_t> stereo = Interleaved(2, 10);
  const SmpContent numbered = Import(NspFile(
      Hedr(1000, 10, 1, 1) + ChannelChunks(stereo, 2, {"SD_0", "SD_1"}) + Chunk("SD_X", "zz")));
  EXPECT_EQ(numbered.samples, stereo);
}

TEST_F(NspImport, UnevenChannelChunksGiveZerosWhereAChannelHasNoSample) {
  // Channel A has five samples, B three (and an odd byte), the third channel two chunks of two
  // ("SD_5" and "SD_6" both land in it), with a chunk to skip between them.
  const std::string chunks = Hdr8(8000, 5, 3) +
                             Chunk("SDA_", LittleEndianSamples({1, 2, 3, 4, 5})) +
                             Chunk("SD_B", LittleEndianSamples({-1, -2, -3}) + "!") +
                             Chunk("SD_5", LittleEndianSamples({7, 8})) + Chunk("NOTE", "abc") +
                             Chunk("SD_6", LittleEndianSamples({9, 10}));
  const std::vector<int16_t> expected = {1, -1, 7, 2, -2, 8, 3, -3, 9, 4, 0, 10, 5, 0, 0};
  EXPECT_EQ(Import(NspFile(chunks)).samples, expected);
  // An empty interleaved chunk at the end stores nothing but makes the import take the
  // chunks one by one: the same result.
  EXPECT_EQ(Import(NspFile(chunks + Chunk("SDAB", ""))).samples, expected);
  EXPECT_EQ(log.lines.size(), 2u);
}

TEST_F(NspImport, PeakFieldsCountChannelsAndAPeakOf32768IsAChannel) {
  EXPECT_EQ(Import(NspFile(Hedr(8000, 0, 0x8000, 0xFFFF))).nchans, 1);
  EXPECT_EQ(Import(NspFile(Hedr(8000, 0, 0x8000, 0x8000))).nchans, 2);
  EXPECT_EQ(Import(NspFile(Hedr(8000, 0, 0xFFFF, 0x9000))).nchans, 0);
  const std::vector<uint16_t> gaps = {1, 0xFFFF, 2, 0xFFFF, 3, 0xFFFF, 0xFFFF, 4};
  EXPECT_EQ(Import(NspFile(Chunk("HDR8", HeaderBody(kDate, 8000, 0, gaps)))).nchans, 4);
}

TEST_F(NspImport, OddChunksArePaddedAndUnknownChunksSkipped) {
  const std::vector<int16_t> samples = Interleaved(1, 20);
  // A header chunk longer than its fields, an odd NOTE chunk with its pad byte.
  const std::string longHeader =
      Chunk("HEDR", HeaderBody(kDate, 16000, 20, {1019, 0xFFFF}) + "extra!");
  const SmpContent smp = Import(NspFile(longHeader + Chunk("NOTE", "odd") +
                                        Chunk("SDA_", LittleEndianSamples(samples) + "x")));
  EXPECT_EQ(smp.nchans, 1);
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(NspImport, SizesBeyondTheEndReadToTheEndAndACutFileIsNoted) {
  const std::vector<int16_t> samples = Interleaved(1, 50);
  const std::string hedr = Hedr(16000, 50, 1049, 0xFFFF);
  // Written to a pipe: the DS16 and sample chunk sizes are 0xFFFFFFFF, and say nothing.
  SmpContent smp = Import(
      NspFile(hedr + "SDA_" + LE32(0xFFFFFFFF) + test::LittleEndianSamples(samples), 0xFFFFFFFF));
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.nsp -> out.smp"}));

  // A file cut short inside its sample chunk: the samples there, and one warning.
  log.lines.clear();
  const std::string whole = NspFile(hedr + Chunk("SDA_", test::LittleEndianSamples(samples)));
  smp = Import(whole.substr(0, whole.size() - 20));
  EXPECT_EQ(smp.samples, std::vector<int16_t>(samples.begin(), samples.end() - 10));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"in.nsp -> out.smp",
                                      Path("in.nsp") + " ends 20 bytes before its header says"}));
}

TEST_F(NspImport, TruncatedChunkHeaderIsInvalidDataAndKeepsTheSamplesReadSoFar) {
  const std::vector<int16_t> samples = Interleaved(1, 50);
  const std::string whole =
      NspFile(Hedr(16000, 50, 1049, 0xFFFF) + Chunk("SDA_", LittleEndianSamples(samples)) + "SD_B" +
              LE32(100) + std::string(100, '\0'));
  // The file ends in the middle of the second chunk header.
  const SmpContent smp = Import(whole.substr(0, 12 + 40 + 108 + 5));
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.nsp -> out.smp", "Invalid data in in.nsp"}));

  // A header chunk too short for its fields.
  log.lines.clear();
  const SmpContent shortHeader = Import(NspFile(Chunk("HEDR", std::string(20, 'x'))));
  EXPECT_TRUE(shortHeader.samples.empty());
  EXPECT_EQ(log.lines.back(), "Invalid data in in.nsp");
}

TEST_F(NspImport, ChunksBeyondTheDeclaredSizeAreStillRead) {
  // Praat counts only the first sample chunk in the DS16 size.
  const std::vector<int16_t> samples = Interleaved(2, 30);
  const std::string header = Hedr(16000, 30, 1, 1);
  const std::string a = Chunk("SDA_", LittleEndianSamples(ChannelOf(samples, 2, 0)));
  const std::string b = Chunk("SD_B", LittleEndianSamples(ChannelOf(samples, 2, 1)));
  const SmpContent smp =
      Import(NspFile(header + a + b, static_cast<int64_t>(header.size() + a.size())) + "xyz");
  EXPECT_EQ(smp.samples, samples);
  // The three trailing bytes after the declared size make no chunk and no complaint.
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(NspImport, MsbFirstStoresTheSameValuesMostSignificantByteFirst) {
  settings.ImportNSP.MSBFirst = true;
  const std::vector<int16_t> samples = {0x1234, -2, 300};
  const SmpContent smp =
      Import(NspFile(Hedr(16000, 3, 300, 0xFFFF) + Chunk("SDA_", LittleEndianSamples(samples))));
  EXPECT_EQ(smp.Item("msb"), "first");
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(ReadFile(Path("out.smp")).substr(1024, 2), "\x12\x34");
}

TEST_F(NspImport, FilesThatAreNotNspGetAMessageBoxAndNoOutput) {
  for (const std::string& bytes :
       {std::string("RIFF\x10\0\0\0WAVEfmt ", 16), std::string("FORM"),
        std::string("FORMAIFF\0\0\0\0", 12), std::string("FORMDS16\1")}) {
    boxes.shown.clear();
    WriteFile(Path("in.nsp"), bytes);
    ConversionContext context = Context();
    ImportNSP(context, settings.ImportNSP, Path("in.nsp"), Path("out.smp"));
    EXPECT_FALSE(std::filesystem::exists(Path("out.smp")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Path("in.nsp") + " does not appear to be an NSP file");
    EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
    EXPECT_EQ(boxes.shown[0].flags, unsigned{mbOk | mbIconExclamation});
  }
}

TEST_F(NspImport, DateBytesBecomeTheNspdateItem) {
  const std::string latin1 = "M\xE4r 05 14:03:09 2021";
  EXPECT_EQ(
      Import(NspFile(Chunk("HEDR", HeaderBody(latin1, 8000, 0, {1, 0xFFFF})))).Item("nspdate"),
      "M\u00e4r 05 14:03:09 2021");
  const std::string control = std::string("Mar 05\x01", 7) + std::string(13, ' ');
  EXPECT_EQ(
      Import(NspFile(Chunk("HEDR", HeaderBody(control, 8000, 0, {1, 0xFFFF})))).Item("nspdate"),
      "Mar 05?" + std::string(13, ' '));
  // A zero byte ends the text; an empty text adds no item.
  const std::string zeros(20, '\0');
  EXPECT_EQ(Import(NspFile(Chunk("HEDR", HeaderBody(zeros, 8000, 0, {1, 0xFFFF})))).Item("nspdate"),
            "");
}

// ---- SMP -> NSP -> SMP --------------------------------------------------------------------

class NspRoundTrip : public NspImport {
 protected:
  std::string ExportFile(const std::string& smpBytes) {
    WriteFile(Path("src.smp"), smpBytes);
    ConversionContext context = Context();
    ExportNSP(context, settings.ExportNSP, Path("src.smp"), Path("mid.nsp"));
    return ReadFile(Path("mid.nsp"));
  }
};

TEST_F(NspRoundTrip, EveryLayoutBringsBackChannelsRateAndSamples) {
  struct Case {
    int channels;
    int32_t oneType;
    int32_t twoType;
  };
  const std::vector<Case> cases = {{1, 0, 1}, {1, 1, 1}, {2, 0, 0}, {2, 0, 1}, {2, 0, 2},
                                   {3, 0, 1}, {5, 0, 1}, {7, 0, 1}, {8, 0, 1}};
  for (const Case& c : cases) {
    settings.ExportNSP.OneChannelType = c.oneType;
    settings.ExportNSP.TwoChannelType = c.twoType;
    const std::vector<int16_t> samples = Interleaved(c.channels, 3000);
    const std::string sftot = std::to_string(11025 * c.channels);
    const std::string nsp =
        ExportFile(SmpFile({"sftot=" + sftot, "nchans=" + std::to_string(c.channels)}, samples));
    const SmpContent smp = Import(nsp);
    EXPECT_EQ(smp.nchans, c.channels) << c.channels << " " << c.twoType;
    EXPECT_EQ(smp.sftot, 11025.0 * c.channels) << c.channels;
    EXPECT_EQ(smp.samples, samples) << c.channels << " " << c.twoType;
    // The date text travels through the nspdate item unchanged.
    EXPECT_EQ(smp.Item("nspdate"), nsp.substr(20, 20));
  }
}

TEST_F(NspRoundTrip, ANonAsciiDateComesBackByteForByte) {
  const std::string latin1 = "M\xE4r 05 14:03:09 2021";
  const std::string nsp = NspFile(Chunk("HEDR", HeaderBody(latin1, 8000, 2, {1, 0xFFFF})) +
                                  Chunk("SDA_", LittleEndianSamples({1, -1})));
  Import(nsp);
  ConversionContext context = Context();
  ExportNSP(context, settings.ExportNSP, Path("out.smp"), Path("again.nsp"));
  EXPECT_EQ(ReadFile(Path("again.nsp")), nsp);
}

TEST_F(NspRoundTrip, EmbeddedHeadRestoresEveryItemAndKeepsItsView) {
  settings.ExportNSP.StoreSMPHeader = true;
  settings.ImportNSP.ViewLo = -5;
  settings.ImportNSP.MSBFirst = true;
  const std::vector<int16_t> samples = Interleaved(2, 400);
  // A head larger than the default makes the samples start later in the SMP file.
  std::vector<std::string> items = {"head=2048",       "file=samp",   "sftot=16000",
                                    "nchans=2",        "view=-2,2,V", "range=-100,100",
                                    "proc0=made here", "custom=kept"};
  std::string source = SmpFile(items, {});
  source.resize(2048, '\0');
  source += LittleEndianSamples(samples);
  const SmpContent smp = Import(ExportFile(source));
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(smp.Item("head"), "2048");
  EXPECT_EQ(smp.Item("custom"), "kept");
  EXPECT_EQ(smp.Item("view"), "-2,2,V");
  EXPECT_EQ(smp.Item("range"), "-100,100");
  EXPECT_EQ(smp.Item("proc0"), "made here");
  EXPECT_EQ(smp.Item("proc1"), "Vorsel from " + Path("in.nsp"));
  EXPECT_EQ(smp.Item("msb"), "first");
  EXPECT_EQ(smp.Item("date"), "");
  EXPECT_EQ(smp.nchans, 2);
  EXPECT_EQ(smp.sftot, 16000);
}

TEST_F(NspRoundTrip, ARestoredScanOrderPutsEachChannelInItsSlot) {
  settings.ExportNSP.StoreSMPHeader = true;
  // Channel 0 is stored second in every scan.
  const std::string source =
      SmpFile({"head=1024", "sftot=16000", "nchans=2", "scan=1,0"}, {10, -20, 11, -21, 12, -22});
  for (const int32_t twoType : {0, 1, 2}) {
    settings.ExportNSP.TwoChannelType = twoType;
    const std::string nsp = ExportFile(source);
    Import(nsp);
    EXPECT_EQ(ReadFile(Path("out.smp")).substr(1024), source.substr(1024)) << twoType;
  }
}

TEST_F(NspRoundTrip, AnEmbeddedScanItemThatDoesNotFitIsLeftOut) {
  const std::vector<int16_t> samples = Interleaved(2, 10);
  // Channel 0 is not evenly spaced in this scan.
  const std::string head = SmpFile({"head=1024", "nchans=2", "scan=0,0,1", "custom=kept"}, {});
  const std::string chunks = Hedr(16000, 10, 1, 1) + Chunk("kelm", head) +
                             Chunk("SDA_", LittleEndianSamples(ChannelOf(samples, 2, 0))) +
                             Chunk("SD_B", LittleEndianSamples(ChannelOf(samples, 2, 1)));
  const SmpContent smp = Import(NspFile(chunks));
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(smp.Item("custom"), "kept");
  EXPECT_EQ(smp.Item("scan"), "");
  EXPECT_EQ(log.lines.back(), Path("in.nsp") +
                                  " has an SMP header chunk whose channel layout does not fit; "
                                  "the channels keep their plain order.");

  // A header chunk after the head that changes the channel count does the same.
  const std::string valid = SmpFile({"head=1024", "nchans=2", "Scan=1,0"}, {});
  const SmpContent later = Import(NspFile(Chunk("kelm", valid) + Hdr8(8000, 10, 3)));
  EXPECT_EQ(later.nchans, 3);
  EXPECT_EQ(later.Item("Scan"), "");

  // A head of more channels than an SMP file holds keeps the header chunk's count.
  const std::string many = SmpFile({"head=1024", "nchans=300"}, {});
  const SmpContent wide = Import(NspFile(Hedr(16000, 10, 1, 1) + Chunk("kelm", many) +
                                         Chunk("SDAB", LittleEndianSamples(samples))));
  EXPECT_EQ(wide.nchans, 2);
  EXPECT_EQ(wide.samples, samples);
}

TEST_F(NspRoundTrip, AnEmbeddedHeadSizeAboveTheLargestHeadGivesWay) {
  const std::vector<int16_t> samples = Interleaved(1, 10);
  const std::string head = SmpFile({"head=40000", "custom=kept"}, {});
  const SmpContent smp = Import(NspFile(Hedr(11025, 10, 1009, 0xFFFF) + Chunk("kelm", head) +
                                        Chunk("SDA_", LittleEndianSamples(samples))));
  ASSERT_TRUE(smp.opened);
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(smp.Item("custom"), "kept");
  EXPECT_EQ(ReadFile(Path("out.smp")).size(), 1024u + 20);
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(NspRoundTrip, HeadAfterTheSamplesIsIgnored) {
  const std::vector<int16_t> samples = Interleaved(1, 10);
  std::string head = SmpFile({"head=1024", "custom=late"}, {});
  const SmpContent smp =
      Import(NspFile(Hedr(16000, 10, 1009, 0xFFFF) + Chunk("SDA_", LittleEndianSamples(samples)) +
                     Chunk("kelm", head)));
  EXPECT_EQ(smp.samples, samples);
  EXPECT_EQ(smp.Item("custom"), "");
  EXPECT_EQ(smp.Item("view"), "-1,1");
  EXPECT_EQ(log.lines.back(),
            Path("in.nsp") + " has an SMP header chunk after its samples; that header is ignored.");
}

}  // namespace
}  // namespace vorsel::test::nsp
