// The scan pattern: its tables, the quantities derived from them and the refusal of patterns
// that cannot describe the data.

#include <gtest/gtest.h>

#include <string>

#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using test::HeadBytes;
using test::LittleEndianSamples;
using test::Ramp;
using test::WriteFile;

struct OpenOutcome {
  std::string path;
  std::string error;  // empty when the file opened
};

OpenOutcome OpenWithHead(std::initializer_list<std::string_view> items) {
  test::TempDir dir;
  OpenOutcome outcome{dir / "scan.smp", {}};
  WriteFile(outcome.path, HeadBytes(items) + LittleEndianSamples(Ramp(8)));
  TSMPfile smp;
  try {
    smp.open_file(outcome.path, true);
  } catch (const EInvalidSMPHeader& error) {
    outcome.error = error.what();
  }
  smp.close_file();
  return outcome;
}

void ExpectRefused(std::initializer_list<std::string_view> items, const std::string& scan) {
  const OpenOutcome outcome = OpenWithHead(items);
  EXPECT_EQ(outcome.error,
            "File header in " + outcome.path + "\rHas an invalid \"scan\" item:\rscan=" + scan);
}

TEST(ScanTables, MonoFileWithoutScanItem) {
  test::TempDir dir;
  WriteFile(dir / "m.smp", HeadBytes({"nchans=1"}) + LittleEndianSamples(Ramp(9)));
  TSMPfile smp;
  EXPECT_EQ(smp.DebugErrorStr(), "");
  ASSERT_TRUE(smp.open_file(dir / "m.smp", true));
  EXPECT_EQ(smp.ScanCount(), 1);
  EXPECT_EQ(smp.ScanPitch(0), 1);
  EXPECT_EQ(smp.ScanFirst(0), 0);
  EXPECT_FALSE(smp.IsSplitRate());
  EXPECT_EQ(smp.ChannelnSamples(0), smp.nSamples());
  EXPECT_EQ(smp.DebugErrorStr(), "Was 0");
  smp.close_file();
}

TEST(ScanTables, ChannelsInOrderWithoutScanItem) {
  TSMPfile smp;
  smp.SetnChans(4);
  EXPECT_EQ(smp.ScanCount(), 4);
  EXPECT_EQ(smp.ScanChannel(3), 3);
  EXPECT_EQ(smp.ScanPitch(2), 4);
  EXPECT_EQ(smp.DebugErrorStr(), "Was 3");
  EXPECT_EQ(smp.ScanStr(), "");
}

TEST(ScanTables, SplitRatePeriod) {
  TSMPfile smp;
  smp.SetItems({"nchans=3", "scan=0,1,0,2", "sftot=32000"});
  EXPECT_EQ(smp.ScanCount(), 4);
  EXPECT_TRUE(smp.IsSplitRate());
  EXPECT_EQ(smp.ScanPitch(0), 2);
  EXPECT_EQ(smp.ScanPitch(1), 4);
  EXPECT_EQ(smp.ScanPitch(2), 4);
  EXPECT_EQ(smp.ScanFirst(0), 0);
  EXPECT_EQ(smp.ScanFirst(1), 1);
  EXPECT_EQ(smp.ScanFirst(2), 3);
  EXPECT_EQ(smp.ChannelSf(0), 16000.0);
  EXPECT_EQ(smp.ChannelSf(1), 8000.0);
  EXPECT_EQ(smp.ChannelSf(2), 8000.0);
  EXPECT_EQ(smp.ScanChannel(3), 2);
  EXPECT_EQ(smp.ScanChannel(4), -1);
  EXPECT_EQ(smp.ScanChannel(-1), -1);
  EXPECT_EQ(smp.ScanStr(), "0,1,0,2");
}

TEST(ScanTables, AnyNonDigitSeparatesTheNumbers) {
  for (const char* scan : {"scan=0 1 0 2", "scan=0;1;0;2", "scan=[0]-1-0-2."}) {
    TSMPfile smp;
    smp.SetItems({"nchans=3", scan});
    EXPECT_EQ(smp.ScanCount(), 4) << scan;
    EXPECT_EQ(smp.ScanChannel(2), 0) << scan;
    EXPECT_EQ(smp.ScanChannel(3), 2) << scan;
  }
}

TEST(ScanTables, SlotOfAnAbsentChannelCountsInTheScanOnly) {
  TSMPfile smp;
  smp.SetItems({"nchans=1", "scan=0,5"});
  EXPECT_EQ(smp.ScanCount(), 2);
  EXPECT_TRUE(smp.IsSplitRate());
  EXPECT_EQ(smp.ScanPitch(0), 2);
  EXPECT_EQ(smp.ScanPitch(5), 0);
  EXPECT_EQ(smp.ChannelSf(5), 0.0);
  EXPECT_EQ(smp.ChannelDuration(5), 0.0);
}

TEST(ScanTables, ChannelQuantitiesOutsideTheTables) {
  TSMPfile smp;
  smp.SetnChans(2);
  EXPECT_EQ(smp.ScanPitch(-1), 0);
  EXPECT_EQ(smp.ScanPitch(128), 0);
  EXPECT_EQ(smp.ScanFirst(500), -1);
  EXPECT_EQ(smp.ChannelSf(1000), 0.0);
  EXPECT_EQ(smp.ChannelnSamples(-7), 0);
}

