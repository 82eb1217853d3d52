#include "formats/txt.h"

#include <gtest/gtest.h>

#include "formats/txt_number.h"
#include "tests/formats/raw_txt_fixture.h"

namespace vorsel::test {
namespace {

class TxtImportTest : public ConverterFixture {
 protected:
  std::vector<int16_t> Import(std::string_view text) {
    return SmpSamples(
        Convert(&WithSection<&ConversionSettings::ImportTXT, &ImportTXT>, text, "txt", "smp"));
  }
  // View and range equal: numbers are stored as they stand.
  void Identity(int32_t channels) {
    settings.ImportTXT.nChans = channels;
    settings.ImportTXT.ViewLo = settings.ImportTXT.RangeLo = 0;
    settings.ImportTXT.ViewHi = settings.ImportTXT.RangeHi = 1000;
  }
  std::vector<std::string> Summary() const {
    return std::vector<std::string>(log.lines.begin() + 1, log.lines.end());
  }
};

TEST(ParseTextNumber, AcceptsDecimalNumbersOnly) {
  EXPECT_EQ(ParseTextNumber("1e5"), 1e5);
  EXPECT_EQ(ParseTextNumber("+.5"), 0.5);
  EXPECT_EQ(ParseTextNumber("5."), 5.0);
  EXPECT_EQ(ParseTextNumber("-1.5E-3"), -1.5e-3);
  EXPECT_EQ(ParseTextNumber("1e-400"), 0.0);
  for (const char* bad : {"E", "+", "-", ".", "1.2.3", "1e", "e5", "1e5e3", "1-2", "1e999", "--"}) {
    EXPECT_FALSE(ParseTextNumber(bad).has_value()) << bad;
  }
}

TEST_F(TxtImportTest, DefaultMappingUnderEveryOverloadAction) {
  const std::vector<std::vector<int16_t>> expected = {{16384, 32767}, {16384, -32768}, {16384, 0}};
  for (int32_t action = 0; action < 3; ++action) {
    log.lines.clear();
    settings.ImportTXT.OverloadAction = action;
    EXPECT_EQ(Import("0.5\n1\n"), expected[action]);
    EXPECT_EQ(Summary(), std::vector<std::string>{"Overload in 1 sample"});
  }
  EXPECT_EQ(log.lines[0], "in.txt as text-> out.smp");
}

TEST_F(TxtImportTest, CommaIsADecimalOrAChannelSeparator) {
  EXPECT_EQ(Import("0,25\n"), std::vector<int16_t>{8192});
  EXPECT_TRUE(Summary().empty());
  settings.ImportTXT.CommaIsSeparator = true;
  log.lines.clear();
  EXPECT_EQ(Import("0,25\n"), std::vector<int16_t>{0});
  EXPECT_EQ(Summary(), std::vector<std::string>{"Overload in 1 sample"});
}

TEST_F(TxtImportTest, LinesGiveScansWhateverTheirNumberOfValues) {
  Identity(2);
  // Extra values are dropped, lines without numbers repeat the older values, CR LF and a last
  // line without line end work, 0.5 rounds to the even 0.
  EXPECT_EQ(Import("1 2 3   \r\nabc\n0.5\n12abc34\r\n\n2"),
            (std::vector<int16_t>{1, 2, 1, 2, 0, 2, 12, 34, 12, 34, 2, 34}));
  // Positions no line has reached start at 0.
  EXPECT_EQ(Import("7"), (std::vector<int16_t>{7, 0}));
  // A dropped value still counts when it overloads.
  settings.ImportTXT.ViewHi = 1;
  settings.ImportTXT.RangeHi = 12000;
  log.lines.clear();
  EXPECT_EQ(Import("1 2 3\n"), (std::vector<int16_t>{12000, 24000}));
  EXPECT_EQ(Summary(), std::vector<std::string>{"Overload in 1 sample"});
}

TEST_F(TxtImportTest, AlertStopsAfterStoringTheScanOfItsLine) {
  Identity(2);
  settings.ImportTXT.StripLines = 2;
  const std::string text = "time value\nunits\n1 2\n1 2\n1 2\n1 2\n3 -- 4\n5 6\n";
  EXPECT_EQ(Import(text), (std::vector<int16_t>{1, 2, 1, 2, 1, 2, 1, 2, 3, 2}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "\"--\"\ron line 7 is not a valid number");
  EXPECT_EQ(boxes.shown[0].caption, "Invalid number found");
  EXPECT_EQ(boxes.shown[0].flags, unsigned{mbOk | mbIconExclamation});
  EXPECT_EQ(Summary(), std::vector<std::string>{"1 invalid sample"});
}

TEST_F(TxtImportTest, InsertZeroAndSkipActions) {
  Identity(3);
  settings.ImportTXT.InvalidNumberAction = 1;
  EXPECT_EQ(Import("5 -- 7\n"), (std::vector<int16_t>{5, 0, 7}));
  settings.ImportTXT.InvalidNumberAction = 2;
  log.lines.clear();
  EXPECT_EQ(Import("5 -- 7 E 8\n"), (std::vector<int16_t>{5, 7, 8}));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Summary(), std::vector<std::string>{"2 invalid samples"});
}

TEST_F(TxtImportTest, ValuesWithoutASampleValueAreInvalidNumbers) {
  settings.ImportTXT.InvalidNumberAction = 1;
  // inf and nan are letters; "-inf" leaves a lone minus sign.
  EXPECT_EQ(Import("1e999\n-inf\nnan\n" + std::string(5000, '1') + "\n"),
            (std::vector<int16_t>{0, 0, 0, 0}));
  EXPECT_EQ(Summary(), std::vector<std::string>{"3 invalid samples"});

  // Wrapped around, 3 maps to 98304 and is stored as -32768.
  settings.ImportTXT.OverloadAction = 1;
  log.lines.clear();
  EXPECT_EQ(Import("1e300\n-1e300\n3\n"), (std::vector<int16_t>{0, 0, -32768}));
  EXPECT_EQ(Summary(), (std::vector<std::string>{"Overload in 3 samples", "2 invalid samples"}));

  settings.ImportTXT.OverloadAction = 0;
  EXPECT_EQ(Import("1e300\n-1e300\n"), (std::vector<int16_t>{32767, -32768}));
  settings.ImportTXT.ViewLo = settings.ImportTXT.ViewHi = -1;
  EXPECT_EQ(Import("0 1\n"), std::vector<int16_t>{0});
}

TEST_F(TxtImportTest, SummaryCountsOverloadsBeforeInvalidNumbers) {
  settings.ImportTXT.nChans = 5;
  settings.ImportTXT.InvalidNumberAction = 2;
  Import("2 -2 + - .\n");
  EXPECT_EQ(Summary(), (std::vector<std::string>{"Overload in 2 samples", "3 invalid samples"}));
}

TEST_F(TxtImportTest, ManyLinesAndChannelsCrossBlocksAndChunks) {
  Identity(3);
  std::string text;
  std::vector<int16_t> expected;
  for (int line = 0; line < 30000; ++line) {
    const int v = line % 1000;
    text += std::to_string(v) + "\t" + std::to_string(999 - v) + " 1.0e2\n";
    expected.insert(expected.end(), {static_cast<int16_t>(v), static_cast<int16_t>(999 - v), 100});
  }
  settings.ImportTXT.MSBFirst = true;
  const std::string file =
      Convert(&WithSection<&ConversionSettings::ImportTXT, &ImportTXT>, text, "txt", "smp");
  EXPECT_EQ(Item(file, "msb"), "first");
  EXPECT_EQ(Item(file, "nchans"), "3");
  EXPECT_EQ(SmpSamples(file), expected);
}

TEST_F(TxtImportTest, StripBeyondTheEndAndRefusals) {
  settings.ImportTXT.StripLines = 5;
  EXPECT_TRUE(Import("1\n2\n").empty());
  settings.ImportTXT.nChans = 0;
  log.lines.clear();
  EXPECT_EQ(Convert(&WithSection<&ConversionSettings::ImportTXT, &ImportTXT>, "1\n", "txt", "smp"),
            "");
  EXPECT_EQ(log.lines.size(), 1u);
}

}  // namespace
}  // namespace vorsel::test
