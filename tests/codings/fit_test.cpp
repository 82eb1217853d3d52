#include "codings/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include <gtest/gtest.h>

#include "codings/dither.h"
#include "codings/dithered_linear8.h"

namespace vorsel {
namespace {

// The rules of the exporters: WAV keeps equal magnitudes unscaled, AU and AIFF hold a single
// and RAW a double precision factor.
constexpr FitRule kWAV{.equalMagnitudesUnscaled = true};
constexpr FitRule kSingle{};
constexpr FitRule kDouble{.precision = FactorPrecision::Float64};
constexpr FitRule kAllRules[] = {kWAV, kSingle, kDouble};

TEST(FitFactor, NoFittingAndSilenceGiveOne) {
  for (FitRule target : kAllRules) {
    EXPECT_EQ(FitFactor(-1000, 500, false, true, target), 1);
    EXPECT_EQ(FitFactor(0, 0, true, true, target), 1);
    EXPECT_EQ(FitFactor(0, 0, true, false, target), 1);
  }
}

TEST(FitFactor, EqualMagnitudesLeaveOnlyWavUnscaled) {
  EXPECT_EQ(FitFactor(-1000, 1000, true, false, kWAV), 1);
  EXPECT_EQ(FitFactor(-1000, 1000, true, false, kSingle), static_cast<float>(32.767));
  EXPECT_EQ(FitFactor(-1000, 1000, true, true, kSingle), static_cast<float>(32.511));
  EXPECT_EQ(FitFactor(-1000, 1000, true, true, kSingle), static_cast<float>(32.511));
  EXPECT_EQ(FitFactor(-1000, 1000, true, true, kDouble), 32511.0 / 1000.0);
}

TEST(FitFactor, PeakIsTheLargerMagnitudeAndMinus32768Counts32768) {
  EXPECT_EQ(FitFactor(-200, 1000, true, false, kWAV), static_cast<float>(32.767));
  EXPECT_EQ(FitFactor(-2000, 1000, true, false, kWAV), static_cast<float>(32767.0 / 2000.0));
  EXPECT_EQ(FitFactor(-32768, 0, true, false, kDouble), 32767.0 / 32768.0);
  EXPECT_EQ(FitFactor(-32768, 0, true, true, kSingle), static_cast<float>(32511.0 / 32768.0));
  EXPECT_EQ(FitFactor(5, 7, true, false, kDouble), 32767.0 / 7.0);
}

TEST(FitFactor, TheThreeContainersHoldASingleAndRawADoublePrecisionFactor) {
  const double exact = 32767.0 / 3.0;
  EXPECT_NE(static_cast<double>(static_cast<float>(exact)), exact);
  EXPECT_EQ(FitFactor(0, 3, true, false, kDouble), exact);
  for (FitRule target : {kWAV, kSingle}) {
    EXPECT_EQ(FitFactor(0, 3, true, false, target), static_cast<float>(exact));
  }
}

// Stands in for the SMP component: whole-file selection and the extremes of what is selected.
struct FakeSampleFile {
  struct Extremes {
    int16_t lo;
    int16_t hi;
  };
  int32_t selStart = -1;
  int32_t selLength = -1;
  int minMaxCalls = 0;
  void SetSelStart(int32_t value) { selStart = value; }
  void SetSellength(int32_t value) { selLength = value; }
  int32_t nSamples() const { return 5000; }
  Extremes MinMax() {
    ++minMaxCalls;
    return selStart == 0 && selLength == 5000 ? Extremes{-300, 1200} : Extremes{0, 0};
  }
};

TEST(FitFactor, OfAFileTakesTheExtremesOfEverySample) {
  FakeSampleFile file;
  EXPECT_EQ(FitFactor(file, true, false, kDouble), 32767.0 / 1200.0);
  EXPECT_EQ(file.minMaxCalls, 1);
  FakeSampleFile untouched;
  EXPECT_EQ(FitFactor(untouched, false, true, kWAV), 1);
  EXPECT_EQ(untouched.minMaxCalls, 0);
  EXPECT_EQ(untouched.selStart, -1);
}

TEST(ScaleSample, RoundsHalvesToEvenAndStaysInRange) {
  EXPECT_EQ(ScaleSample(1234, 1), 1234);
  EXPECT_EQ(ScaleSample(-32768, 1), -32768);
  EXPECT_EQ(ScaleSample(5, 0.5), 2);
  EXPECT_EQ(ScaleSample(7, 0.5), 4);
  EXPECT_EQ(ScaleSample(-5, 0.5), -2);
  EXPECT_EQ(ScaleSample(-7, 0.5), -4);
  EXPECT_EQ(ScaleSample(3, 0.4), 1);
  EXPECT_EQ(ScaleSample(20000, 2), 32767);
  EXPECT_EQ(ScaleSample(-20000, 2), -32768);
  EXPECT_EQ(ScaleSample(1, 1e300), 32767);
  // The fitted peak lands on full scale whatever the float rounding of the factor.
  for (int peak = 1; peak <= 32767; ++peak) {
    const double factor = FitFactor(0, static_cast<int16_t>(peak), true, false, kSingle);
    ASSERT_EQ(ScaleSample(static_cast<int16_t>(peak), factor), 32767) << peak;
    ASSERT_EQ(ScaleSample(static_cast<int16_t>(-peak), factor), -32767) << peak;
  }
}

// round(x * f), halves to even, in exact integer arithmetic for a factor held as a float.
int64_t ExactRoundedProduct(int16_t x, float f) {
  int exponent = 0;
  const double mantissa = std::frexp(static_cast<double>(f), &exponent);
  const auto m = static_cast<int64_t>(std::ldexp(mantissa, 24));
  const int shift = 24 - exponent;
  const int64_t n = x * m;
  if (shift <= 0) {
    return n << -shift;
  }
  int64_t q = n >> shift;  // floor
  const int64_t r = n - (q << shift);
  const int64_t half = int64_t{1} << (shift - 1);
  if (r > half || (r == half && (q & 1) != 0)) {
    ++q;
  }
  return q;
}

TEST(ScaleSample, FittedFactorsRoundEveryInputAsExactArithmeticDoes) {
  for (int peak : {1, 2, 3, 7, 100, 1000, 1001, 4097, 12345, 32511, 32767, 32768}) {
    for (bool dither : {false, true}) {
      const double factor =
          FitFactor(static_cast<int16_t>(-std::min(peak, 32768)), 0, true, dither, kSingle);
      for (int x = -32768; x <= 32767; ++x) {
        const int64_t exact =
            ExactRoundedProduct(static_cast<int16_t>(x), static_cast<float>(factor));
        const int64_t clipped = std::clamp<int64_t>(exact, -32768, 32767);
        ASSERT_EQ(ScaleSample(static_cast<int16_t>(x), factor), clipped)
            << "x " << x << " peak " << peak;
        ASSERT_EQ(
            EncodeLinear8(static_cast<int16_t>(x), factor, std::nullopt, Representation::Signed),
            static_cast<uint8_t>(std::clamp<int64_t>(exact >> 8, -128, 127)))
            << "x " << x << " peak " << peak;
      }
    }
  }
  // Halves: 0.5 is a float factor, so odd inputs land exactly between two integers.
  for (int x = -32767; x <= 32767; x += 2) {
    ASSERT_EQ(ScaleSample(static_cast<int16_t>(x), 0.5),
              ExactRoundedProduct(static_cast<int16_t>(x), 0.5f));
  }
}

TEST(ScaleSample, DoubleFactorsAreMultipliedInExtendedPrecision) {
  const double third = FitFactor(0, 3, true, false, kDouble);
  EXPECT_EQ(ScaleSample(3, third), 32767);
  EXPECT_EQ(ScaleSample(1, third), 10922);
  EXPECT_EQ(ScaleSample(-2, third), -21845);
  if (std::numeric_limits<long double>::digits >= 64) {
    // 0.1 is stored slightly above 0.1: the product lies above one half, which a double
    // product would round to exactly 0.5 and then to even 0.
    EXPECT_EQ(ScaleSample(5, 0.1), 1);
    EXPECT_EQ(ScaleSample(-5, 0.1), -1);
  }
}

TEST(EncodeLinear8, WithoutDitherTheCodeIsTheFlooredTopByte) {
  constexpr auto kOffset = Representation::OffsetBinary;
  constexpr auto kSigned = Representation::Signed;
  EXPECT_EQ(EncodeLinear8(0, 1, std::nullopt, kOffset), 0x80);
  EXPECT_EQ(EncodeLinear8(-32768, 1, std::nullopt, kOffset), 0x00);
  EXPECT_EQ(EncodeLinear8(32767, 1, std::nullopt, kOffset), 0xFF);
  EXPECT_EQ(EncodeLinear8(-1, 1, std::nullopt, kOffset), 0x7F);
  EXPECT_EQ(EncodeLinear8(255, 1, std::nullopt, kOffset), 0x80);
  EXPECT_EQ(EncodeLinear8(256, 1, std::nullopt, kOffset), 0x81);
  EXPECT_EQ(EncodeLinear8(0, 1, std::nullopt, kSigned), 0x00);
  EXPECT_EQ(EncodeLinear8(-32768, 1, std::nullopt, kSigned), 0x80);
  EXPECT_EQ(EncodeLinear8(32767, 1, std::nullopt, kSigned), 0x7F);
  EXPECT_EQ(EncodeLinear8(-1, 1, std::nullopt, kSigned), 0xFF);
}

TEST(EncodeLinear8, ScaledHalvesRoundToEvenBeforeTheShift) {
  constexpr auto kOffset = Representation::OffsetBinary;
  EXPECT_EQ(EncodeLinear8(511, 0.5, std::nullopt, kOffset), 0x81);  // 255.5 -> 256
  EXPECT_EQ(EncodeLinear8(509, 0.5, std::nullopt, kOffset), 0x80);  // 254.5 -> 254
  EXPECT_EQ(EncodeLinear8(-1, 0.5, std::nullopt, kOffset), 0x80);   // -0.5 -> 0
  EXPECT_EQ(EncodeLinear8(-3, 0.5, std::nullopt, kOffset), 0x7F);   // -1.5 -> -2
}

TEST(EncodeLinear8, SumsBeyondTheRangeClipInsteadOfWrapping) {
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(EncodeLinear8(32767, 1, kDitherUpward, Representation::OffsetBinary), 0xFF);
    ASSERT_EQ(EncodeLinear8(-32768, 1, kDitherCentred, Representation::Signed), 0x80);
    ASSERT_EQ(EncodeLinear8(32767, 1, kDitherCentred, Representation::Signed), 0x7F);
  }
  EXPECT_EQ(EncodeLinear8(20000, 2, std::nullopt, Representation::OffsetBinary), 0xFF);
  EXPECT_EQ(EncodeLinear8(-20000, 2, std::nullopt, Representation::Signed), 0x80);
}

void ExpectBlockCodesOfOneSampleAtATime(const std::vector<int16_t>& samples, double factor) {
  for (const DitherRange range : {kDitherUpward, kDitherCentred}) {
    for (const Representation representation :
         {Representation::Signed, Representation::OffsetBinary}) {
      DitherGenerator one(1234567);
      DitherGenerator block(1234567);
      one.Draw(range);
      block.Draw(range);
      std::vector<uint8_t> codes(samples.size());
      DitheredLinear8(factor, range, representation).Run(samples, codes.data(), block);
      for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(codes[i], EncodeLinear8(samples[i], factor, range, representation, one))
            << "sample " << samples[i] << " factor " << factor << " at " << i;
      }
    }
  }
}

