#include <gtest/gtest.h>
#include <utime.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/nsp.h"
#include "tests/formats/nsp_test_support.h"

namespace vorsel::test::nsp {
namespace {

class NspExport : public NspTest {
 protected:
  // Exports the source and returns the NSP file's bytes (empty when none was written).
  std::string Export(const std::string& smpBytes) {
    WriteFile(Path("in.smp"), smpBytes);
    ConversionContext context = Context();
    ExportNSP(context, settings.ExportNSP, Path("in.smp"), Path("out.nsp"));
    return std::filesystem::exists(Path("out.nsp")) ? ReadFile(Path("out.nsp")) : std::string();
  }

  static std::vector<std::string> Items(const std::string& sftot, int nchans,
                                        const std::vector<std::string>& more = {}) {
    std::vector<std::string> items = {"head=1024", "sftot=" + sftot,
                                      "nchans=" + std::to_string(nchans),
                                      std::string("nspdate=") + kDate};
    items.insert(items.end(), more.begin(), more.end());
    return items;
  }

  static std::vector<uint16_t> Peaks(std::vector<uint16_t> present, size_t fields) {
    present.resize(fields, 0xFFFF);
    return present;
  }
};

TEST_F(NspExport, MonoDefaultIsAHedrFileOf2060Bytes) {
  std::vector<int16_t> samples = Interleaved(1, 1000);
  samples[10] = -1234;
  samples[11] = 1200;
  const std::string nsp = Export(SmpFile(Items("16000", 1), samples));
  const std::string expected =
      NspFile(Chunk("HEDR", HeaderBody(kDate, 16000, 1000, {1999, 0xFFFF})) +
              Chunk("SDA_", LittleEndianSamples(samples)));
  ASSERT_EQ(nsp.size(), 2060u);
  EXPECT_EQ(ReadLE32(nsp, 8), 2048u);
  EXPECT_EQ(nsp, expected);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.smp -> out.nsp"}));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_GT(ticks, 0);
}

TEST_F(NspExport, MonoHdr8HasEightPeakFieldsAndOneChunk) {
  settings.ExportNSP.OneChannelType = 1;
  const std::vector<int16_t> samples = Interleaved(1, 300);
  const std::string nsp = Export(SmpFile(Items("8000", 1), samples));
  EXPECT_EQ(nsp, NspFile(Chunk("HDR8", HeaderBody(kDate, 8000, 300, Peaks({1299}, 8))) +
                         Chunk("SDA_", LittleEndianSamples(samples))));
}

TEST_F(NspExport, StereoLayoutsFollowTwoChannelType) {
  const std::vector<int16_t> samples = Interleaved(2, 500);
  const std::string a = LittleEndianSamples(ChannelOf(samples, 2, 0));
  const std::string b = LittleEndianSamples(ChannelOf(samples, 2, 1));
  const std::string source = SmpFile(Items("32000", 2), samples);

  settings.ExportNSP.TwoChannelType = 0;
  EXPECT_EQ(Export(source), NspFile(Chunk("HEDR", HeaderBody(kDate, 16000, 500, {1499, 2499})) +
                                    Chunk("SDAB", LittleEndianSamples(samples))));

  settings.ExportNSP.TwoChannelType = 1;
  const std::string separate = Export(source);
  EXPECT_EQ(separate, NspFile(Chunk("HEDR", HeaderBody(kDate, 16000, 500, {1499, 2499})) +
                              Chunk("SDA_", a) + Chunk("SD_B", b)));
  // Both chunk headers count in the DS16 size.
  EXPECT_EQ(ReadLE32(separate, 8), 8u + 32 + 8 + 1000 + 8 + 1000);

  settings.ExportNSP.TwoChannelType = 2;
  EXPECT_EQ(Export(source),
            NspFile(Chunk("HDR8", HeaderBody(kDate, 16000, 500, Peaks({1499, 2499}, 8))) +
                    Chunk("SDA_", a) + Chunk("SD_B", b)));
}

TEST_F(NspExport, FiveChannelsGiveHdr8WithFivePeaksAndFiveChunks) {
  const std::vector<int16_t> samples = Interleaved(5, 200);
  const std::string nsp = Export(SmpFile(Items("40000", 5), samples));
  std::string chunks =
      Chunk("HDR8", HeaderBody(kDate, 8000, 200, Peaks({1199, 2199, 3199, 4199, 5199}, 8)));
  const std::vector<std::string> ids = {"SDA_", "SD_B", "SD_2", "SD_3", "SD_4"};
  for (int c = 0; c < 5; ++c) {
    chunks += Chunk(ids[static_cast<size_t>(c)], LittleEndianSamples(ChannelOf(samples, 5, c)));
  }
  EXPECT_EQ(nsp, NspFile(chunks));
}

TEST_F(NspExport, EightChannelsEndWithSd7AndAPermutedScanKeepsChannelOrder) {
  const std::vector<int16_t> samples = Interleaved(8, 50);
  const std::string nsp = Export(SmpFile(Items("64000", 8), samples));
  ASSERT_EQ(nsp.size(), 12u + 52 + 8 * (8 + 100));
  EXPECT_EQ(nsp.substr(12 + 52 + 7 * 108, 4), "SD_7");
  EXPECT_EQ(nsp.substr(12 + 52 + 7 * 108 + 8), LittleEndianSamples(ChannelOf(samples, 8, 7)));

  // With scan=1,0 the first stored sample of every scan belongs to channel 1.
  settings.ExportNSP.TwoChannelType = 1;
  const std::vector<int16_t> stereo = {10, -20, 11, -21, 12, -22};
  const std::string swapped = Export(SmpFile(Items("16000", 2, {"scan=1,0"}), stereo));
  EXPECT_EQ(ReadLE16(swapped, 48), 22);
  EXPECT_EQ(ReadLE16(swapped, 50), 12);
  EXPECT_EQ(swapped.substr(52), Chunk("SDA_", LittleEndianSamples({-20, -21, -22})) +
                                    Chunk("SD_B", LittleEndianSamples({10, 11, 12})));
}

TEST_F(NspExport, LongChannelChunksHoldEachChannelWholeAndInOrder) {
  // Many blocks per channel, with values that differ from frame to frame and channel to channel.
  constexpr int kChannels = 3;
  constexpr int kFrames = 20011;
  std::vector<int16_t> samples;
  for (int i = 0; i < kFrames; ++i) {
    for (int c = 0; c < kChannels; ++c) {
      samples.push_back(static_cast<int16_t>((i * 7 + c * 13001) % 65536 - 32768));
    }
  }
  const std::string nsp = Export(SmpFile(Items("48000", kChannels, {"scan=2,0,1"}), samples));
  const size_t chunkBytes = 8 + 2 * kFrames;
  ASSERT_EQ(nsp.size(), 12u + 52 + kChannels * chunkBytes);
  const std::vector<std::string> ids = {"SDA_", "SD_B", "SD_2"};
  for (int c = 0; c < kChannels; ++c) {
    // scan=2,0,1: channel c is stored in slot (c + 1) % 3.
    const std::string expected =
        Chunk(ids[static_cast<size_t>(c)],
              LittleEndianSamples(ChannelOf(samples, kChannels, (c + 1) % 3)));
    EXPECT_EQ(nsp.substr(12 + 52 + static_cast<size_t>(c) * chunkBytes, chunkBytes), expected)
        << "channel " << c;
  }
}

TEST_F(NspExport, PeaksNeverReadAsAbsentChannels) {
  settings.ExportNSP.TwoChannelType = 2;
  const std::string full = Export(SmpFile(Items("16000", 2), {-32768, 5, 32767, -5}));
  EXPECT_EQ(ReadLE16(full, 48), 32767);
  EXPECT_EQ(ReadLE16(full, 50), 5);

  // Extremes anywhere in the file, in either direction.
  std::vector<int16_t> three(3 * 1000, 7);
  three[3 * 10] = -30000;
  three[3 * 500 + 1] = 25000;
  three[3 * 999 + 2] = -32768;
  const std::string spread = Export(SmpFile(Items("48000", 3), three));
  EXPECT_EQ(ReadLE16(spread, 48), 30000);
  EXPECT_EQ(ReadLE16(spread, 50), 25000);
  EXPECT_EQ(ReadLE16(spread, 52), 32767);
  EXPECT_EQ(ReadLE16(spread, 54), 0xFFFF);

  // An SMP file without samples: peaks 0, empty chunks.
  const std::string empty = Export(SmpFile(Items("16000", 2), {}));
  EXPECT_EQ(empty, NspFile(Chunk("HDR8", HeaderBody(kDate, 8000, 0, Peaks({0, 0}, 8))) +
                           Chunk("SDA_", "") + Chunk("SD_B", "")));
}

TEST_F(NspExport, SizesDescribeWholeScansOnly) {
  settings.ExportNSP.TwoChannelType = 1;
  // Three frames, then a lone sample and an odd byte that make no scan.
  std::string source = SmpFile(Items("16000", 2), {1, 2, 3, 4, 5, 6, 7});
  source += '\x01';
  const std::string nsp = Export(source);
  EXPECT_EQ(nsp, NspFile(Chunk("HEDR", HeaderBody(kDate, 8000, 3, {5, 6})) +
                         Chunk("SDA_", LittleEndianSamples({1, 3, 5})) +
                         Chunk("SD_B", LittleEndianSamples({2, 4, 6}))));

  settings.ExportNSP.TwoChannelType = 0;
  EXPECT_EQ(Export(source).substr(52), Chunk("SDAB", LittleEndianSamples({1, 2, 3, 4, 5, 6})));
}

TEST_F(NspExport, RatePerChannelRoundsHalvesToEven) {
  const std::string odd = Export(SmpFile(Items("11025", 2), Interleaved(2, 4)));
  EXPECT_EQ(ReadLE32(odd, 40), 5512u);
  const std::string up = Export(SmpFile(Items("11027", 2), Interleaved(2, 4)));
  EXPECT_EQ(ReadLE32(up, 40), 5514u);
}

TEST_F(NspExport, SourceStoredMostSignificantByteFirstExportsTheSameFile) {
  const std::vector<int16_t> samples = Interleaved(2, 100);
  const std::string lsb = Export(SmpFile(Items("16000", 2), samples));
  std::string msbSource = SmpFile(Items("16000", 2, {"msb=first"}), {});
  for (const int16_t s : samples) {
    const auto word = static_cast<uint16_t>(s);
    msbSource += static_cast<char>(word >> 8);
    msbSource += static_cast<char>(word & 0xFF);
  }
  EXPECT_EQ(Export(msbSource), lsb);
}

TEST_F(NspExport, EmbeddedHeadFollowsTheHeaderChunkAndCountsInTheSize) {
  settings.ExportNSP.StoreSMPHeader = true;
  const std::vector<int16_t> samples = Interleaved(1, 1000);
  const std::string source = SmpFile(Items("16000", 1, {"custom=kept"}), samples);
  const std::string nsp = Export(source);
  ASSERT_EQ(nsp.size(), 2060u + 8 + 1024);
  EXPECT_EQ(ReadLE32(nsp, 8), 2048u + 8 + 1024);
  EXPECT_EQ(nsp.substr(52, 8), "kelm" + LE32(1024));
  const std::string head = nsp.substr(60, 1024);
  EXPECT_NE(head.find("custom=kept\r\n"), std::string::npos);
  EXPECT_NE(head.find(std::string("nspdate=") + kDate + "\r\n"), std::string::npos);
  EXPECT_EQ(nsp.substr(1084), Chunk("SDA_", LittleEndianSamples(samples)));
}

// The date text of a file without a usable nspdate item: its modification time in local time,
// with English month names whatever the locale.
class NspExportDate : public NspExport {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_) {
      setenv("TZ", savedTz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
    std::setlocale(LC_ALL, "C");
  }

