#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/wav.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::Chunk;
using test::FmtBody;
using test::ItemValue;
using test::LittleEndianSamples;
using test::ReadFile;
using test::SmpFileSamples;
using test::SmpHead;
using test::SmpItems;
using test::U32;
using test::Wav;
using test::WriteFile;

class WavImport : public test::ConverterTest {
 protected:
  // Imports `bytes` from in.wav into out.smp.
  void Import(const std::string& bytes) {
    WriteFile(Path("in.wav"), bytes);
    ConversionContext context = Context();
    ImportWAV(context, settings.ImportWAV, Path("in.wav"), Path("out.smp"));
  }
  std::string Output() const { return ReadFile(Path("out.smp")); }
  std::vector<std::string> OutputItems() const { return SmpItems(Output()); }
  std::vector<int16_t> OutputSamples() const { return SmpFileSamples(Output()); }

  void ExpectRefused(const std::string& bytes) {
    Import(bytes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Path("in.wav") + " does not appear to be a WAV file");
    EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
    EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
    EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});
    EXPECT_FALSE(std::filesystem::exists(Path("out.smp")));
  }
};

const std::vector<int16_t> kStereo = {0, 1, -1, 32767, -32768, 1234, -4321, 77};

TEST_F(WavImport, SixteenBitStereoKeepsFramesInterleavedAndTakesRateFromFormat) {
  settings.ImportWAV.ViewLo = -2;
  settings.ImportWAV.ViewHi = 3;
  settings.ImportWAV.Unit = "Pa";
  settings.ImportWAV.RangeLo = -100;
  settings.ImportWAV.RangeHi = 100;
  Import(Wav(FmtBody(1, 2, 44100, 16), Chunk("data", LittleEndianSamples(kStereo))));

  EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});
  EXPECT_TRUE(boxes.shown.empty());
  const std::vector<std::string> items = OutputItems();
  EXPECT_EQ(ItemValue(items, "nchans"), "2");
  EXPECT_EQ(ItemValue(items, "sftot"), "88200");
  EXPECT_EQ(ItemValue(items, "msb"), "last");
  EXPECT_EQ(ItemValue(items, "file"), "samp");
  EXPECT_EQ(ItemValue(items, "view"), "-2,3,Pa");
  EXPECT_EQ(ItemValue(items, "range"), "-100,100");
  EXPECT_EQ(ItemValue(items, "proc0"), "Vorsel from " + Path("in.wav"));
  EXPECT_EQ(items.front(), "head=1024");
  EXPECT_EQ(OutputSamples(), kStereo);
  EXPECT_GT(ticks, 0);
}

TEST_F(WavImport, MostSignificantByteFirstStoresTheSameValuesSwapped) {
  settings.ImportWAV.MSBFirst = true;
  Import(Wav(FmtBody(1, 1, 8000, 16), Chunk("data", LittleEndianSamples({0x1234, -2}))));
  const std::string out = Output();
  EXPECT_EQ(ItemValue(SmpItems(out), "msb"), "first");
  ASSERT_EQ(out.size(), 1028u);
  EXPECT_EQ(out.substr(1024), std::string("\x12\x34\xff\xfe", 4));
}

TEST_F(WavImport, EightBitCodingsDecodeEveryByte) {
  std::string codes;
  for (int c = 0; c < 256; ++c) {
    codes += static_cast<char>(c);
  }
  Import(Wav(FmtBody(1, 1, 8000, 8), Chunk("data", codes)));
  std::vector<int16_t> samples = OutputSamples();
  ASSERT_EQ(samples.size(), 256u);
  EXPECT_EQ(samples[0x80], 0);
  EXPECT_EQ(samples[0x00], -32768);
  EXPECT_EQ(samples[0xFF], 32512);
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(samples[c], (c - 128) * 256);
  }

  Import(Wav(FmtBody(6, 1, 8000, 8), Chunk("data", codes)));
  samples = OutputSamples();
  ASSERT_EQ(samples.size(), 256u);
  EXPECT_EQ(samples[0xD5], 8);
  EXPECT_EQ(samples[0x55], -8);
  EXPECT_EQ(samples[0xAA], 32256);
  EXPECT_EQ(samples[0x2A], -32256);

  Import(Wav(FmtBody(7, 1, 8000, 8), Chunk("data", codes)));
  samples = OutputSamples();
  ASSERT_EQ(samples.size(), 256u);
  EXPECT_EQ(samples[0xFF], 0);
  EXPECT_EQ(samples[0x7F], 0);
  EXPECT_EQ(samples[0x80], 32124);
  EXPECT_EQ(samples[0x00], -32124);
}