// The block encoder must give, draw for draw, the codes of the one-sample encoder: for factors
// a float holds (the vectorised path), ones it does not and one too large for either, in both
// ranges and representations, over several blocks of draws and from a generator that has
// already drawn a few units.
TEST(EncodeLinear8, ABlockGivesTheCodesOfOneSampleAtATime) {
  std::vector<int16_t> samples;
  for (int32_t i = 0; i < 70000; ++i) {
    samples.push_back(static_cast<int16_t>(i * 2654435761u >> 16));
  }
  samples.push_back(32767);
  samples.push_back(-32768);
  const double fitted = FitFactor(-12000, 9000, true, true, kWAV);
  const double raw = FitFactor(-12000, 9000, true, true, kDouble);
  ASSERT_NE(static_cast<double>(static_cast<float>(raw)), raw);
  for (const double factor : {1.0, fitted, raw, 3.0, 32767.0, 40000.0}) {
    ExpectBlockCodesOfOneSampleAtATime(samples, factor);
  }
}

// With 1.5 + 2^-52 the product of an odd sample lies a hair above a half, which extended
// precision keeps and a double sum with a draw may lose; the samples for which some draw loses
// it, many times over, so that draws carry some of them across an 8-bit step.
TEST(EncodeLinear8, ABlockKeepsTheExtendedRoundingOfProductsNearAHalf) {
  const double factor = 1.5 + 0x1p-52;
  std::vector<int16_t> nearHalves;
  for (int32_t x = -32767; x <= 32767; x += 2) {
    for (int32_t draw = kDitherCentred.lo; draw <= kDitherUpward.hi; ++draw) {
      const double sum = x * factor + draw;
      if (sum - std::floor(sum) == 0.5) {
        nearHalves.push_back(static_cast<int16_t>(x));
        break;
      }
    }
  }
  ASSERT_GT(nearHalves.size(), 100u);
  std::vector<int16_t> samples;
  for (size_t i = 0; i < 100000; ++i) {
    samples.push_back(nearHalves[i * 7919 % nearHalves.size()]);
  }
  ExpectBlockCodesOfOneSampleAtATime(samples, factor);
}

