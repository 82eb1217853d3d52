// Labels in memory: the two stores, normalising, the label fields, selecting a label in the
// whole file and in one channel, and rescaling.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/dotnum.h"
#include "smp/label_text.h"
#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using Lines = std::vector<std::string>;
using test::HeadBytes;
using test::LittleEndianSamples;
using test::Ramp;
using test::WriteFile;

TEST(LabelText, TheFirstTwoSeparatorsBecomeCommas) {
  EXPECT_EQ(NormaliseLabel("100;50;a;b"), "100,50,a;b");
  EXPECT_EQ(NormaliseLabel("10;20;a,b"), "10,20,a,b");
  EXPECT_EQ(NormaliseLabel("1,2;x;y,z"), "1,2,x;y,z");
  EXPECT_EQ(NormaliseLabel("no separators"), "no separators");
}

TEST(LabelText, OnlyLFollowedByAnIntegerNamesALabelItem) {
  EXPECT_TRUE(IsLabelItemName("L1"));
  EXPECT_TRUE(IsLabelItemName("L12"));
  EXPECT_TRUE(IsLabelItemName("l3"));
  EXPECT_FALSE(IsLabelItemName("L"));
  EXPECT_FALSE(IsLabelItemName("L1a"));
  EXPECT_FALSE(IsLabelItemName("view0"));
  // Other items with a number after their first letter are data of their own.
  EXPECT_FALSE(IsLabelItemName("f1"));
}

TEST(LabelText, ScalingRoundsHalvesToTheEvenScan) {
  EXPECT_EQ(ScaledLabel(101, 40, "t", 0.5, 2), "51,20,t");
  EXPECT_EQ(ScaledLabel(5, 7, "", 0.5, 1), "2,4,");  // 2.5 -> 2, 3.5 -> 4
  // A factor of 1 changes nothing, whatever the slot; the slot keeps the sign of the start.
  EXPECT_EQ(ScaledLabel(103, 40, "o", 1.0, 2), "103,40,o");
  EXPECT_EQ(ScaledLabel(-3, 4, "n", 1.0, 2), "-3,4,n");
  EXPECT_EQ(ScaledLabel(10, 10, "z", 1.0, 0), "10,10,z");
  // Never beyond what a label field reads back as.
  EXPECT_EQ(ScaledLabel(2000000000, 1, "", 1e9, 1), "2147483647,1000000000,");
  EXPECT_EQ(ScaledLabel(1, 1, "", std::nan(""), 1), "0,0,");
}

TEST(LabelText, LabelFileNameReplacesTheExtension) {
  EXPECT_EQ(LabelFileNameOf("/data/x.smp"), "/data/x.csv");
  EXPECT_EQ(LabelFileNameOf("/data/x"), "/data/x.csv");
  EXPECT_EQ(LabelFileNameOf("/da.ta/x"), "/da.ta/x.csv");
  EXPECT_EQ(LabelFileNameOf("/data/.hidden"), "/data/.hidden.csv");
  EXPECT_EQ(LabelFileNameOf("x.y.smp"), "x.y.csv");
}

TEST(InternalLabels, CountStopsAtTheFirstMissingItem) {
  TSMPfile smp;
  smp.SetItems({"L1=0,100,first", "L2=200,50,second"});
  EXPECT_EQ(smp.nlabels(), 2);
  smp.SetItems({"L1=0,1,a", "L3=4,1,c"});
  EXPECT_EQ(smp.nlabels(), 1);
  smp.add_label("5;6;b");
  EXPECT_EQ(smp.get_item("L2"), "5;6;b");  // as given
  EXPECT_EQ(smp.GetLabel(1), "5,6,b");     // read normalised
  EXPECT_EQ(smp.nlabels(), 3);
}

TEST(InternalLabels, SetAndGetGoThroughTheItems) {
  TSMPfile smp;
  smp.SetLabel(0, "1;2;x");
  EXPECT_EQ(smp.Items(), (Lines{"L1=1,2,x"}));
  EXPECT_EQ(smp.GetLabel(0), "1,2,x");
  EXPECT_EQ(smp.GetLabel(5), "");
  EXPECT_EQ(smp.GetLabel(-1), "");
  smp.SetLabel(-1, "ignored");
  EXPECT_EQ(smp.Items(), (Lines{"L1=1,2,x"}));
}