  std::string DateWritten(const std::vector<std::string>& items, std::time_t modified) {
    WriteFile(Path("in.smp"), SmpFile(items, Interleaved(1, 10)));
    const utimbuf times{modified, modified};
    EXPECT_EQ(utime(Path("in.smp").c_str(), &times), 0);
    ConversionContext context = Context();
    ExportNSP(context, settings.ExportNSP, Path("in.smp"), Path("out.nsp"));
    return ReadFile(Path("out.nsp")).substr(20, 20);
  }

 private:
  std::optional<std::string> savedTz_;
};

TEST_F(NspExportDate, ItemOfTwentyCharactersIsKeptAnyOtherLengthIsReplaced) {
  const std::time_t modified = 1709647389;  // 2024-03-05 14:03:09 UTC
  EXPECT_EQ(DateWritten({"nchans=1", "nspdate=Dec 31 23:59:59 1999"}, modified),
            "Dec 31 23:59:59 1999");
  EXPECT_EQ(DateWritten({"nchans=1", "nspdate=Dec 31 23:59:59 199"}, modified),
            "Mar 05 14:03:09 2024");
  EXPECT_EQ(DateWritten({"nchans=1", "nspdate=Dec 31 23:59:59 19999"}, modified),
            "Mar 05 14:03:09 2024");
  EXPECT_EQ(DateWritten({"nchans=1"}, std::time_t{0}), "Jan 01 00:00:00 1970");
}

TEST_F(NspExportDate, MonthNamesAreEnglishInEveryLocale) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no German or French locale installed";
  }
  EXPECT_EQ(DateWritten({"nchans=1"}, 1709647389), "Mar 05 14:03:09 2024");
  EXPECT_EQ(DateWritten({"nchans=1"}, 1702300000), "Dec 11 13:06:40 2023");
}

