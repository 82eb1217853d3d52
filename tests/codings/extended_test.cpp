#include "codings/extended.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

struct KnownExtended {
  double value;
  Extended80 bytes;
};

// Worked out by hand: exponent field = 16383 + floor(log2 |v|), significand = |v| shifted so
// that its top bit is bit 63.
const KnownExtended kKnown[] = {
    {5512.5, {0x40, 0x0B, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}},
    {8000, {0x40, 0x0B, 0xFA, 0x00, 0, 0, 0, 0, 0, 0}},
    {11025, {0x40, 0x0C, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}},
    {16000, {0x40, 0x0C, 0xFA, 0x00, 0, 0, 0, 0, 0, 0}},
    {22050, {0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}},
    {44100, {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}},
    {48000, {0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0}},
    {1, {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}},
    {0.5, {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}},
    {-1, {0xBF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}},
    {-44100, {0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}},
    {44100.25, {0x40, 0x0E, 0xAC, 0x44, 0x40, 0, 0, 0, 0, 0}},
    {1.0 / 3.0, {0x3F, 0xFD, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xA8, 0x00}},
    {0x1p-1074, {0x3B, 0xCD, 0x80, 0, 0, 0, 0, 0, 0, 0}},  // smallest denormal double
    {std::numeric_limits<double>::max(),
     {0x43, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF8, 0x00}},
    {0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

TEST(Extended80, KnownValuesEncodeToHandCheckedBytesAndBack) {
  for (const auto& known : kKnown) {
    EXPECT_EQ(ExtendedToBytes(known.value), known.bytes) << known.value;
    EXPECT_EQ(BytesToExtended(known.bytes), known.value) << known.value;
  }
}

TEST(Extended80, NegativeZeroIsTenZeroBytes) {
  EXPECT_EQ(ExtendedToBytes(-0.0), Extended80{});
}

TEST(Extended80, InfinitiesAndNaN) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ExtendedToBytes(inf), (Extended80{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ExtendedToBytes(-inf), (Extended80{0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(BytesToExtended({0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), inf);
  EXPECT_TRUE(std::isnan(BytesToExtended(ExtendedToBytes(std::nan("")))));
  EXPECT_TRUE(std::isnan(BytesToExtended({0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0})));
}

TEST(Extended80, DecodesWhatOtherWritersProduce) {
  // An unnormalised significand (integer bit clear) still means significand * 2^exponent.
  EXPECT_EQ(BytesToExtended({0x40, 0x0E, 0x56, 0x22, 0, 0, 0, 0, 0, 0}), 22050);
  // 64 significant bits round to the nearest double.
  EXPECT_EQ(BytesToExtended({0x40, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 4.0);
  EXPECT_EQ(BytesToExtended({0x40, 0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0x01}), 3.0);
  // Beyond the double range.
  EXPECT_EQ(BytesToExtended({0x7F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(BytesToExtended({0x00, 0x01, 0x80, 0, 0, 0, 0, 0, 0, 0}), 0.0);
  EXPECT_EQ(BytesToExtended({0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x01}), 0.0);
}

TEST(Extended80, EveryRateFromOneToAMillionRoundTrips) {
  for (int rate = 1; rate <= 1000000; rate += 7) {
    ASSERT_EQ(BytesToExtended(ExtendedToBytes(rate)), rate);
    ASSERT_EQ(BytesToExtended(ExtendedToBytes(rate + 0.5)), rate + 0.5);
  }
}

}  // namespace
}  // namespace vorsel
