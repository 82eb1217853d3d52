#include "codings/wide.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace vorsel {
namespace {

TEST(WideReduction, IntegersRoundHalvesUpAndClipAtTheTop) {
  EXPECT_EQ(ReduceInt24(0x000080), 1);
  EXPECT_EQ(ReduceInt24(0x00007F), 0);
  EXPECT_EQ(ReduceInt24(-0x000080), 0);
  EXPECT_EQ(ReduceInt24(-0x000081), -1);
  EXPECT_EQ(ReduceInt24(0x7FFF7F), 32767);
  EXPECT_EQ(ReduceInt24(0x7FFF80), 32767);
  EXPECT_EQ(ReduceInt24(0x7FFFFF), 32767);
  EXPECT_EQ(ReduceInt24(-0x800000), -32768);
  EXPECT_EQ(ReduceInt32(0x00008000), 1);
  EXPECT_EQ(ReduceInt32(-0x00008000), 0);
  EXPECT_EQ(ReduceInt32(INT32_MAX), 32767);
  EXPECT_EQ(ReduceInt32(INT32_MIN), -32768);
}

TEST(WideReduction, FloatsScaleByTwoToTheFifteenthAndCountClips) {
  size_t clipped = 0;
  EXPECT_EQ(ReduceFloat(0.5, clipped), 16384);
  EXPECT_EQ(ReduceFloat(-1.0, clipped), -32768);
  EXPECT_EQ(ReduceFloat(0.5 / 32768, clipped), 1);
  EXPECT_EQ(ReduceFloat(-0.5 / 32768, clipped), 0);
  EXPECT_EQ(ReduceFloat(std::nan(""), clipped), 0);
  EXPECT_EQ(clipped, 0u);
  EXPECT_EQ(ReduceFloat(1.0, clipped), 32767);
  EXPECT_EQ(ReduceFloat(-1.5, clipped), -32768);
  EXPECT_EQ(ReduceFloat(std::numeric_limits<double>::infinity(), clipped), 32767);
  EXPECT_EQ(clipped, 3u);
}

TEST(WideReduction, BlocksDecodeBothByteOrdersAndDropAPartialSample) {
  std::vector<int16_t> out(4, 99);
  const std::array<uint8_t, 7> le24 = {0x80, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF};
  EXPECT_EQ(ReduceWideSamples(le24, WideCoding::Int24, ByteOrder::LittleEndian, out), 0u);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], -32768);
  EXPECT_EQ(out[2], 99);
  const std::array<uint8_t, 4> be32 = {0x12, 0x34, 0x80, 0x00};
  ReduceWideSamples(be32, WideCoding::Int32, ByteOrder::BigEndian, out);
  EXPECT_EQ(out[0], 0x1235);
  // 2.0 and -0.25 as big-endian floats, then -0.25 as a little-endian double.
  const std::array<uint8_t, 8> floats = {0x40, 0x00, 0x00, 0x00, 0xBE, 0x80, 0x00, 0x00};
  EXPECT_EQ(ReduceWideSamples(floats, WideCoding::Float32, ByteOrder::BigEndian, out), 1u);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -8192);
  const std::array<uint8_t, 8> le64 = {0, 0, 0, 0, 0, 0, 0xD0, 0xBF};
  ReduceWideSamples(le64, WideCoding::Float64, ByteOrder::LittleEndian, out);
  EXPECT_EQ(out[0], -8192);
}

}  // namespace
}  // namespace vorsel
