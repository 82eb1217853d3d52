// Chunks that run towards the start of the file.

#include <gtest/gtest.h>

#include <algorithm>
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

class BackwardsFile : public test::SmpFileTest {
 protected:
  void Open(std::string_view channels, const std::vector<int16_t>& samples,
            std::string_view msb = "msb=last") {
    head_ = HeadBytes({channels, msb});
    const std::string data =
        msb == "msb=first" ? test::BigEndianSamples(samples) : LittleEndianSamples(samples);
    WriteAndOpen("b.smp", head_ + data, false);
  }
};

TEST_F(BackwardsFile, ReadsReversedChunksFromTheEnd) {
  Open("nchans=1", Ramp(10));
  smp_.SetBackwards(true);
  smp_.SetPosition(0);
  EXPECT_EQ(smp_.Position(), 0);
  smp_.SetChunknSamples(4);
  const auto chunk = MakeChunk();
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{9, 8, 7, 6}));
  EXPECT_EQ(smp_.Position(), 4);
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{5, 4, 3, 2}));
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{1, 0}));
  smp_.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  EXPECT_EQ(smp_.Position(), 10);
}

TEST_F(BackwardsFile, ReversesTheChannelOrderWithinEachScan) {
  Open("nchans=2", {10, 11, 20, 21, 30, 31});
  smp_.SetBackwards(true);
  smp_.SetPosition(0);
  const auto chunk = MakeChunk();
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{31, 30, 21, 20, 11, 10}));
}

TEST_F(BackwardsFile, PositionCountsFromTheEnd) {
  Open("nchans=2", Ramp(20));
  smp_.SetBackwards(true);
  smp_.SetPosition(5);
  EXPECT_EQ(smp_.Position(), 6);
  smp_.SetChunknSamples(2);
  const auto chunk = MakeChunk();
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{13, 12}));
  smp_.SetPosition(100);
  EXPECT_EQ(smp_.Position(), 20);
  smp_.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
}

TEST_F(BackwardsFile, ByteSwapAppliesAfterReversing) {
  Open("nchans=1", {0x0102, 0x0304}, "msb=first");
  smp_.SetBackwards(true);
  smp_.SetPosition(0);
  const auto chunk = MakeChunk();
  smp_.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{0x0304, 0x0102}));
}

TEST_F(BackwardsFile, WritesTheFirstSampleJustBeforeThePosition) {
  Open("nchans=1", Ramp(6));
  smp_.SetBackwards(true);
  smp_.SetPosition(1);
  smp_.SetChunk(*MakeChunk({100, 101, 102}));
  EXPECT_EQ(smp_.Position(), 4);
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({0, 1, 102, 101, 100, 5}));
}

TEST_F(BackwardsFile, WritesStopAtTheDataOffset) {
  Open("nchans=1", Ramp(6));
  smp_.SetBackwards(true);
  smp_.SetPosition(4);
  smp_.SetChunk(*MakeChunk({100, 101, 102, 103, 104}));
  EXPECT_EQ(smp_.Position(), 6);
  // The reversed chunk is 104 103 102 101 100; its first two fill the two samples left.
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({104, 103, 2, 3, 4, 5}));
  smp_.SetChunk(*MakeChunk({1}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({104, 103, 2, 3, 4, 5}));
}

TEST_F(BackwardsFile, WritesInTheFilesByteOrder) {
  Open("nchans=1", Ramp(2), "msb=first");
  smp_.SetBackwards(true);
  smp_.SetPosition(0);
  smp_.SetChunk(*MakeChunk({0x0102, 0x0304}));
  EXPECT_EQ(ReadFile(path_), head_ + test::BigEndianSamples({0x0304, 0x0102}));
}

TEST_F(BackwardsFile, ReadingBackwardsMirrorsReadingForwards) {
  const std::vector<int16_t> samples = Ramp(50000, -25000);
  Open("nchans=1", samples);
  smp_.SetBackwards(true);
  smp_.SetPosition(0);
  std::vector<int16_t> reversed = test::ReadAll(smp_);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(reversed, samples);
}

}  // namespace
}  // namespace vorsel