TEST_F(WavImport, SkipsFurtherFormatBytesAndForeignChunks) {
  // The extra format bytes hold what looks like a data chunk; it must not be read as one.
  const std::string decoy = "data" + U32(2) + "\x01\x01";
  const std::vector<int16_t> samples = {5, -6, 7};
  const std::vector<std::string> layouts = {
      Wav(FmtBody(1, 1, 8000, 16, std::string("\0\0", 2)),
          Chunk("data", LittleEndianSamples(samples))),
      Wav(FmtBody(1, 1, 8000, 16, decoy + std::string(14, '\0')),
          Chunk("fact", U32(3)) + Chunk("data", LittleEndianSamples(samples))),
      // An odd LIST chunk: its pad byte comes before the data chunk.
      Wav(FmtBody(1, 1, 8000, 16),
          Chunk("LIST", "INFOabc") + Chunk("data", LittleEndianSamples(samples))),
  };
  for (const std::string& bytes : layouts) {
    log.lines.clear();
    Import(bytes);
    EXPECT_EQ(OutputSamples(), samples);
    EXPECT_EQ(log.lines.size(), 1u);
  }
}

TEST_F(WavImport, RiffSizeBoundsTheWalk) {
  const std::string first = Chunk("data", LittleEndianSamples({1, 2}));
  const std::string second = Chunk("data", LittleEndianSamples({3, 4}));
  // The RIFF size ends after the first data chunk: the second one is not read.
  Import(Wav(FmtBody(1, 1, 8000, 16), first + second, 4 + 24 + int64_t(first.size())));
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{1, 2}));

  // Sizes are unsigned: one beyond the file, 2^31 or the streaming marker, reads to its end.
  for (const int64_t size : {int64_t{0x80000000}, int64_t{0xFFFFFFFF}}) {
    log.lines.clear();
    Import(Wav(FmtBody(1, 1, 8000, 16), first + second, size));
    EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});
  }
}

TEST_F(WavImport, StreamedFileReadsToItsEnd) {
  // As ffmpeg and arecord write to a pipe: RIFF and data sizes unknown.
  Import(Wav(FmtBody(1, 2, 8000, 16), "data" + U32(0xFFFFFFFF) + test::LittleEndianSamples(kStereo),
             0xFFFFFFFF));
  EXPECT_EQ(OutputSamples(), kStereo);
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});

  // A data chunk claiming 4 GiB - 2 in a small file was cut short: converted, with a warning.
  Import(
      Wav(FmtBody(1, 2, 8000, 16), "data" + U32(0xFFFFFFFE) + test::LittleEndianSamples(kStereo)));
  EXPECT_EQ(OutputSamples(), kStereo);
  EXPECT_EQ(log.lines.back(), Path("in.wav") + " ends " + std::to_string(0xFFFFFFFEu - 16) +
                                  " bytes before its header says");
}

