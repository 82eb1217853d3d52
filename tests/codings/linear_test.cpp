#include "codings/linear.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "codings/byteorder.h"

namespace vorsel {
namespace {

TEST(Linear8, BothRepresentationsDecodeToTheTopByte) {
  EXPECT_EQ(Offset8ToLinear(0x80), 0);
  EXPECT_EQ(Offset8ToLinear(0x00), -32768);
  EXPECT_EQ(Offset8ToLinear(0xFF), 32512);
  EXPECT_EQ(Signed8ToLinear(0x00), 0);
  EXPECT_EQ(Signed8ToLinear(0x80), -32768);
  EXPECT_EQ(Signed8ToLinear(0x7F), 32512);
  EXPECT_EQ(Signed8ToLinear(0xFF), -256);
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    // The two representations differ only in the top bit.
    EXPECT_EQ(Offset8ToLinear(byte), Signed8ToLinear(static_cast<uint8_t>(byte ^ 0x80)));
    EXPECT_EQ(Linear8ToLinear(byte, Representation::Signed), Signed8ToLinear(byte));
    EXPECT_EQ(Linear8ToLinear(byte, Representation::OffsetBinary), Offset8ToLinear(byte));
  }
}

TEST(Linear16, OffsetBinaryFlipsTheTopBitBothWays) {
  EXPECT_EQ(Offset16ToLinear(0x8000), 0);
  EXPECT_EQ(Offset16ToLinear(0x0000), -32768);
  EXPECT_EQ(Offset16ToLinear(0xFFFF), 32767);
  EXPECT_EQ(LinearToOffset16(0), 0x8000);
  EXPECT_EQ(LinearToOffset16(-32768), 0x0000);
  EXPECT_EQ(LinearToOffset16(32767), 0xFFFF);
  for (int x = -32768; x <= 32767; ++x) {
    ASSERT_EQ(Offset16ToLinear(LinearToOffset16(static_cast<int16_t>(x))), x);
  }
}

TEST(ByteOrder, SwapsReverseTheBytesOfEveryValue) {
  EXPECT_EQ(Swap16(0x1234), 0x3412);
  EXPECT_EQ(Swap16(0x00FF), 0xFF00);
  EXPECT_EQ(Swap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(Swap32(0x80000000u), 0x00000080u);
  EXPECT_EQ(Swap32(0xFFFFFFFEu), 0xFEFFFFFFu);
  for (uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000001u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(Swap32(Swap32(v)), v);
  }
  for (int v = 0; v <= 0xFFFF; ++v) {
    ASSERT_EQ(Swap16(Swap16(static_cast<uint16_t>(v))), v);
  }
}

}  // namespace
}  // namespace vorsel