TEST(EncodeLinear8, FittedAndDitheredPeaksStayInRange) {
  const double factor = FitFactor(-32768, 32767, true, true, kSingle);
  for (int i = 0; i < 5000; ++i) {
    const uint8_t top = EncodeLinear8(32767, factor, kDitherUpward, Representation::Signed);
    ASSERT_TRUE(top == 0x7E || top == 0x7F) << int{top};
  }
}

// A sample halfway between two 8-bit steps: upward dither picks either neighbour, with equal
// chance, so the mean output equals the input.
TEST(EncodeLinear8, UpwardDitherIsUnbiased) {
  constexpr int kDraws = 200000;
  std::array<int, 256> seen{};
  for (int i = 0; i < kDraws; ++i) {
    ++seen[EncodeLinear8(128, 1, kDitherUpward, Representation::OffsetBinary)];
  }
  EXPECT_EQ(seen[0x80] + seen[0x81], kDraws);
  const double share = static_cast<double>(seen[0x81]) / kDraws;
  EXPECT_NEAR(share, 127.0 / 255.0, 0.01);
}

// The chi-square value that a statistic with `freedom` degrees of freedom exceeds with
// probability 1e-6 (Wilson and Hilferty's approximation, close at these degrees).
double ChiSquareLimit(double freedom) {
  constexpr double kNormalQuantile = 4.753424;  // exceeded with probability 1e-6
  const double v = 2 / (9 * freedom);
  return freedom * std::pow(1 - v + kNormalQuantile * std::sqrt(v), 3);
}

