// Forward chunks, positions, byte order, sample counts and cutting or extending a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using test::BigEndianSamples;
using test::HeadBytes;
using test::LittleEndianSamples;
using test::MakeChunk;
using test::Ramp;
using test::ReadFile;
using test::Used;
using test::WriteFile;

// An SMP file on disk with the given head lines and little-endian samples, opened.
class OpenedFile {
 public:
  OpenedFile(std::initializer_list<std::string_view> items, const std::vector<int16_t>& samples,
             bool readOnly = true, std::string_view tail = {}) {
    path_ = dir_ / "f.smp";
    WriteFile(path_, HeadBytes(items) + LittleEndianSamples(samples) + std::string(tail));
    opened_ = smp.open_file(path_, readOnly);
  }
  ~OpenedFile() { smp.close_file(); }
  bool opened() const { return opened_; }
  std::string bytes() const { return ReadFile(path_); }
  TSMPfile smp;

 private:
  test::TempDir dir_;
  std::string path_;
  bool opened_ = false;
};

TEST(ForwardChunks, StereoFileComesInOneChunkThenNothing) {
  OpenedFile file({"nchans=2"}, Ramp(2000));
  ASSERT_TRUE(file.opened());
  const auto chunk = MakeChunk();
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), Ramp(2000));
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
}

TEST(ForwardChunks, ThreeChannelsGiveWholeScansOf16383) {
  OpenedFile file({"nchans=3"}, Ramp(3 * 6000));
  ASSERT_TRUE(file.opened());
  const auto chunk = MakeChunk();
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 16383);
  EXPECT_EQ(chunk->data[16382], 16382);
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 18000 - 16383);
  EXPECT_EQ(chunk->data[0], 16383);
}

TEST(ForwardChunks, RequestSmallerThanAScanReadsNothing) {
  OpenedFile file({"nchans=2"}, Ramp(10));
  ASSERT_TRUE(file.opened());
  file.smp.SetChunknSamples(1);
  const auto chunk = MakeChunk();
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  EXPECT_EQ(file.smp.Position(), 0);
}

TEST(ForwardChunks, ChunkSizeIsKeptWithinItsBounds) {
  TSMPfile smp;
  smp.SetChunknSamples(0);
  EXPECT_EQ(smp.ChunknSamples(), 1);
  smp.SetChunknSamples(20000);
  EXPECT_EQ(smp.ChunknSamples(), 16384);
}

TEST(ForwardChunks, SameSamplesWhateverTheChunkSize) {
  const std::vector<int16_t> samples = Ramp(40000, -20000);
  for (const int32_t size : {1, 3, 16383, 16384}) {
    OpenedFile file({"nchans=1"}, samples);
    ASSERT_TRUE(file.opened());
    file.smp.SetChunknSamples(size);
    EXPECT_EQ(test::ReadAll(file.smp), samples) << size;
  }
}

TEST(ForwardChunks, IncompleteTrailingScanDoesNotCount) {
  OpenedFile loneSample({"nchans=2"}, Ramp(7));
  ASSERT_TRUE(loneSample.opened());
  EXPECT_EQ(loneSample.smp.nSamples(), 6);
  EXPECT_EQ(test::ReadAll(loneSample.smp), Ramp(6));
  EXPECT_EQ(loneSample.smp.Position(), 7);

  OpenedFile oddByte({"nchans=2"}, Ramp(4), true, "\x01");
  ASSERT_TRUE(oddByte.opened());
  EXPECT_EQ(oddByte.smp.nSamples(), 4);
  EXPECT_EQ(test::ReadAll(oddByte.smp), Ramp(4));
}

TEST(ForwardChunks, NoOpenFileGivesAnEmptyZeroedChunk) {
  TSMPfile smp;
  smp.SetChunknSamples(8);
  const auto chunk = MakeChunk(std::vector<int16_t>(16, 5));
  smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  EXPECT_EQ(chunk->data[7], 0);
  EXPECT_EQ(chunk->data[8], 5);
}

TEST(ByteOrder, MostSignificantByteFirst) {
  test::TempDir dir;
  const std::string path = dir / "msb.smp";
  WriteFile(path, HeadBytes({"msb=first"}) + std::string("\x12\x34\xFF\xFE", 4));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, false));
  EXPECT_EQ(test::ReadAll(smp), (std::vector<int16_t>{0x1234, -2}));
  smp.SetPosition(0);
  const auto chunk = MakeChunk({0x0102, -32768});
  smp.SetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{0x0102, -32768}));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({"msb=first"}) + BigEndianSamples({0x0102, -32768}));
}

