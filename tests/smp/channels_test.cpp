// One channel of the interleaved data: reading, writing, positions, selections, extremes.

#include <gtest/gtest.h>

#include <string>

#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using test::HeadBytes;
using test::LittleEndianSamples;
using test::MakeChunk;
using test::Ramp;
using test::ReadFile;
using test::Used;
using test::WriteFile;

class ChannelFile : public test::SmpFileTest {
 protected:
  void Write(std::initializer_list<std::string_view> items, const std::vector<int16_t>& samples,
             bool readOnly = false) {
    head_ = HeadBytes(items);
    WriteAndOpen("c.smp", head_ + LittleEndianSamples(samples), readOnly);
  }

  // Every sample of one channel, read in chunks of `size`.
  std::vector<int16_t> ReadChannel(int channo, int32_t size) {
    smp_.SetChunknSamples(size);
    smp_.SetChannelPosition(channo, 0);
    std::vector<int16_t> all;
    const auto chunk = MakeChunk();
    for (;;) {
      smp_.GetChannelChunk(channo, *chunk);
      if (chunk->used == 0) {
        return all;
      }
      all.insert(all.end(), chunk->data, chunk->data + chunk->used);
    }
  }
};

TEST_F(ChannelFile, ReadsEverySecondSampleOfAStereoFile) {
  Write({"nchans=2"}, Ramp(20));
  smp_.SetChunknSamples(4);
  const auto chunk = MakeChunk();
  smp_.GetChannelChunk(1, *chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{1, 3, 5, 7}));
  EXPECT_EQ(smp_.GetChannelPosition(1), 4);
  smp_.GetChannelChunk(1, *chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{9, 11, 13, 15}));
  smp_.ChannelRewind(1);
  smp_.GetChannelChunk(1, *chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{9, 11, 13, 15}));
  smp_.GetChannelChunk(0, *chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{0, 2, 4, 6}));
}

TEST_F(ChannelFile, SplitRateChannelsTakeTheirOwnSlots) {
  Write({"nchans=3", "scan=0,1,0,2"}, Ramp(4 * 5));
  EXPECT_EQ(ReadChannel(0, 3), (std::vector<int16_t>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18}));
  EXPECT_EQ(ReadChannel(1, 2), (std::vector<int16_t>{1, 5, 9, 13, 17}));
  EXPECT_EQ(ReadChannel(2, 16384), (std::vector<int16_t>{3, 7, 11, 15, 19}));
}

TEST_F(ChannelFile, LongChannelsReadAcrossInterleavedBlocks) {
  const int scans = 40000;
  Write({"nchans=3"}, Ramp(3 * scans));
  std::vector<int16_t> expected;
  for (int i = 0; i < scans; ++i) {
    expected.push_back(static_cast<int16_t>(3 * i + 2));
  }
  EXPECT_EQ(ReadChannel(2, 16384), expected);
  EXPECT_EQ(ReadChannel(2, 1000), expected);
  EXPECT_EQ(smp_.ChannelnSamples(2), scans);
}

TEST_F(ChannelFile, ChannelsAreSwappedInBigEndianFiles) {
  path_ = dir_ / "be.smp";
  WriteFile(path_, HeadBytes({"nchans=2", "msb=first"}) + std::string("\x01\x02\x03\x04", 4));
  ASSERT_TRUE(smp_.open_file(path_, false));
  const auto chunk = MakeChunk();
  smp_.GetChannelChunk(1, *chunk);
  EXPECT_EQ(Used(*chunk), std::vector<int16_t>{0x0304});
  smp_.SetChannelPosition(0, 0);
  smp_.SetChannelChunk(0, *MakeChunk({0x0A0B}));
  EXPECT_EQ(ReadFile(path_),
            HeadBytes({"nchans=2", "msb=first"}) + std::string("\x0A\x0B\x03\x04", 4));
}

