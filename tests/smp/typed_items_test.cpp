// Typed items: their text formats, their defaults for missing or unreadable values, the cache,
// and the view and range scaling per channel.

#include <gtest/gtest.h>

#include <string>

#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

TEST(TypedItems, MissingItemsReadAsTheDesignDefaults) {
  TSMPfile smp;
  EXPECT_EQ(smp.HeadSize(), 1024);
  EXPECT_EQ(smp.FileType(), "samp");
  EXPECT_EQ(smp.SfTot(), 16000.0);
  EXPECT_EQ(smp.nChans(), 1);
  EXPECT_FALSE(smp.MSBFirst());
}

TEST(TypedItems, UnreadableValuesReadAsTheDefaults) {
  TSMPfile smp;
  smp.SetItems({"head=12x", "sftot=fast", "nchans=two", "msb=First"});
  EXPECT_EQ(smp.HeadSize(), 1024);
  EXPECT_EQ(smp.SfTot(), 16000.0);
  EXPECT_EQ(smp.nChans(), 1);
  EXPECT_FALSE(smp.MSBFirst());
  smp.SetdefMSBFirst(true);
  EXPECT_TRUE(smp.MSBFirst());
  smp.SetItems({"nchans=99999999999", "head=-20"});
  EXPECT_EQ(smp.nChans(), 1);
  EXPECT_EQ(smp.HeadSize(), 1024);
}

TEST(TypedItems, ReadsTheirItems) {
  TSMPfile smp;
  smp.SetItems({"head=2048", "file=other", "sftot=22050.5", "nchans=2", "msb=first"});
  EXPECT_EQ(smp.HeadSize(), 2048);
  EXPECT_EQ(smp.FileType(), "other");
  EXPECT_EQ(smp.SfTot(), 22050.5);
  EXPECT_EQ(smp.nChans(), 2);
  EXPECT_TRUE(smp.MSBFirst());
  smp.SetItems({"msb=last"});
  smp.SetdefMSBFirst(true);
  EXPECT_FALSE(smp.MSBFirst());
}

TEST(TypedItems, WriteTheirTextFormats) {
  TSMPfile smp;
  smp.SetSfTot(16000);
  EXPECT_EQ(smp.get_item("sftot"), "16000");
  smp.SetSfTot(11025.5);
  EXPECT_EQ(smp.get_item("sftot"), "11025.5");
  smp.SetSfTot(1.0 / 3.0);
  EXPECT_EQ(smp.get_item("sftot"), "0.333333");
  smp.SetSfTot(22050.0000004);
  EXPECT_EQ(smp.get_item("sftot"), "22050");
  smp.SetSfTot(1234567.0);
  EXPECT_EQ(smp.get_item("sftot"), "1234567");
  smp.SetHeadSize(2048);
  smp.SetnChans(3);
  smp.SetMSBFirst(true);
  smp.SetFileType("samp");
  EXPECT_EQ(smp.Items(), (std::vector<std::string>{"head=2048", "sftot=1234567", "nchans=3",
                                                   "msb=first", "file=samp"}));
  smp.SetMSBFirst(false);
  EXPECT_EQ(smp.get_item("msb"), "last");
}

TEST(TypedItems, CachedValuesFollowEveryKindOfChange) {
  TSMPfile smp;
  EXPECT_EQ(smp.nChans(), 1);
  smp.set_item("nchans", "2");
  EXPECT_EQ(smp.nChans(), 2);
  smp.SetItems({"nchans=3"});
  EXPECT_EQ(smp.nChans(), 3);
  smp.clear();
  EXPECT_EQ(smp.nChans(), 1);
  smp.add_line("nchans=4");
  EXPECT_EQ(smp.nChans(), 4);
  smp.add_line("nchans");
  EXPECT_EQ(smp.nChans(), 1);
}

TEST(View, ReadsPairAndUnit) {
  TSMPfile smp;
  smp.SetItems({"view=-1,1,Pa"});
  const tdoublepair view = smp.GetView(-1);
  EXPECT_EQ(view.lo, -1.0);
  EXPECT_EQ(view.hi, 1.0);
  EXPECT_EQ(smp.GetViewUnit(-1), "Pa");
  EXPECT_EQ(smp.GetViewUnit(0), "Pa");

  smp.SetItems({"view=-0.5,2.5"});
  EXPECT_EQ(smp.GetView(0).lo, -0.5);
  EXPECT_EQ(smp.GetView(0).hi, 2.5);
  EXPECT_EQ(smp.GetViewUnit(0), "");
}

