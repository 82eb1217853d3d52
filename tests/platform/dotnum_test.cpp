#include "platform/dotnum.h"

#include <clocale>
#include <limits>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

TEST(FloatToStrDot, FixedNotationInsideTheRange) {
  EXPECT_EQ(FloatToStrDot(0.0001), "0.0001");
  EXPECT_EQ(FloatToStrDot(0.5), "0.5");
  EXPECT_EQ(FloatToStrDot(-32768), "-32768");
  EXPECT_EQ(FloatToStrDot(12.25), "12.25");
  EXPECT_EQ(FloatToStrDot(999999999999999.0), "999999999999999");
  EXPECT_EQ(FloatToStrDot(0.999999999999999), "0.999999999999999");
}

TEST(FloatToStrDot, ScientificOutsideTheRange) {
  EXPECT_EQ(FloatToStrDot(1e-5), "1E-5");
  EXPECT_EQ(FloatToStrDot(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStrDot(1e15), "1E15");
  EXPECT_EQ(FloatToStrDot(1e20), "1E20");
  EXPECT_EQ(FloatToStrDot(-2.5e100), "-2.5E100");
}

TEST(FloatToStrDot, FifteenSignificantDigitsAndSpecialValues) {
  EXPECT_EQ(FloatToStrDot(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStrDot(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToStrDot(0.0), "0");
  EXPECT_EQ(FloatToStrDot(-0.0), "0");
  EXPECT_EQ(FloatToStrDot(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(FloatToStrDot(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(FloatToStrDot, IgnoresTheUserLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no German locale on this machine";
  }
  EXPECT_EQ(FloatToStrDot(1.5), "1.5");
  EXPECT_DOUBLE_EQ(StrToFloatDot("1.5"), 1.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StrToFloatDot, ReadsDecimalNumbers) {
  EXPECT_DOUBLE_EQ(StrToFloatDot("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloatDot("-32768"), -32768);
  EXPECT_DOUBLE_EQ(StrToFloatDot("+2"), 2);
  EXPECT_DOUBLE_EQ(StrToFloatDot(".5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloatDot("5."), 5);
  EXPECT_DOUBLE_EQ(StrToFloatDot("1E-5"), 1e-5);
  EXPECT_DOUBLE_EQ(StrToFloatDot("2.5e+3"), 2500);
  EXPECT_DOUBLE_EQ(StrToFloatDot(" 7 "), 7);
  EXPECT_DOUBLE_EQ(StrToFloatDot(FloatToStrDot(0.1)), 0.1);
}

void ExpectError(std::string_view text, const std::string& message) {
  try {
    StrToFloatDot(text);
    ADD_FAILURE() << "no error for '" << text << "'";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.what(), message);
  }
}

TEST(StrToFloatDot, RefusesWithTheUserTexts) {
  ExpectError("", "Cannot convert empty string to number");
  ExpectError("abc", "'abc' is not a valid floating point value");
  ExpectError("1,5", "'1,5' is not a valid floating point value");
  ExpectError("-", "'-' is not a valid floating point value");
  ExpectError("1.2.3", "'1.2.3' is not a valid floating point value");
  ExpectError("E5", "'E5' is not a valid floating point value");
  ExpectError("1e", "'1e' is not a valid floating point value");
  ExpectError("0x1F", "'0x1F' is not a valid floating point value");
  ExpectError("inf", "'inf' is not a valid floating point value");
  ExpectError("nan", "'nan' is not a valid floating point value");
  ExpectError("1e999", "'1e999' is not a valid floating point value");
  ExpectError("   ", "'   ' is not a valid floating point value");
}

TEST(DecimalInt32, TakesOneSignAndTheWholeThirtyTwoBitRangeOnly) {
  EXPECT_EQ(DecimalInt32("+17"), 17);
  EXPECT_EQ(DecimalInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(DecimalInt32("2147483647"), INT32_MAX);
  for (const char* text : {"", "+", "+-1", "2147483648", " 1", "1 ", "0x10", "1.0"}) {
    EXPECT_EQ(DecimalInt32(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace vorsel
