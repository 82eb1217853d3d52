#include "frontend/hex_dump.h"

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <system_error>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

std::vector<uint8_t> Counting(uint8_t first, size_t count) {
  std::vector<uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST(DumpLines, AFullLineHasFourGroupsTheOffsetAndTheCharactersEachFollowedByASpace) {
  const auto lines = DumpLines(Counting(0x41, 16), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            " 41 42 43 44  45 46 47 48  49 4A 4B 4C  4D 4E 4F 50  00000 ABCD EFGH IJKL MNOP ");
}

TEST(DumpLines, TwentyBytesGiveASecondLineOfFourLabelledWithItsOffset) {
  const auto lines = DumpLines(Counting(0x30, 20), 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            " 30 31 32 33  34 35 36 37  38 39 3A 3B  3C 3D 3E 3F  00000 0123 4567 89:; <=>? ");
  EXPECT_EQ(lines[1], " 40 41 42 43  00010 @ABC ");
  // A fifth byte opens a new group in the last line as well.
  EXPECT_EQ(DumpLines(Counting(0x30, 21), 0)[1], " 40 41 42 43  44  00010 @ABC D ");
}

TEST(DumpLines, OneByteGivesOneLineAndAnEmptyBlockTheCouldNotReadLine) {
  EXPECT_EQ(DumpLines(std::vector<uint8_t>{0x41}, 0), std::vector<std::string>{" 41  00000 A "});
  EXPECT_EQ(DumpLines({}, 0), std::vector<std::string>{"Could not read file."});
}

TEST(DumpLines, AFullBlockGives512LinesWithOffsetsFromTheStartInAtLeastFiveDigits) {
  const auto lines = DumpLines(std::vector<uint8_t>(kDumpBlockBytes, 0x20), 0xFFFFE000u);
  ASSERT_EQ(lines.size(), 512u);
  EXPECT_NE(lines[0].find("  FFFFE000 "), std::string::npos) << lines[0];
  EXPECT_NE(lines[511].find("  FFFFFFF0 "), std::string::npos) << lines[511];
  EXPECT_NE(DumpLines(Counting(0, 1), 0xABC)[0].find("  00ABC "), std::string::npos);
  EXPECT_NE(DumpLines(Counting(0, 1), uint64_t{5} << 32)[0].find("  500000000 "),
            std::string::npos);
}

TEST(DumpLines, CharactersAreWindows1252WithABulletForControlAndUndefinedCodes) {
  for (const uint8_t placeholder : {0x00, 0x09, 0x1F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(DumpCharacter(placeholder), "\u2022") << int{placeholder};
  }
  EXPECT_EQ(DumpCharacter(0x20), " ");
  EXPECT_EQ(DumpCharacter(0x7E), "~");
  EXPECT_EQ(DumpCharacter(0x80), "\u20AC");
  EXPECT_EQ(DumpCharacter(0x95), "\u2022");
  EXPECT_EQ(DumpCharacter(0x9F), "\u0178");
  EXPECT_EQ(DumpCharacter(0xE9), "\u00E9");
  EXPECT_EQ(DumpCharacter(0xFF), "\u00FF");
  EXPECT_EQ(DumpLines(std::vector<uint8_t>{0x00, 0x41, 0x80}, 0)[0],
            " 00 41 80  00000 \u2022A\u20AC ");
}

TEST(Waveform, SixteenBitPointsComeFromOddBytesInEitherByteOrderAndSign) {
  const std::vector<uint8_t> block = {0x12, 0x34, 0x00, 0x80};
  // Intel: 0x3412 = 13330 at x = 1/3 of 353; 0x8000 = -32768 at the bottom edge, outside.
  EXPECT_EQ(WaveformPoints(block, {}), (std::vector<WavePoint>{{118, 22}, {353, 73}}));
  // Motorola: 0x1234 = 4660 and 0x0080 = 128.
  EXPECT_EQ(WaveformPoints(block, {.motorola = true}),
            (std::vector<WavePoint>{{118, 31}, {353, 36}}));
  // Unsigned Intel: 13330 - 32768 and 0.
  EXPECT_EQ(WaveformPoints(block, {.signedData = false}),
            (std::vector<WavePoint>{{118, 58}, {353, 36}}));
  // A block of odd length leaves its last byte without a point.
  EXPECT_EQ(WaveformPoints(std::vector<uint8_t>{0, 0, 0}, {}).size(), 1u);
}

TEST(Waveform, HalvesGoToTheEvenNeighbour) {
  // x = 1/2 × 353 = 176.5 and y = 0.5 × 73 = 36.5 for the value 0.
  const std::vector<uint8_t> block = {0x80, 0x00, 0x7F};
  EXPECT_EQ(WaveformPoints(block, {.encoding = WaveEncoding::Linear8}),
            (std::vector<WavePoint>{{0, 73}, {176, 36}, {353, 0}}));
  EXPECT_EQ(WaveformPoints(block, {.encoding = WaveEncoding::Linear8, .signedData = false}),
            (std::vector<WavePoint>{{0, 36}, {176, 73}, {353, 37}}));
}

TEST(Waveform, CompandedDecodingsIgnoreSignAndByteOrder) {
  const std::vector<uint8_t> block = Counting(0, 256);
  for (const WaveEncoding encoding : {WaveEncoding::MuLaw, WaveEncoding::ALaw}) {
    const auto plain = WaveformPoints(block, {.encoding = encoding});
    EXPECT_EQ(plain.size(), 256u);
    EXPECT_EQ(WaveformPoints(block, {.encoding = encoding, .signedData = false, .motorola = true}),
              plain);
  }
}

TEST(Waveform, FewerThanTwoBytesGiveNoPoints) {
  EXPECT_TRUE(
      WaveformPoints(std::vector<uint8_t>{0x41}, {.encoding = WaveEncoding::Linear8}).empty());
  EXPECT_TRUE(WaveformPoints({}, {}).empty());
}

TEST(ReadDumpBlock, ReadsAtMostOneBlockFromTheEvenStartAtOrBelowThePosition) {
  test::TempDir dir;
  std::string bytes(20000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7);
  }
  test::WriteFile(dir / "f", bytes);

  const DumpBlock odd = ReadDumpBlock(dir / "f", 8193);
  EXPECT_EQ(odd.start, 8192u);
  ASSERT_EQ(odd.bytes.size(), kDumpBlockBytes);
  EXPECT_EQ(odd.bytes[0], static_cast<uint8_t>(bytes[8192]));
  EXPECT_EQ(DumpLines(odd.bytes, odd.start)[0].substr(52, 7), " 02000 ");

  const DumpBlock tail = ReadDumpBlock(dir / "f", 19000);
  EXPECT_EQ(tail.bytes.size(), 1000u);
  EXPECT_EQ(tail.bytes.back(), static_cast<uint8_t>(bytes.back()));
  EXPECT_TRUE(ReadDumpBlock(dir / "f", 20000).bytes.empty());
  EXPECT_TRUE(ReadDumpBlock(dir / "f", uint64_t{1} << 40).bytes.empty());

  // A file that shrank since its size was taken gives only the bytes it still has.
  test::WriteFile(dir / "f", bytes.substr(0, 9000));
  EXPECT_EQ(ReadDumpBlock(dir / "f", 8192).bytes.size(), 808u);
}

TEST(ReadDumpBlock, OpenAndReadErrorsAreThrownWithTheFileName) {
  test::TempDir dir;
  try {
    ReadDumpBlock(dir / "missing", 0);
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find("Cannot open file " + (dir / "missing")),
              std::string::npos)
        << error.what();
  }
  // A folder opens but cannot be read.
  EXPECT_THROW(ReadDumpBlock(dir.path().string(), 0), std::system_error);
}