TEST(View, UnreadableTextGivesTheDefaultsAsAWhole) {
  TSMPfile smp;
  for (const char* text : {"view=abc", "view=1", "view=0.5,x", "view=,1"}) {
    smp.SetItems({text});
    smp.SetdefViewLo(-3);
    smp.SetdefViewHi(3);
    const tdoublepair view = smp.GetView(-1);
    EXPECT_EQ(view.lo, -3.0) << text;
    EXPECT_EQ(view.hi, 3.0) << text;
  }
}

TEST(View, ChannelItemsOverrideTheCommonOne) {
  TSMPfile smp;
  smp.SetItems({"nchans=2", "view=-1,1", "view1=-10,10,mV"});
  EXPECT_EQ(smp.GetView(0).hi, 1.0);
  EXPECT_EQ(smp.GetView(1).hi, 10.0);
  EXPECT_EQ(smp.GetViewUnit(1), "mV");
  EXPECT_EQ(smp.GetView(-1).hi, 1.0);
}

TEST(View, MonoFileRewritesTheCommonItemStereoAddsItsOwn) {
  TSMPfile mono;
  mono.SetItems({"view=-2,2"});
  mono.SetView(0, {-4, 4});
  EXPECT_EQ(mono.Items(), std::vector<std::string>{"view=-4,4"});

  TSMPfile stereo;
  stereo.SetItems({"nchans=2", "view=-2,2"});
  stereo.SetView(0, {-4, 4});
  EXPECT_EQ(stereo.Items(), (std::vector<std::string>{"nchans=2", "view=-2,2", "view0=-4,4"}));

  TSMPfile withoutCommon;
  withoutCommon.SetView(1, {-4, 4});
  EXPECT_EQ(withoutCommon.Items(), std::vector<std::string>{"view1=-4,4"});
}

TEST(View, NumbersAreRoundedToTheViewDigits) {
  TSMPfile smp;
  smp.SetView(-1, {-1.0, 1.0});
  EXPECT_EQ(smp.get_item("view"), "-1,1");
  smp.SetView(-1, {0.123456789, 98765.4321});
  EXPECT_EQ(smp.get_item("view"), "0.123457,98765.4");
  smp.SetnViewDigits(1);
  smp.SetView(-1, {0.26, -1234});
  EXPECT_EQ(smp.get_item("view"), "0.3,-1000");
  smp.SetnViewDigits(3);
  smp.SetView(-1, {1e-7, 2.5e20});
  EXPECT_EQ(smp.get_item("view"), "1E-7,2.5E20");
}

TEST(View, UnitKeepsThroughViewChangesAndTheHeadOnDisk) {
  test::TempDir dir;
  const std::string path = dir / "unit.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetView(-1, {-1, 1});
  smp.SetViewUnit(-1, "µPa");
  smp.SetView(-1, {-2, 2});
  EXPECT_EQ(smp.GetViewUnit(-1), "µPa");
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();

  // µ is 0xE6 in code page 850; stored inside the item, that byte passes the head's own
  // conversion once more and lands as 0x91.
  const std::string bytes = test::ReadFile(path);
  EXPECT_NE(bytes.find("view=-2,2,\x91Pa\r\n"), std::string::npos);

  TSMPfile reopened;
  ASSERT_TRUE(reopened.open_file(path, true));
  EXPECT_EQ(reopened.GetViewUnit(-1), "µPa");
  EXPECT_EQ(reopened.GetView(-1).hi, 2.0);
  reopened.close_file();
}

TEST(View, SetViewUnitWritesUnroundedNumbers) {
  TSMPfile smp;
  smp.SetItems({"view=-0.1234567891,1"});
  smp.SetViewUnit(-1, "V");
  EXPECT_EQ(smp.get_item("view"), "-0.1234567891,1,V");
  smp.SetViewUnit(-1, "");
  EXPECT_EQ(smp.get_item("view"), "-0.1234567891,1");
}

TEST(Range, ReadsWritesAndFallsBack) {
  TSMPfile smp;
  EXPECT_EQ(smp.GetRange(0).lo, -32768.0);
  EXPECT_EQ(smp.GetRange(0).hi, 32768.0);
  smp.SetRange(-1, {-32768, 32768});
  EXPECT_EQ(smp.get_item("range"), "-32768,32768");
  smp.SetRange(1, {-2048, 2047.5});
  EXPECT_EQ(smp.get_item("range1"), "-2048,2047.5");
  EXPECT_EQ(smp.GetRange(1).hi, 2047.5);
  EXPECT_EQ(smp.GetRange(0).hi, 32768.0);

  smp.SetItems({"range=-100,100,extra"});
  EXPECT_EQ(smp.GetRange(-1).lo, -32768.0);
  EXPECT_EQ(smp.GetRange(-1).hi, 32768.0);
}

}  // namespace
}  // namespace vorsel
