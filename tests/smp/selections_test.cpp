// The selection of the whole file, selection and scan chunks, and the minimum and maximum
// search with its busy event.

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

class SelectionFile : public test::SmpFileTest {
 protected:
  void Write(std::initializer_list<std::string_view> items, const std::vector<int16_t>& samples,
             bool readOnly = false) {
    head_ = HeadBytes(items);
    WriteAndOpen("s.smp", head_ + LittleEndianSamples(samples), readOnly);
  }
};

TEST_F(SelectionFile, StartAndLengthAreWholeScans) {
  Write({"nchans=2"}, Ramp(2000));
  smp_.SetPosition(100);
  smp_.SetSelStart(7);
  EXPECT_EQ(smp_.SelStart(), 6);
  EXPECT_EQ(smp_.Position(), 6);
  EXPECT_EQ(smp_.SelPosition(), 0);
  smp_.SetSellength(9);
  EXPECT_EQ(smp_.Sellength(), 8);
  smp_.SelectAll();
  EXPECT_EQ(smp_.SelStart(), 0);
  EXPECT_EQ(smp_.Sellength(), 2000);
}

TEST_F(SelectionFile, PositionsRelativeToTheSelectionAndInScans) {
  Write({"nchans=2"}, Ramp(100));
  smp_.SetSelStart(10);
  smp_.SetSelPosition(4);
  EXPECT_EQ(smp_.Position(), 14);
  EXPECT_EQ(smp_.ScanPosition(), 7);
  EXPECT_EQ(smp_.SelScanPosition(), 2);
  smp_.SetScanPosition(3);
  EXPECT_EQ(smp_.Position(), 6);
  smp_.SetSelScanPosition(5);
  EXPECT_EQ(smp_.Position(), 20);
}

TEST_F(SelectionFile, ReadsAsZeroWhileClosed) {
  Write({"nchans=1"}, Ramp(10));
  smp_.SetSelStart(2);
  smp_.SetSellength(5);
  smp_.close_file();
  EXPECT_EQ(smp_.SelStart(), 0);
  EXPECT_EQ(smp_.Sellength(), 0);
  const tsmallintpair extremes = smp_.MinMax();
  EXPECT_EQ(extremes.lo, 0);
  EXPECT_EQ(extremes.hi, 0);
}

TEST_F(SelectionFile, SelectionChunkStopsAtTheEndOfTheSelection) {
  Write({"nchans=1"}, Ramp(1000));
  smp_.SetSelStart(0);
  smp_.SetSellength(100);
  const auto chunk = MakeChunk();
  smp_.GetSelChunk(*chunk);
  EXPECT_EQ(Used(*chunk), Ramp(100));
  EXPECT_EQ(smp_.SelPosition(), 100);
  smp_.GetSelChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  EXPECT_EQ(smp_.SelPosition(), 100);
  smp_.SetPosition(500);
  smp_.GetSelChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
}

TEST_F(SelectionFile, SelectionWritesAreCutAtItsEnd) {
  Write({"nchans=1"}, Ramp(6));
  smp_.SetSelStart(1);
  smp_.SetSellength(3);
  smp_.SetSelPosition(1);
  smp_.SetSelChunk(*MakeChunk({-1, -2, -3, -4}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({0, 1, -1, -2, 4, 5}));
  smp_.SetSelChunk(*MakeChunk({-9}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({0, 1, -1, -2, 4, 5}));
}

TEST_F(SelectionFile, ScanChunksMoveOneScanWhateverTheCount) {
  Write({"nchans=3"}, Ramp(9));
  const auto chunk = MakeChunk();
  smp_.SetScanPosition(1);
  smp_.GetScanChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{3, 4, 5}));
  EXPECT_EQ(smp_.ChunknSamples(), 16384);

  const auto scan = MakeChunk({-1, -2, -3, -4, -5});
  scan->used = 0;
  smp_.SetScanPosition(0);
  smp_.SetScanChunk(*scan);
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({-1, -2, -3, 3, 4, 5, 6, 7, 8}));
}

TEST_F(SelectionFile, SelectionScanChunks) {
  Write({"nchans=2"}, Ramp(10));
  smp_.SetSelStart(2);
  smp_.SetSellength(4);
  const auto chunk = MakeChunk();
  smp_.GetSelScanChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{2, 3}));
  smp_.GetSelScanChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{4, 5}));
  smp_.GetSelScanChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);

  smp_.SetSelPosition(2);
  smp_.SetSelScanChunk(*MakeChunk({-7, -8, -9}));
  smp_.SetSelScanChunk(*MakeChunk({-1, -1}));
  EXPECT_EQ(ReadFile(path_), head_ + LittleEndianSamples({0, 1, 2, 3, -7, -8, 6, 7, 8, 9}));
}

TEST_F(SelectionFile, MinMaxOverTheSelectionKeepsThePosition) {
  Write({"nchans=1"}, {100, -5, 7, 3, -200});
  smp_.SetSelStart(1);
  smp_.SetSellength(3);
  smp_.SetPosition(4);
  tsmallintpair extremes = smp_.MinMax();
  EXPECT_EQ(extremes.lo, -5);
  EXPECT_EQ(extremes.hi, 7);
  EXPECT_EQ(smp_.Position(), 4);
  smp_.SetSellength(0);
  extremes = smp_.MinMax();
  EXPECT_EQ(extremes.lo, 32767);
  EXPECT_EQ(extremes.hi, -32768);
}

// A file of many blocks whose extremes lie in a late block, in a sample before the selection
// and in a last scan that the file holds only in part: only whole scans of the selection count,
// in either byte order.
TEST_F(SelectionFile, MinMaxTakesWholeScansOfTheSelectionAcrossBlocks) {
  std::vector<int16_t> samples(3 * 70001 + 2, 0);
  samples[0] = -30000;
  samples[150001] = 1234;
  samples[150002] = -999;
  samples[3 * 70001] = 30000;
  samples[3 * 70001 + 1] = -31000;
  for (const bool msbFirst : {false, true}) {
    head_ = HeadBytes({"nchans=3", msbFirst ? "msb=first" : "msb=last"});
    WriteAndOpen(
        "s.smp",
        head_ + (msbFirst ? test::BigEndianSamples(samples) : LittleEndianSamples(samples)), false);
    smp_.SelectAll();
    smp_.SetSelStart(3);
    const tsmallintpair extremes = smp_.MinMax();
    EXPECT_EQ(extremes.lo, -999) << msbFirst;
    EXPECT_EQ(extremes.hi, 1234) << msbFirst;
    smp_.SetSellength(149997);
    EXPECT_EQ(smp_.MinMax().hi, 0);
    smp_.close_file();
  }
}

TEST_F(SelectionFile, LongSearchesRaiseTheBusyEvent) {
  Write({"nchans=1"}, Ramp(200000));
  int calls = 0;
  smp_.OnLongTimeBusy = [&](TSMPfile& sender) {
    EXPECT_EQ(&sender, &smp_);
    ++calls;
  };
  smp_.SelectAll();
  smp_.SetChunknSamples(1);
  smp_.SetLongTime(1000000);
  smp_.MinMax();
  EXPECT_EQ(calls, 0);
  smp_.SetLongTime(0);
  const tsmallintpair extremes = smp_.MinMax();
  EXPECT_GT(calls, 0);
  EXPECT_EQ(extremes.lo, -32768);
  EXPECT_EQ(extremes.hi, 32767);
}

}  // namespace
}  // namespace vorsel