TEST(ByteOrder, LeastSignificantByteFirst) {
  test::TempDir dir;
  const std::string path = dir / "lsb.smp";
  WriteFile(path, HeadBytes({"msb=last"}) + std::string("\x12\x34", 2));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, true));
  EXPECT_EQ(test::ReadAll(smp), (std::vector<int16_t>{0x3412}));
  smp.close_file();
}

TEST(Positions, SetInWholeScansAndReadInSamples) {
  OpenedFile file({"nchans=2"}, Ramp(20));
  ASSERT_TRUE(file.opened());
  file.smp.SetPosition(3);
  EXPECT_EQ(file.smp.Position(), 2);
  file.smp.SetChunknSamples(4);
  const auto chunk = MakeChunk();
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{2, 3, 4, 5}));
  EXPECT_EQ(file.smp.Position(), 6);
  file.smp.SetPosition(-4);
  EXPECT_EQ(file.smp.Position(), 6);
}

TEST(Positions, RewindRepeatsTheLastChunk) {
  OpenedFile file({"nchans=1"}, Ramp(10));
  ASSERT_TRUE(file.opened());
  file.smp.SetChunknSamples(3);
  const auto chunk = MakeChunk();
  file.smp.GetChunk(*chunk);
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{3, 4, 5}));
  file.smp.Rewind();
  EXPECT_EQ(file.smp.Position(), 3);
  file.smp.GetChunk(*chunk);
  EXPECT_EQ(Used(*chunk), (std::vector<int16_t>{3, 4, 5}));
  file.smp.Rewind();
  file.smp.Rewind();
  EXPECT_EQ(file.smp.Position(), 6);
}

TEST(Positions, NoOpenFileReadsZeroAndIgnoresMoves) {
  TSMPfile smp;
  smp.SetPosition(10);
  EXPECT_EQ(smp.Position(), 0);
  EXPECT_EQ(smp.nSamples(), 0);
  smp.SetChunk(*MakeChunk({1}));
}

TEST(SampleCount, ExtendingAppendsZerosCuttingShortens) {
  test::TempDir dir;
  const std::string path = dir / "n.smp";
  const std::vector<int16_t> samples = Ramp(100, 1);
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples(samples));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, false));
  smp.SetnSamples(150);
  EXPECT_EQ(smp.nSamples(), 150);
  EXPECT_EQ(ReadFile(path),
            HeadBytes({"nchans=1"}) + LittleEndianSamples(samples) + std::string(100, '\0'));
  smp.SetnSamples(40);
  EXPECT_EQ(smp.nSamples(), 40);
  EXPECT_EQ(std::filesystem::file_size(path), 1024u + 80u);
  smp.SetnSamples(-1);
  EXPECT_EQ(smp.nSamples(), 40);
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({"nchans=1"}) + LittleEndianSamples(Ramp(40, 1)));
}

TEST(SampleCount, ExtensionOverwritesAnIncompleteScanWithZeros) {
  test::TempDir dir;
  const std::string path = dir / "n2.smp";
  WriteFile(path, HeadBytes({"nchans=2"}) + LittleEndianSamples({1, 2, 3}));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, false));
  EXPECT_EQ(smp.nSamples(), 2);
  smp.SetnSamples(5);
  EXPECT_EQ(smp.nSamples(), 4);
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({"nchans=2"}) + LittleEndianSamples({1, 2, 0, 0}));
}

TEST(SampleCount, NeverGrowsAFileToTwoGibibytes) {
  test::TempDir dir;
  const std::string path = dir / "big.smp";
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples({1}));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, false));
  smp.SetnSamples(2147483647);
  EXPECT_EQ(smp.FileBytes(), 1026);
  smp.SetnSamples((2147483647 - 1024) / 2);
  EXPECT_EQ(smp.FileBytes(), 1024 + 2 * ((2147483647 - 1024) / 2));
  smp.SetPosition(smp.nSamples() - 1);
  smp.SetChunk(*MakeChunk(Ramp(1000)));
  EXPECT_EQ(smp.FileBytes(), 1024 + 2 * ((2147483647 - 1024) / 2));
  smp.close_file();
}

}  // namespace
}  // namespace vorsel