template <size_t N>
double ChiSquare(const std::array<int64_t, N>& counts, double expected) {
  double sum = 0;
  for (const int64_t count : counts) {
    sum += (count - expected) * (count - expected) / expected;
  }
  return sum;
}

// A million draws of each dither range with a fixed seed: every value equally often, and pairs
// of neighbouring draws (in 15 x 15 classes of 17 values) as often as independent draws give.
TEST(DitherGenerator, DrawsAreUniformAndIndependent) {
  constexpr size_t kDraws = 1000000;
  for (const DitherRange range : {kDitherUpward, kDitherCentred}) {
    DitherGenerator generator(20261209);
    std::vector<int32_t> draws(kDraws);
    generator.Fill(range, draws);
    std::array<int64_t, 255> values{};
    std::array<int64_t, 15 * 15> pairs{};
    for (size_t i = 0; i < kDraws; ++i) {
      ASSERT_GE(draws[i], range.lo);
      ASSERT_LE(draws[i], range.hi);
      ++values[draws[i] - range.lo];
      if (i % 2 == 1) {
        ++pairs[(draws[i - 1] - range.lo) / 17 * 15 + (draws[i] - range.lo) / 17];
      }
    }
    EXPECT_LT(ChiSquare(values, kDraws / 255.0), ChiSquareLimit(254)) << range.lo;
    EXPECT_LT(ChiSquare(pairs, kDraws / 2 / 225.0), ChiSquareLimit(224)) << range.lo;
  }
}

// Fill hands out the draws of Draw, in order, whatever the range (one where every other unit is
// rejected among them), length and units left over from earlier draws.
TEST(DitherGenerator, FillGivesTheDrawsOfDraw) {
  const DitherRange ranges[] = {kDitherUpward, kDitherCentred,  {7, 7},
                                {0, 39999},    {-32768, 32767}, {0, 70000}};
  for (const DitherRange range : ranges) {
    for (const size_t before : {0, 1, 3}) {
      for (const size_t length : {1, 5, 4096, 10007}) {
        DitherGenerator drawn(99);
        DitherGenerator filled(99);
        for (size_t i = 0; i < before; ++i) {
          ASSERT_EQ(filled.Draw(range), drawn.Draw(range));
        }
        std::vector<int32_t> block(length);
        filled.Fill(range, block);
        for (size_t i = 0; i < length; ++i) {
          ASSERT_EQ(block[i], drawn.Draw(range))
              << range.lo << ".." << range.hi << " after " << before << " at " << i;
        }
        ASSERT_EQ(filled.Draw(range), drawn.Draw(range));
      }
    }
  }
}

TEST(DitherGenerator, WideAndSingleValueRangesStayInside) {
  DitherGenerator generator(42);
  bool sawNegative = false;
  bool sawPositive = false;
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(generator.Draw({7, 7}), 7);
    const int32_t wide = generator.Draw({INT32_MIN, INT32_MAX - 1});
    EXPECT_LT(wide, INT32_MAX);
    sawNegative = sawNegative || wide < 0;
    sawPositive = sawPositive || wide > 0;
  }
  EXPECT_TRUE(sawNegative && sawPositive);
}

TEST(DitherGenerator, TheProcessGeneratorIsOneObject) {
  EXPECT_EQ(&ProcessDither(), &ProcessDither());
}

}  // namespace
}  // namespace vorsel