TEST(DumpScroll, SmallFilesDisableTheBarAndLargeOnesScrollToTheirLastBlock) {
  EXPECT_FALSE(ScrollLimitsFor(std::nullopt).enabled);
  EXPECT_FALSE(ScrollLimitsFor(0).enabled);
  EXPECT_FALSE(ScrollLimitsFor(8192).enabled);
  EXPECT_EQ(ScrollBytes(5, ScrollLimitsFor(8192)), 0u);

  const DumpScrollLimits small = ScrollLimitsFor(8193);
  EXPECT_TRUE(small.enabled);
  EXPECT_EQ(small.maximum, 1);
  EXPECT_EQ(small.smallChange, 1024);
  EXPECT_EQ(small.largeChange, 8192);
  EXPECT_EQ(ScrollBytes(1, small), 1u);
  EXPECT_EQ(ScrollValue(99, small), 1);

  const uint64_t limitOfInt = uint64_t{INT_MAX} + 8192;
  EXPECT_EQ(ScrollLimitsFor(limitOfInt).maximum, INT_MAX);
  EXPECT_EQ(ScrollLimitsFor(limitOfInt).shift, 0u);
}

TEST(DumpScroll, FilesOf2GiBAndMoreScrollOverTheirWholeLengthWithoutWrapping) {
  for (const uint64_t size :
       {uint64_t{1} << 31, (uint64_t{1} << 32) + 8191, (uint64_t{10} << 30) + 12345}) {
    const DumpScrollLimits limits = ScrollLimitsFor(size);
    EXPECT_TRUE(limits.enabled);
    EXPECT_GT(limits.maximum, 0);
    EXPECT_EQ(ScrollBytes(limits.maximum, limits), size - kDumpBlockBytes) << size;
    EXPECT_EQ(ScrollValue(size, limits), ScrollValue(size - kDumpBlockBytes, limits));
    EXPECT_LE(ScrollBytes(limits.maximum - 1, limits), size - kDumpBlockBytes);
    EXPECT_GE(limits.smallChange, 1);
    // A block start survives the way through the bar.
    const uint64_t middle = DumpStart(size / 2) & ~((uint64_t{1} << limits.shift) - 1);
    EXPECT_EQ(ScrollBytes(ScrollValue(middle, limits), limits), middle);
  }
  // Up to 4 GiB the steps are two bytes, which every even start still reaches.
  EXPECT_EQ(ScrollLimitsFor((uint64_t{1} << 32) + 8190).shift, 1u);
}

}  // namespace
}  // namespace vorsel
