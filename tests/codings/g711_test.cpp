#include "codings/g711.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

// The G.711 reference routines (segment search over 14- and 13-bit values), written
// independently of the tables of the code under test.

int SegmentOf(int value, int firstEnd) {
  int segment = 0;
  while (segment < 8 && value > (firstEnd << segment | ((1 << segment) - 1))) {
    ++segment;
  }
  return segment;
}

// Mu-law of a sign and a 14-bit magnitude.
uint8_t ReferenceMuLaw(bool negative, int magnitude14) {
  const int mask = negative ? 0x7F : 0xFF;
  const int biased = (magnitude14 > 8159 ? 8159 : magnitude14) + 33;
  const int segment = SegmentOf(biased, 0x3F);
  if (segment >= 8) {
    return static_cast<uint8_t>(0x7F ^ mask);
  }
  return static_cast<uint8_t>(((segment << 4) | ((biased >> (segment + 1)) & 0x0F)) ^ mask);
}

// What most G.711 encoders do: shift the signed sample to 14 bits, then take the magnitude.
uint8_t ReferenceMuLawSignedShift(int x) {
  const int shifted = x >> 2;
  return ReferenceMuLaw(shifted < 0, shifted < 0 ? -shifted : shifted);
}

// The mu-law variant this program uses: magnitude first, then the shift.
uint8_t ReferenceMuLawMagnitudeFirst(int x) {
  return ReferenceMuLaw(x < 0, (x < 0 ? -x : x) >> 2);
}

int ReferenceMuLawExpand(uint8_t code) {
  const int u = static_cast<uint8_t>(~code);
  int t = ((u & 0x0F) << 3) + 0x84;
  t <<= (u & 0x70) >> 4;
  return (u & 0x80) ? 0x84 - t : t - 0x84;
}

uint8_t ReferenceALaw(int x) {
  int v = x >> 3;
  int mask = 0xD5;
  if (v < 0) {
    mask = 0x55;
    v = -v - 1;
  }
  const int segment = SegmentOf(v, 0x1F);
  if (segment >= 8) {
    return static_cast<uint8_t>(0x7F ^ mask);
  }
  int code = segment << 4;
  code |= (segment < 2 ? v >> 1 : v >> segment) & 0x0F;
  return static_cast<uint8_t>(code ^ mask);
}

int ReferenceALawExpand(uint8_t code) {
  const int a = code ^ 0x55;
  int t = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  switch (segment) {
    case 0:
      t += 8;
      break;
    case 1:
      t += 0x108;
      break;
    default:
      t += 0x108;
      t <<= segment - 1;
  }
  return (a & 0x80) ? t : -t;
}

TEST(MuLaw, KnownCodes) {
  EXPECT_EQ(LinearToMuLaw(0), 0xFF);
  EXPECT_EQ(LinearToMuLaw(-1), 0x7F);
  EXPECT_EQ(LinearToMuLaw(32767), 0x80);
  EXPECT_EQ(LinearToMuLaw(-32768), 0x00);
  EXPECT_EQ(MuLawToLinear(0xFF), 0);
  EXPECT_EQ(MuLawToLinear(0x7F), 0);
  EXPECT_EQ(MuLawToLinear(0x80), 32124);
  EXPECT_EQ(MuLawToLinear(0x00), -32124);
}

TEST(MuLaw, EveryCodeDecodesAsTheReference) {
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(MuLawToLinear(static_cast<uint8_t>(code)),
              ReferenceMuLawExpand(static_cast<uint8_t>(code)))
        << "code " << code;
  }
}

TEST(MuLaw, EveryInputEncodesAsTheMagnitudeFirstReference) {
  for (int x = -32768; x <= 32767; ++x) {
    ASSERT_EQ(LinearToMuLaw(static_cast<int16_t>(x)), ReferenceMuLawMagnitudeFirst(x)) << "x " << x;
  }
}

TEST(MuLaw, DiffersFromTheSignedShiftEncoderOnlyFor381NegativeInputsByOneStep) {
  int differing = 0;
  for (int x = -32768; x <= 32767; ++x) {
    const uint8_t ours = LinearToMuLaw(static_cast<int16_t>(x));
    const uint8_t theirs = ReferenceMuLawSignedShift(x);
    if (ours == theirs) {
      continue;
    }
    ++differing;
    ASSERT_LT(x, 0);
    // One quantisation step toward zero: the code (inverted) is one lower in magnitude.
    ASSERT_EQ(static_cast<int>(ours), static_cast<int>(theirs) + 1) << "x " << x;
  }
  EXPECT_EQ(differing, 381);
  EXPECT_EQ(ReferenceMuLawSignedShift(-1), 0x7E);
}

