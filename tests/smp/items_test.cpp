// The item list: lookups, exact-name changes, special names, cleaning, defaults and clearing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <string>
#include <vector>

#include "platform/datetime.h"
#include "smp/sSMP.h"

namespace vorsel {
namespace {

using Lines = std::vector<std::string>;

TEST(ItemLookup, GetItemIgnoresCaseButSetItemDoesNot) {
  TSMPfile smp;
  smp.SetItems({"SFTOT=8000"});
  smp.set_item("sftot", "16000");
  EXPECT_EQ(smp.Items(), (Lines{"SFTOT=8000", "sftot=16000"}));
  EXPECT_EQ(smp.get_item("sftot"), "8000");
  EXPECT_EQ(smp.get_item("SfToT"), "8000");
  smp.validate_items();
  EXPECT_EQ(smp.Items(), (Lines{"SFTOT=8000", "sftot=16000"}));
  smp.set_item("sftot", "");
  EXPECT_EQ(smp.Items(), Lines{"SFTOT=8000"});
}

TEST(ItemLookup, ItemSpellingsAreTheNamesGetItemWouldTake) {
  TSMPfile smp;
  smp.SetItems({"SFTOT=8000", "nchans=1", "sftot=16000", "SfTot=1", "SFTOT=2"});
  EXPECT_EQ(smp.ItemSpellings("sftot"), (Lines{"SFTOT", "sftot", "SfTot"}));
  EXPECT_EQ(smp.ItemSpellings("view"), Lines{});
}

TEST(ItemLookup, CaseBlindnessCoversLatinLetters) {
  TSMPfile smp;
  smp.set_item("ÄRGER", "1");
  EXPECT_EQ(smp.get_item("ärger"), "1");
  // The multiplication sign among the Latin-1 capitals is no letter.
  smp.set_item("a×b", "2");
  EXPECT_EQ(smp.get_item("A×B"), "2");
  EXPECT_EQ(smp.get_item("a÷b"), "");
  // Bytes that are no character match only themselves.
  smp.set_item("x\xFFy", "3");
  EXPECT_EQ(smp.get_item("X\xFFY"), "3");
  EXPECT_EQ(smp.get_item("X\xFEY"), "");
  EXPECT_EQ(smp.get_item("ärge"), "");
  EXPECT_EQ(smp.get_item("ärgerx"), "");
}

TEST(ItemLookup, ValuesMayHoldEqualsAndCommas) {
  TSMPfile smp;
  smp.add_line("proc0=a=b,c");
  EXPECT_EQ(smp.get_item("proc0"), "a=b,c");
  EXPECT_EQ(smp.get_item("missing"), "");
}

TEST(ItemLookup, ReadsGiveTheFirst255CharactersOfALongValue) {
  TSMPfile smp;
  smp.set_item("long", std::string(300, 'v'));
  EXPECT_EQ(smp.get_item("long"), std::string(255, 'v'));
  EXPECT_EQ(smp.Items(), Lines{"long=" + std::string(300, 'v')});
}

TEST(SetItem, ReplacesInPlaceAndDropsLaterNamesakes) {
  TSMPfile smp;
  smp.SetItems({"a=1", "b=2", "c=3"});
  smp.set_item("b", "20");
  EXPECT_EQ(smp.Items(), (Lines{"a=1", "b=20", "c=3"}));
  smp.set_item("d", "4");
  EXPECT_EQ(smp.Items(), (Lines{"a=1", "b=20", "c=3", "d=4"}));
}

TEST(SetItem, EmptyValueRemovesEveryExactNamesake) {
  TSMPfile smp;
  smp.add_line("x=1");
  smp.add_line("y=2");
  smp.set_item("x", "");
  EXPECT_EQ(smp.Items(), Lines{"y=2"});
  smp.add_line("y");
  EXPECT_TRUE(smp.Items().empty());
}

TEST(SetItem, HeadAlwaysMovesToTheFront) {
  TSMPfile smp;
  smp.SetItems({"a=1", "b=2"});
  smp.set_item("head", "2048");
  EXPECT_EQ(smp.Items(), (Lines{"head=2048", "a=1", "b=2"}));
  smp.SetItems({"a=1", "head=512", "b=2"});
  smp.set_item("head", "4096");
  EXPECT_EQ(smp.Items(), (Lines{"head=4096", "a=1", "b=2"}));
}

TEST(SetItem, NameMayComeFromTheListItself) {
  TSMPfile smp;
  smp.SetItems({"a=1", "b=2"});
  const std::string& first = smp.Items()[0];
  smp.set_item(std::string_view(first).substr(0, 1), "9");
  EXPECT_EQ(smp.Items(), (Lines{"a=9", "b=2"}));
}

TEST(SetItem, ReplacingALabelsItemSwitchesToExternalLabels) {
  TSMPfile smp;
  smp.set_item("labels", "/data/x.csv");
  EXPECT_FALSE(smp.ExternalLabels());
  smp.set_item("labels", "/data/y.csv");
  EXPECT_TRUE(smp.ExternalLabels());
  EXPECT_TRUE(smp.ExternalLabelList().empty());
}

TEST(NonpresentItems, OnlyAbsentNamesAreSet) {
  TSMPfile smp;
  smp.add_line("SfTot=8000");
  smp.set_nonpresent_item("sftot", "16000");
  smp.add_nonpresent_line("sftot=11025");
  smp.add_nonpresent_line("nchans=2");
  smp.set_nonpresent_item("msb", "first");
  EXPECT_EQ(smp.Items(), (Lines{"SfTot=8000", "nchans=2", "msb=first"}));
}

TEST(SetProc, UsesTheFirstFreeNumber) {
  TSMPfile smp;
  smp.SetItems({"proc0=import", "proc1=cut"});
  smp.set_proc("export");
  EXPECT_EQ(smp.get_item("proc2"), "export");
  smp.SetItems({"proc1=gap"});
  smp.set_proc("first");
  EXPECT_EQ(smp.Items(), (Lines{"proc1=gap", "proc0=first"}));
}

TEST(ValidateItems, RemovesBlankNamesAndValuesAndLaterDuplicates) {
  TSMPfile smp;
  smp.SetComment({});
  smp.add_line("a=1");
  smp.add_line(" \t=orphan");
  smp.add_line("blank= \t ");
  smp.add_line("head=1024");
  smp.add_line("A=2");
  EXPECT_EQ(smp.Items().size(), 5u);
  smp.validate_items();
  EXPECT_EQ(smp.Items(), (Lines{"head=1024", "a=1", "A=2"}));
}

TEST(ValidateItems, ValueBlankWithinItsFirst255CharactersIsRemoved) {
  TSMPfile smp;
  smp.set_item("padded", std::string(255, ' ') + "tail");
  smp.validate_items();
  EXPECT_TRUE(smp.Items().empty());
}

TEST(ItemsAssignment, CopiesCleansAndRestoresTheDefaults) {
  TSMPfile smp;
  smp.SetChunknSamples(10);
  smp.SetLongTime(5);
  smp.SetdefSfTot(8000);
  smp.SetOverwrite(false);
  smp.SetItems({"b=2", "b=3", "head=2048", "=x", "c="});
  EXPECT_EQ(smp.Items(), (Lines{"head=2048", "b=2"}));
  EXPECT_EQ(smp.ChunknSamples(), 16384);
  EXPECT_EQ(smp.LongTime(), 100);
  EXPECT_EQ(smp.defSfTot(), 16000);
  EXPECT_TRUE(smp.Overwrite());
  EXPECT_FALSE(smp.ExternalLabels());
}

TEST(Clear, EmptiesTheListsAndRestoresEveryDefault) {
  TSMPfile smp;
  smp.add_line("sftot=8000");
  smp.SetComment({"c"});
  smp.Setdefheadsize(512);
  smp.SetdefFileType("other");
  smp.SetdefnChans(4);
  smp.SetdefMSBFirst(true);
  smp.SetdefViewLo(-5);
  smp.SetdefRangeHi(5);
  smp.SetnViewDigits(3);
  smp.SetEraseCSVFile(false);
  smp.clear();
  EXPECT_TRUE(smp.Items().empty());
  EXPECT_TRUE(smp.Comment().empty());
  EXPECT_EQ(smp.defheadsize(), 1024);
  EXPECT_EQ(smp.defFileType(), "samp");
  EXPECT_EQ(smp.defnChans(), 1);
  EXPECT_FALSE(smp.defMSBFirst());
  EXPECT_EQ(smp.defViewLo(), -1.0);
  EXPECT_EQ(smp.defRangeHi(), 32768.0);
  EXPECT_TRUE(smp.EraseCSVFile());
  EXPECT_EQ(smp.nViewDigits(), 3);
  EXPECT_EQ(smp.HeadSize(), 1024);
  EXPECT_EQ(smp.SfTot(), 16000.0);
  EXPECT_EQ(smp.UsedSize(), 5);
}

TEST(Defaults, InsertedInOrderOnlyWhereMissing) {
  TSMPfile smp;
  smp.add_line("nchans=2");
  smp.add_line("view=-2,2,V");
  smp.insert_nonpresent_defaults();
  const Lines& items = smp.Items();
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[0], "head=1024");
  EXPECT_EQ(items[1], "nchans=2");
  EXPECT_EQ(items[2], "view=-2,2,V");
  EXPECT_EQ(items[3], "file=samp");
  EXPECT_EQ(items[4], "sftot=16000");
  EXPECT_EQ(items[5], "msb=last");
  EXPECT_EQ(items[6], "range=-32768,32768");
  EXPECT_EQ(items[7].rfind("date=", 0), 0u);
  EXPECT_GT(items[7].size(), 5u);
}

TEST(Defaults, DateIsTheShortDateAndLongTimeOfTheUsersLocale) {
  const char* oldZone = std::getenv("TZ");
  const std::string savedZone = oldZone != nullptr ? oldZone : "";
  const char* oldLocale = std::getenv("LC_ALL");
  const std::string savedLocale = oldLocale != nullptr ? oldLocale : "";
  setenv("TZ", "UTC", 1);
  tzset();
  setenv("LC_ALL", "C", 1);
  // 2001-02-03 04:05:06 UTC
  EXPECT_EQ(DefaultDateTimeText(981173106), "02/03/01 04:05:06");
  oldLocale != nullptr ? setenv("LC_ALL", savedLocale.c_str(), 1) : unsetenv("LC_ALL");
  oldZone != nullptr ? setenv("TZ", savedZone.c_str(), 1) : unsetenv("TZ");
  tzset();
}

TEST(Defaults, DesignTimeValuesAreWhatAMissingItemReads) {
  TSMPfile smp;
  smp.SetdefnChans(2);
  smp.SetdefMSBFirst(true);
  smp.Setdefheadsize(512);
  EXPECT_EQ(smp.nChans(), 2);
  EXPECT_TRUE(smp.MSBFirst());
  EXPECT_EQ(smp.HeadSize(), 512);
  smp.insert_nonpresent_defaults();
  EXPECT_EQ(smp.get_item("nchans"), "2");
  EXPECT_EQ(smp.get_item("msb"), "first");
  EXPECT_EQ(smp.get_item("head"), "512");
}

TEST(ItemValues, NeverCarryControlCharactersAndProcLinesStayHeadLines) {
  TSMPfile smp;
  smp.set_item("note", "a\nsftot=8000\rb\x01\x7F");
  EXPECT_EQ(smp.get_item("note"), "a?sftot=8000?b??");
  EXPECT_EQ(smp.get_item("sftot"), "") << "no item of its own";
  // A line of 255 characters or more is no head line: the text is cut, "proc0=" included.
  smp.set_proc(std::string(300, 'x'));
  EXPECT_EQ(smp.get_item("proc0"), std::string(248, 'x'));
  smp.set_proc("z");
  smp.set_proc("\xC3\xA4" + std::string(300, 'y'));
  EXPECT_EQ(smp.get_item("proc2"), "\xC3\xA4" + std::string(247, 'y')) << "characters, not bytes";
}

}  // namespace
}  // namespace vorsel