TEST(InternalLabels, ClearRemovesTheCountedItemsWhateverTheirCase) {
  TSMPfile smp;
  smp.SetItems({"a=1", "l1=0,1,x", "L2=1,1,y", "L4=3,1,z"});
  smp.clear_labels();
  EXPECT_EQ(smp.nlabels(), 0);
  EXPECT_EQ(smp.Items(), (Lines{"a=1", "L4=3,1,z"}));
}

TEST(ExternalLabels, SetPadsTheListAndNormalises) {
  TSMPfile smp;
  smp.SetExternalLabels(true);
  smp.SetLabel(2, "10;20;a,b");
  EXPECT_EQ(smp.ExternalLabelList(), (Lines{"", "", "10,20,a,b"}));
  EXPECT_EQ(smp.nlabels(), 3);
  smp.add_label("1;1;c;d");
  EXPECT_EQ(smp.GetLabel(3), "1,1,c;d");
  EXPECT_EQ(smp.GetLabel(4), "");
  smp.clear_labels();
  EXPECT_EQ(smp.nlabels(), 0);
}

TEST(ExternalLabels, SwitchingOnMovesTheItemsAndNamesTheLabelFile) {
  TSMPfile smp;
  smp.SetFilename("/data/x.smp");
  smp.SetItems({"sftot=8000", "L1=0,100,first", "f1=120", "L2=200;50;second"});
  smp.SetExternalLabels(true);
  EXPECT_TRUE(smp.ExternalLabels());
  EXPECT_EQ(smp.ExternalLabelList(), (Lines{"0,100,first", "200,50,second"}));
  EXPECT_EQ(smp.CSVFileName(), "/data/x.csv");
  EXPECT_EQ(smp.Items(), (Lines{"sftot=8000", "f1=120", "labels=/data/x.csv"}));
}

TEST(ExternalLabels, SwitchingOffMakesItemsAndDropsTheLabelFile) {
  TSMPfile smp;
  smp.SetFilename("/data/x.smp");
  smp.SetItems({"L1=0,1,a", "L2=2,1,b"});
  smp.SetExternalLabels(true);
  smp.SetLabel(3, "9,1,d");  // leaves an empty label at 2, which takes no item
  smp.SetExternalLabels(false);
  EXPECT_FALSE(smp.ExternalLabels());
  EXPECT_EQ(smp.Items(), (Lines{"L1=0,1,a", "L2=2,1,b", "L3=9,1,d"}));
  EXPECT_EQ(smp.CSVFileName(), "");
  EXPECT_TRUE(smp.ExternalLabelList().empty());
}

TEST(ExternalLabels, ANameSetWithoutLabelsLeavesNoItem) {
  TSMPfile smp;
  smp.SetCSVFileName("/data/y.csv");
  EXPECT_EQ(smp.get_item("labels"), "");
  EXPECT_EQ(smp.CSVFileName(), "/data/y.csv");
  smp.add_label("0,1,a");
  smp.SetCSVFileName("/data/z.csv");
  EXPECT_EQ(smp.get_item("labels"), "/data/z.csv");
  EXPECT_FALSE(smp.ExternalLabels());  // appending the item takes none of the label actions
}

TEST(ExternalLabels, ItemsThatNameALabelFileBesideTheirLabelsKeepThem) {
  TSMPfile smp;
  smp.SetItems({"L1=0,1,a", "labels=/nowhere/l.csv", "L2=1;1;b"});
  EXPECT_TRUE(smp.ExternalLabels());
  EXPECT_EQ(smp.ExternalLabelList(), (Lines{"0,1,a", "1,1,b"}));
  EXPECT_EQ(smp.Items(), (Lines{"labels=/nowhere/l.csv"}));
}

TEST(LabelFields, StartLengthAndText) {
  TSMPfile smp;
  smp.SetItems({"L1=100,50,a;b,c", "L2=100,50", "L3=abc", "L4=x,5,t", "L5= 7 ;8;"});
  EXPECT_EQ(smp.LabelStart(0), 100);
  EXPECT_EQ(smp.LabelLength(0), 50);
  EXPECT_EQ(smp.LabelText(0), "a;b,c");  // the third separator is no separator
  EXPECT_EQ(smp.LabelStart(1), 100);
  EXPECT_EQ(smp.LabelLength(1), -1);
  EXPECT_EQ(smp.LabelText(1), "50");
  EXPECT_EQ(smp.LabelStart(2), -1);
  EXPECT_EQ(smp.LabelText(2), "abc");
  EXPECT_EQ(smp.LabelStart(3), -1);
  EXPECT_EQ(smp.LabelLength(3), 5);
  EXPECT_EQ(smp.LabelStart(4), 7);
  EXPECT_EQ(smp.LabelText(4), "");
  EXPECT_EQ(smp.LabelStart(9), -1);
}