TEST(ALaw, KnownCodes) {
  EXPECT_EQ(LinearToALaw(0), 0xD5);
  EXPECT_EQ(LinearToALaw(-1), 0x55);
  EXPECT_EQ(LinearToALaw(32767), 0xAA);
  EXPECT_EQ(LinearToALaw(-32768), 0x2A);
  EXPECT_EQ(ALawToLinear(0xD5), 8);
  EXPECT_EQ(ALawToLinear(0x55), -8);
  EXPECT_EQ(ALawToLinear(0xAA), 32256);
  EXPECT_EQ(ALawToLinear(0x2A), -32256);
}

TEST(ALaw, EveryCodeDecodesAsTheReference) {
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(ALawToLinear(static_cast<uint8_t>(code)),
              ReferenceALawExpand(static_cast<uint8_t>(code)))
        << "code " << code;
  }
}

TEST(ALaw, EveryInputEncodesAsTheReference) {
  for (int x = -32768; x <= 32767; ++x) {
    ASSERT_EQ(LinearToALaw(static_cast<int16_t>(x)), ReferenceALaw(x)) << "x " << x;
  }
}

TEST(G711, EveryCodeSurvivesDecodeAndEncodeExceptTheSecondMuLawZero) {
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<uint8_t>(code);
    EXPECT_EQ(LinearToALaw(ALawToLinear(c)), c) << "A-law code " << code;
    EXPECT_EQ(LinearToMuLaw(MuLawToLinear(c)), code == 0x7F ? 0xFF : c) << "mu-law code " << code;
  }
}

// Every 16-bit input: its decoded value encodes to the same code (the code is a fixed point
// of decode-then-encode), and the decoded values rise with the input.
TEST(G711, EveryInputRoundTripsToItsOwnCodeAndDecodingIsMonotonic) {
  int previousMu = -32768;
  int previousA = -32768;
  for (int x = -32768; x <= 32767; ++x) {
    const auto sample = static_cast<int16_t>(x);
    const uint8_t mu = LinearToMuLaw(sample);
    const uint8_t a = LinearToALaw(sample);
    ASSERT_EQ(LinearToMuLaw(MuLawToLinear(mu)), mu == 0x7F ? 0xFF : mu) << "x " << x;
    ASSERT_EQ(LinearToALaw(ALawToLinear(a)), a) << "x " << x;
    ASSERT_GE(MuLawToLinear(mu), previousMu) << "x " << x;
    ASSERT_GE(ALawToLinear(a), previousA) << "x " << x;
    previousMu = MuLawToLinear(mu);
    previousA = ALawToLinear(a);
  }
}

TEST(G711, DecodingErrorStaysWithinHalfAStepOutsideTheClippedTop) {
  for (int x = -32768; x <= 32767; ++x) {
    const auto sample = static_cast<int16_t>(x);
    const int magnitude = x < 0 ? -x : x;
    if (magnitude <= 32124) {
      // Mu-law steps are 8 << exponent wide; the biased magnitude fixes the exponent.
      const int exponent = SegmentOf(((magnitude >> 2) + 33), 0x3F);
      EXPECT_LE(std::abs(MuLawToLinear(LinearToMuLaw(sample)) - x), 4 << exponent) << "x " << x;
    }
    if (magnitude <= 32256) {
      const int segment = SegmentOf(x < 0 ? -(x >> 3) - 1 : x >> 3, 0x1F);
      const int step = segment < 2 ? 16 : 8 << segment;
      EXPECT_LE(std::abs(ALawToLinear(LinearToALaw(sample)) - x), step / 2) << "x " << x;
    }
  }
}

TEST(G711, CodecsAreUsableAtCompileTime) {
  static_assert(LinearToMuLaw(0) == 0xFF && MuLawToLinear(0x80) == 32124);
  static_assert(LinearToALaw(0) == 0xD5 && ALawToLinear(0xAA) == 32256);
}

}  // namespace
}  // namespace vorsel