TEST_F(NspExport, ChannelCountsNspCannotHoldAreRefusedWithAMessageBox) {
  const std::string nine = Export(SmpFile(Items("16000", 9), Interleaved(9, 10)));
  EXPECT_TRUE(nine.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "NSP files cannot have more than 8 channels,\r" + Path("in.smp") + "\r has 9");
  EXPECT_EQ(boxes.shown[0].caption, "Too many channels");
  EXPECT_EQ(boxes.shown[0].flags, unsigned{mbOk | mbIconExclamation});

  const std::string none = Export(SmpFile(Items("16000", 0), Interleaved(1, 10)));
  EXPECT_TRUE(none.empty());
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, "Cannot convert \r" + Path("in.smp") + "\r to NSP");
  EXPECT_EQ(boxes.shown[1].caption, "Error");
  EXPECT_EQ(boxes.shown[1].flags, unsigned{mbOk | mbIconExclamation});
  EXPECT_EQ(log.lines, (std::vector<std::string>{"in.smp -> out.nsp", "in.smp -> out.nsp"}));
}

TEST_F(NspExport, SplitRateUnopenableAndCancelledSourcesLeaveNoOutput) {
  const std::string split = Export(SmpFile({"nchans=1", "scan=0,5"}, Interleaved(2, 10)));
  EXPECT_TRUE(split.empty());
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"in.smp -> out.nsp",
                                      Path("in.smp") + " has split rate! Conversion aborted."}));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace vorsel::test::nsp