TEST_F(ChannelFile, WritingChannelByChannelBuildsInterleavedData) {
  path_ = dir_ / "built.smp";
  ASSERT_TRUE(smp_.new_file(path_));
  smp_.SetnChans(2);
  smp_.SetChannelChunk(0, *MakeChunk({1, 2, 3}));
  EXPECT_EQ(smp_.nSamples(), 6);
  smp_.SetChannelChunk(1, *MakeChunk({-1, -2, -3}));
  smp_.SetChannelChunk(0, *MakeChunk({4}));
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(ReadFile(path_),
            HeadBytes({"nchans=2"}) + LittleEndianSamples({1, -1, 2, -2, 3, -3, 4, 0}));
}

TEST_F(ChannelFile, WritingLeavesTheOtherChannelsAndTheCallersChunkAlone) {
  Write({"nchans=3", "scan=0,1,0,2"}, Ramp(8, 100));
  smp_.SetChannelPosition(2, 0);
  const auto chunk = MakeChunk({-5, -6});
  smp_.SetChannelChunk(2, *chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{-5, -6}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({100, 101, 102, -5, 104, 105, 106, -6}));
  EXPECT_EQ(smp_.GetChannelPosition(2), 2);
}

TEST_F(ChannelFile, ReadOnlyAndOutOfRangeChannelsChangeNothing) {
  Write({"nchans=2"}, Ramp(4), true);
  smp_.SetChannelChunk(0, *MakeChunk({9}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples(Ramp(4)));
  const auto chunk = MakeChunk({1});
  for (const int channo : {-1, 2, 128, 100000}) {
    smp_.GetChannelChunk(channo, *chunk);
    EXPECT_EQ(chunk->used, 0) << channo;
    smp_.SetChannelPosition(channo, 5);
    EXPECT_EQ(smp_.GetChannelPosition(channo), 0) << channo;
    smp_.SetChannelSelStart(channo, 3);
    EXPECT_EQ(smp_.GetChannelSelStart(channo), channo == 2 ? 3 : 0) << channo;
    smp_.ChannelRewind(channo);
  }
}

TEST_F(ChannelFile, NoOpenFileGivesAnEmptyChunk) {
  smp_.SetChunknSamples(4);
  const auto chunk = MakeChunk(std::vector<int16_t>(8, 3));
  smp_.GetChannelChunk(0, *chunk);
  EXPECT_EQ(chunk->used, 0);
  EXPECT_EQ(chunk->data[3], 0);
  EXPECT_EQ(chunk->data[4], 3);
  EXPECT_EQ(smp_.GetChannelPosition(0), 0);
}

TEST_F(ChannelFile, SelectionAndExtremesOfOneChannel) {
  Write({"nchans=2"}, {5, -100, -7, 200, 9, 0, 1, 3000});
  smp_.ChannelSelectAll(0);
  EXPECT_EQ(smp_.GetChannelSellength(0), 4);
  tsmallintpair extremes = smp_.ChannelMinMax(0);
  EXPECT_EQ(extremes.lo, -7);
  EXPECT_EQ(extremes.hi, 9);

  smp_.SetChannelSelStart(1, 1);
  smp_.SetChannelSellength(1, 2);
  smp_.SetChunknSamples(7);
  smp_.SetChannelPosition(1, 3);
  extremes = smp_.ChannelMinMax(1);
  EXPECT_EQ(extremes.lo, 0);
  EXPECT_EQ(extremes.hi, 200);
  EXPECT_EQ(smp_.ChunknSamples(), 7);
  EXPECT_EQ(smp_.GetChannelPosition(1), 3);

  smp_.SetChannelSellength(1, 0);
  extremes = smp_.ChannelMinMax(1);
  EXPECT_EQ(extremes.lo, 32767);
  EXPECT_EQ(extremes.hi, -32768);
  extremes = smp_.ChannelMinMax(2);
  EXPECT_EQ(extremes.lo, 0);
  EXPECT_EQ(extremes.hi, 0);
}

}  // namespace
}  // namespace vorsel