TEST_F(WavImport, ExtensibleFormatTakesItsSubFormat) {
  const auto extensible = [](uint16_t subTag, uint16_t bits, std::string_view tail) {
    return FmtBody(
        0xFFFE, 4, 8000, bits,
        test::U16(22) + test::U16(bits) + U32(0x33) + test::U16(subTag) + std::string(tail));
  };
  const std::string guidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  const std::vector<int16_t> four = {1, -2, 300, -400};
  Import(Wav(extensible(1, 16, guidTail), Chunk("data", test::LittleEndianSamples(four))));
  EXPECT_EQ(OutputSamples(), four);
  EXPECT_EQ(ItemValue(OutputItems(), "nchans"), "4");

  Import(Wav(extensible(7, 8, guidTail), Chunk("data", std::string(4, '\xFF'))));
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{0, 0, 0, 0})) << "mu-law 0xFF is zero";

  // IEEE floats (3): 0.5, -1.0, 1.5 and -2.0 beyond the range, and NaN.
  std::string floats;
  for (const uint32_t bits : {0x3F000000u, 0xBF800000u, 0x3FC00000u, 0xC0000000u, 0x7FC00000u}) {
    floats += U32(bits);
  }
  log.lines.clear();
  Import(Wav(extensible(3, 32, guidTail), Chunk("data", floats)));
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{16384, -32768, 32767, -32768, 0}));
  EXPECT_EQ(log.lines.back(), "floating-point samples scaled to 16 bits, 2 clipped");

  // ADPCM (2) and an unknown identifier keep the refusal.
  std::filesystem::remove(Path("out.smp"));
  log.lines.clear();
  ExpectRefused(Wav(extensible(2, 4, guidTail), Chunk("data", std::string(16, '\0'))));
  log.lines.clear();
  boxes.shown.clear();
  ExpectRefused(
      Wav(extensible(1, 16, std::string(14, 'x')), Chunk("data", test::LittleEndianSamples(four))));
}

TEST_F(WavImport, WideIntegersRoundHalvesUpToSixteenBits) {
  // 0x000080, -0x000080, 0x7FFF80, -0x800000 and a sample the file ends inside.
  const std::string int24("\x80\x00\x00\x80\xFF\xFF\x80\xFF\x7F\x00\x00\x80\x01\x02", 14);
  Import(Wav(FmtBody(1, 1, 8000, 24), Chunk("data", int24)));
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{1, 0, 32767, -32768}));
  EXPECT_EQ(log.lines.back(), "24-bit samples reduced to 16 bits");
  EXPECT_EQ(ItemValue(OutputItems(), "sftot"), "8000");

  log.lines.clear();
  Import(Wav(FmtBody(1, 1, 8000, 32), Chunk("data", U32(0x00008000) + U32(0xFFFF8000))));
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{1, 0}));
  EXPECT_EQ(log.lines.back(), "32-bit samples reduced to 16 bits");
}

TEST_F(WavImport, EmptyAndTruncatedDataKeepWhatTheFileHolds) {
  Import(Wav(FmtBody(1, 1, 8000, 16), Chunk("data", "")));
  EXPECT_TRUE(OutputSamples().empty());
  EXPECT_EQ(ItemValue(OutputItems(), "file"), "samp");

  // The data chunk claims 100 bytes; five are there (the odd one makes no sample).
  std::string truncated =
      Wav(FmtBody(1, 1, 8000, 16), "data" + U32(100) + std::string("\x01\x00\x02\x00\x03", 5));
  Import(truncated);
  EXPECT_EQ(OutputSamples(), (std::vector<int16_t>{1, 2}));
  EXPECT_EQ(log.lines.back(), Path("in.wav") + " ends 95 bytes before its header says");
}

TEST_F(WavImport, RefusesWhatIsNoReadableWav) {
  const std::string pcm = FmtBody(1, 1, 8000, 16);
  const std::string data = Chunk("data", LittleEndianSamples({1}));
  std::string wrongId = Wav(pcm, data);
  wrongId.replace(0, 4, "RIFZ");
  std::string noWave = Wav(pcm, data);
  noWave.replace(8, 4, "AVI ");
  const std::vector<std::string> refused = {
      "RIFF\x10",
      wrongId,
      noWave,
      "RIFF" + U32(30) + "WAVE" + Chunk("LIST", "INFO") + Chunk("fmt ", pcm) + data,
      Wav(FmtBody(0x55, 1, 8000, 16), data),                           // MPEG layer 3
      Wav(FmtBody(0xFFFE, 1, 8000, 16, std::string(24, '\0')), data),  // extensible
      Wav(FmtBody(2, 1, 8000, 4), data),                               // ADPCM
      Wav(FmtBody(1, 0, 8000, 16), data),                              // no channels
      Wav(pcm.substr(0, 14), data),  // format chunk without bits per sample
      Wav(pcm, data).substr(0, 30),  // the file ends inside the format fields
  };
  for (const std::string& bytes : refused) {
    log.lines.clear();
    boxes.shown.clear();
    ExpectRefused(bytes);
  }
}