TEST(ScanValidation, PeriodsThatPass) {
  EXPECT_EQ(OpenWithHead({"nchans=3", "scan=0,1,0,2"}).error, "");
  EXPECT_EQ(OpenWithHead({"nchans=2", "scan=0,1,0,1"}).error, "");
  EXPECT_EQ(OpenWithHead({"nchans=2", "scan=1,0"}).error, "");
  EXPECT_EQ(OpenWithHead({"nchans=1", "scan=0,5"}).error, "");
}

TEST(ScanValidation, UnequalSpacingOrAMissingChannelIsRefusedWithTheMessage) {
  ExpectRefused({"nchans=2", "scan=0,0,1"}, "0,0,1");
  ExpectRefused({"nchans=2", "scan=0"}, "0");
  ExpectRefused({"nchans=2", "scan=0,1,1,0"}, "0,1,1,0");
  ExpectRefused({"nchans=2", "scan=none"}, "none");
}

TEST(ScanValidation, PatternsBeyondTheTablesAreRefused) {
  ExpectRefused({"nchans=1", "scan=0,128"}, "0,128");
  ExpectRefused({"nchans=1", "scan=0,99999999999"}, "0,99999999999");
  ExpectRefused({"nchans=129"}, "");
  EXPECT_EQ(OpenWithHead({"nchans=128"}).error, "");
}

TEST(ScanValidation, TheFirstOperationThatNeedsTheTablesRaises) {
  TSMPfile smp;
  smp.SetItems({"nchans=2", "scan=0"});
  EXPECT_THROW(smp.ScanCount(), EInvalidSMPHeader);
  EXPECT_THROW(smp.IsSplitRate(), EInvalidSMPHeader);
  EXPECT_THROW(smp.SetScanStr("0,0,1"), EInvalidSMPHeader);
  smp.SetScanStr("0,1");
  EXPECT_EQ(smp.ScanCount(), 2);
}

TEST(ScanStr, WritingResetsEveryChannelPosition) {
  test::TempDir dir;
  WriteFile(dir / "s.smp", HeadBytes({"nchans=2"}) + LittleEndianSamples(Ramp(20)));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(dir / "s.smp", true));
  smp.SetChannelPosition(1, 3);
  smp.SetChannelSelStart(0, 2);
  smp.SetChannelSellength(0, 4);
  smp.SetScanStr("1,0");
  EXPECT_EQ(smp.get_item("scan"), "1,0");
  EXPECT_EQ(smp.GetChannelPosition(1), 0);
  EXPECT_EQ(smp.GetChannelSelStart(0), 0);
  EXPECT_EQ(smp.GetChannelSellength(0), 0);
  EXPECT_EQ(smp.ScanFirst(1), 0);
  smp.close_file();
}

TEST(ChannelQuantities, SamplesAndDurationPerChannel) {
  test::TempDir dir;
  WriteFile(dir / "q.smp", HeadBytes({"nchans=3", "scan=0,1,0,2", "sftot=32000"}) +
                               LittleEndianSamples(Ramp(4 * 1000 + 3)));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(dir / "q.smp", true));
  EXPECT_EQ(smp.nSamples(), 4000);
  EXPECT_EQ(smp.ChannelnSamples(0), 2001);
  EXPECT_EQ(smp.ChannelnSamples(1), 1000);
  EXPECT_DOUBLE_EQ(smp.ChannelDuration(0), 2001.0 / 16000.0);
  EXPECT_DOUBLE_EQ(smp.ChannelDuration(2), 1000.0 / 8000.0);
  EXPECT_EQ(smp.ChannelDuration(3), 0.0);
  EXPECT_EQ(smp.ChannelDuration(-1), 0.0);
  smp.close_file();
  EXPECT_EQ(smp.ChannelnSamples(0), 0);
}

TEST(ChannelQuantities, ZeroRateGivesZeroDurationNeverInfinity) {
  test::TempDir dir;
  WriteFile(dir / "z.smp", HeadBytes({"nchans=1", "sftot=0"}) + LittleEndianSamples(Ramp(10)));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(dir / "z.smp", true));
  EXPECT_EQ(smp.ChannelSf(0), 0.0);
  EXPECT_EQ(smp.ChannelDuration(0), 0.0);
  smp.set_item("sftot", "-8000");
  EXPECT_EQ(smp.ChannelSf(0), 0.0);
  EXPECT_EQ(smp.ChannelDuration(0), 0.0);
  smp.close_file();
}

TEST(ChannelQuantities, NoChannelsMeansNoData) {
  test::TempDir dir;
  WriteFile(dir / "e.smp", HeadBytes({"nchans=0"}) + LittleEndianSamples(Ramp(10)));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(dir / "e.smp", true));
  EXPECT_EQ(smp.ScanCount(), 0);
  EXPECT_EQ(smp.nSamples(), 0);
  smp.SetPosition(4);
  EXPECT_EQ(smp.Position(), 0);
  const auto chunk = test::MakeChunk();
  smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  smp.SelectAll();
  EXPECT_EQ(smp.Sellength(), 0);
  smp.close_file();
}

}  // namespace
}  // namespace vorsel