class LabelSelection : public test::SmpFileTest {
 protected:
  void Open(std::initializer_list<std::string_view> items, size_t samples) {
    WriteAndOpen("s.smp", HeadBytes(items) + LittleEndianSamples(Ramp(samples)), false);
  }
};

TEST_F(LabelSelection, SelectsTheLabelsStretch) {
  Open({"L1=0,100,first", "L2=200,50,second"}, 400);
  smp_.SetPosition(300);
  smp_.SelectLabel(1);
  EXPECT_EQ(smp_.SelStart(), 200);
  EXPECT_EQ(smp_.Sellength(), 50);
  EXPECT_EQ(smp_.Position(), 200);
}

TEST_F(LabelSelection, WholeScansInAStereoFile) {
  Open({"nchans=2", "L1=101,41,odd"}, 400);
  smp_.SelectLabel(0);
  EXPECT_EQ(smp_.SelStart(), 100);
  EXPECT_EQ(smp_.Sellength(), 40);
}

TEST_F(LabelSelection, UnreadableOrNegativeFieldsSelectNothing) {
  Open({"L1=100,50", "L2=-4,10,neg", "L3=10,20,ok"}, 400);
  smp_.SelectLabel(2);
  smp_.SelectLabel(0);
  EXPECT_EQ(smp_.SelStart(), 0);
  EXPECT_EQ(smp_.Sellength(), 0);
  smp_.SelectLabel(2);
  smp_.SelectLabel(1);
  EXPECT_EQ(smp_.SelStart(), 0);
  EXPECT_EQ(smp_.Sellength(), 0);
}

TEST_F(LabelSelection, ChannelSelectionDividesByThePitch) {
  Open({"nchans=3", "scan=0,1,0,2", "L1=101,41,x", "L2=7,x,bad"}, 400);
  smp_.ChannelSelectLabel(0, 0);
  EXPECT_EQ(smp_.GetChannelSelStart(0), 50);
  EXPECT_EQ(smp_.GetChannelSellength(0), 20);
  EXPECT_EQ(smp_.GetChannelPosition(0), 50);
  smp_.ChannelSelectLabel(0, 2);
  EXPECT_EQ(smp_.GetChannelSelStart(2), 25);
  EXPECT_EQ(smp_.GetChannelSellength(2), 10);
  // Channel 5 has no slot, hence no pitch.
  smp_.ChannelSelectLabel(0, 5);
  EXPECT_EQ(smp_.GetChannelSelStart(5), 0);
  EXPECT_EQ(smp_.GetChannelSellength(5), 0);
  // An unreadable length: nothing, and the channel stays within its samples.
  smp_.ChannelSelectLabel(1, 1);
  EXPECT_EQ(smp_.GetChannelSelStart(1), 0);
  EXPECT_EQ(smp_.GetChannelSellength(1), 0);
  EXPECT_EQ(smp_.GetChannelPosition(1), 0);
}

TEST_F(LabelSelection, ScalingKeepsEachStartInItsSlotAndTheStore) {
  Open({"nchans=2", "L1=101,40,t", "L2=10;21;u;v"}, 400);
  smp_.ScaleLabelsBy(0.5);
  EXPECT_FALSE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.get_item("L1"), "51,20,t");
  EXPECT_EQ(smp_.get_item("L2"), "4,10,u;v");  // 2 x round(2.5) + 0, 2 x round(5.25)
  EXPECT_EQ(smp_.get_item("labels"), "");

  smp_.SetExternalLabels(true);
  smp_.ScaleLabelsBy(2);
  EXPECT_TRUE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"101,40,t", "8,20,u;v"}));
}

TEST_F(LabelSelection, ScalingAnUnreadableLabelRaisesAndLeavesTheLabelsExternal) {
  Open({"L1=10,10,a", "L2=x,10,b"}, 100);
  try {
    smp_.ScaleLabelsBy(2);
    FAIL() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'x' is not a valid integer value");
  }
  EXPECT_TRUE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"20,20,a", "x,10,b"}));
}

}  // namespace
}  // namespace vorsel