TEST_F(WavImport, RefusesMoreChannelsThanAnSMPFileHolds) {
  Import(Wav(FmtBody(1, 128, 8000, 16),
             Chunk("data", LittleEndianSamples(std::vector<int16_t>(128, 3)))));
  EXPECT_EQ(ItemValue(OutputItems(), "nchans"), "128");
  EXPECT_TRUE(boxes.shown.empty());

  std::filesystem::remove(Path("out.smp"));
  Import(Wav(FmtBody(1, 129, 8000, 16), Chunk("data", LittleEndianSamples({1}))));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            Path("in.wav") + " has 129 channels, more than an SMP file can hold (128)");
  EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
  EXPECT_FALSE(std::filesystem::exists(Path("out.smp")));
}

TEST_F(WavImport, UnsupportedBitCountSkipsItsDataChunkAndStillWritesTheFile) {
  // Inside the refused chunk sits what would be an embedded head if it were walked.
  const std::string head = SmpHead({"head=1024", "marker=inside"});
  const std::string body = Chunk("kelm", head) + std::string(6, '\0');
  for (const int bits : {12, 20, 36}) {
    log.lines.clear();
    Import(Wav(FmtBody(1, 2, 8000, bits), Chunk("data", body)));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"in.wav -> out.smp",
                                                   "Bits per sample of " + std::to_string(bits) +
                                                       "is not supported. Conversion aborted."}));
    const std::vector<std::string> items = OutputItems();
    EXPECT_TRUE(OutputSamples().empty());
    EXPECT_EQ(ItemValue(items, "marker"), "");
    EXPECT_EQ(ItemValue(items, "nchans"), "2");
    EXPECT_EQ(ItemValue(items, "sftot"), "16000");
  }
}

// ---- Embedded SMP head ---------------------------------------------------------------------

TEST_F(WavImport, RestoredHeadKeepsItsItemsWhileFormatAndImportWin) {
  settings.ImportWAV.ViewLo = -5;
  settings.ImportWAV.MSBFirst = true;
  const std::string head =
      SmpHead({"head=1024", "file=other", "sftot=1", "nchans=7", "msb=last", "view=-1,1",
               "range=-32768,32768", "date=yesterday", "proc0=recorder", "speaker=anna"});
  Import(Wav(FmtBody(1, 2, 22050, 16),
             Chunk("kelm", head) + Chunk("data", LittleEndianSamples(kStereo))));
  const std::vector<std::string> items = OutputItems();
  EXPECT_EQ(ItemValue(items, "view"), "-1,1");
  EXPECT_EQ(ItemValue(items, "range"), "-32768,32768");
  EXPECT_EQ(ItemValue(items, "date"), "yesterday");
  EXPECT_EQ(ItemValue(items, "speaker"), "anna");
  EXPECT_EQ(ItemValue(items, "proc0"), "recorder");
  EXPECT_EQ(ItemValue(items, "proc1"), "Vorsel from " + Path("in.wav"));
  EXPECT_EQ(ItemValue(items, "file"), "samp");
  EXPECT_EQ(ItemValue(items, "msb"), "first");
  EXPECT_EQ(ItemValue(items, "sftot"), "44100");
  EXPECT_EQ(ItemValue(items, "nchans"), "2");
  EXPECT_EQ(OutputSamples(), kStereo);
}

TEST_F(WavImport, SamplesFollowARestoredHeadOfAnotherSize) {
  const std::string head = SmpHead({"head=2048", "speaker=bo"}, 2048);
  Import(Wav(FmtBody(1, 1, 8000, 16),
             Chunk("kelm", head) + Chunk("data", LittleEndianSamples({9, -9}))));
  const std::string out = Output();
  ASSERT_EQ(out.size(), 2052u);
  EXPECT_EQ(out.substr(2048), std::string("\x09\x00\xf7\xff", 4));
  EXPECT_EQ(ItemValue(SmpItems(out), "speaker"), "bo");
}

TEST_F(WavImport, RestoredHeadTooFullForTheImportsItemsKeepsOnlyItsSize) {
  settings.ImportWAV.MSBFirst = true;
  std::vector<std::string> items = {"head=32768"};
  while (items.size() < 329) {
    items.push_back("item" + std::to_string(items.size()) + "=" + std::string(90, 'v'));
  }
  Import(Wav(FmtBody(1, 1, 8000, 16),
             Chunk("kelm", SmpHead(items, 32768)) + Chunk("data", LittleEndianSamples({0x0102}))));
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "in.wav -> out.smp",
                           Path("in.wav") + " has an SMP header chunk too full to take the "
                                            "import's items; those of the chunk are left out."}));
  const std::string out = Output();
  const std::vector<std::string> restored = SmpItems(out);
  EXPECT_EQ(ItemValue(restored, "head"), "32768");
  EXPECT_EQ(ItemValue(restored, "item1"), "");
  EXPECT_EQ(ItemValue(restored, "msb"), "first");
  EXPECT_EQ(ItemValue(restored, "sftot"), "8000");
  EXPECT_EQ(ItemValue(restored, "proc0"), "Vorsel from " + Path("in.wav"));
  ASSERT_EQ(out.size(), 32770u);
  EXPECT_EQ(out.substr(32768), "\x01\x02");
}

TEST_F(WavImport, HeadChunkAfterTheSamplesIsIgnored) {
  const std::string head = SmpHead({"head=2048", "speaker=late"}, 2048);
  Import(Wav(FmtBody(1, 1, 8000, 16),
             Chunk("data", LittleEndianSamples({9, -9})) + Chunk("kelm", head)));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{
                "in.wav -> out.smp", Path("in.wav") + " has an SMP header chunk after its samples; "
                                                      "that header is ignored."}));
  const std::string out = Output();
  EXPECT_EQ(ItemValue(SmpItems(out), "speaker"), "");
  EXPECT_EQ(ItemValue(SmpItems(out), "view"), "-1,1");
  ASSERT_EQ(out.size(), 1028u);
  EXPECT_EQ(SmpFileSamples(out), (std::vector<int16_t>{9, -9}));
}

TEST_F(WavImport, RestoredLabelsGoToTheOutputsOwnLabelFileAndTheNamedOneIsUntouched) {
  WriteFile(Path("labels.csv"), "other.smp\r\n0,10,keep\r\n");
  // Twice, so that the second line takes the label actions of an existing item.
  const std::string head = SmpHead(
      {"head=1024", "labels=" + Path("labels.csv"), "labels=" + Path("labels.csv"), "L1=0,1,x"});
  Import(
      Wav(FmtBody(1, 1, 8000, 16), Chunk("kelm", head) + Chunk("data", LittleEndianSamples({1}))));
  EXPECT_EQ(ReadFile(Path("labels.csv")), "other.smp\r\n0,10,keep\r\n");
  EXPECT_EQ(ItemValue(OutputItems(), "labels"), Path("out.csv"));
  EXPECT_FALSE(test::HasItem(OutputItems(), "L1"));
  EXPECT_EQ(ReadFile(Path("out.csv")), Path("out.smp") + "\r\n0,10,keep\r\n0,1,x\r\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"in.wav", "labels.csv", "out.csv", "out.smp"}));
}

// ---- Files too large for 32-bit sizes ------------------------------------------------------

TEST_F(WavImport, SkipsDataThatWouldMakeTheSMPFileReachTwoGibibytes) {
  // A gibibyte of 8-bit codes doubles to more than the SMP file can hold.
  const uint32_t codes = (uint32_t{1} << 30) + 16;
  WriteFile(Path("in.wav"), Wav(FmtBody(7, 1, 8000, 8), "data" + U32(codes), 36 + codes));
  std::filesystem::resize_file(Path("in.wav"), 44 + uintmax_t{codes});  // sparse
  ConversionContext context = Context();
  ImportWAV(context, settings.ImportWAV, Path("in.wav"), Path("out.smp"));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{
                "in.wav -> out.smp",
                Path("in.wav") + " would give an SMP file of 2 GiB or more. Data chunk skipped."}));
  EXPECT_EQ(std::filesystem::file_size(Path("out.smp")), 1024u);
}

}  // namespace
}  // namespace vorsel
