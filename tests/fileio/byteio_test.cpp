#include "fileio/byteio.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) {
    out.push_back(static_cast<char>(v));
  }
  return out;
}

std::span<const uint8_t> Span(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Bytes whose value depends on their offset, so a misplaced block shows.
std::string Pattern(size_t length) {
  std::string out(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    out[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  return out;
}

int ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::system_error& error) {
    return error.code().value();
  }
  return 0;
}

class ByteIoTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view bytes) {
    const std::string path = dir / ("in" + std::to_string(++count));
    test::WriteFile(path, bytes);
    return path;
  }
  test::TempDir dir;
  int count = 0;
};

TEST_F(ByteIoTest, TypedFieldsInBothByteOrders) {
  ByteReader reader(Write(Bytes({0x12, 0x34, 0x12, 0x34, 0x78, 0x56, 0x34, 0x12, 0x12, 0x34,
                                 0x56, 0x78, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x7F,
                                 0x80, 0x00, 0x00, 0x00, 0x80, 'R',  'I',  'F',  'F'}) +
                          Bytes({0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0})));
  EXPECT_EQ(reader.Size(), 39);
  EXPECT_EQ(reader.u16le(), 0x3412);
  EXPECT_EQ(reader.u16be(), 0x1234);
  EXPECT_EQ(reader.u32le(), 0x12345678u);
  EXPECT_EQ(reader.u32be(), 0x12345678u);
  EXPECT_EQ(reader.i16le(), -2);
  EXPECT_EQ(reader.i16be(), -2);
  EXPECT_EQ(reader.i32le(), 0x7FFFFFFF);
  EXPECT_EQ(reader.i32be(), INT32_MIN);
  EXPECT_EQ(reader.i8(), -128);
  EXPECT_EQ(reader.fourcc(), FourCC("RIFF"));
  EXPECT_EQ(reader.extended80(), 44100.0);
  EXPECT_FALSE(reader.ShortRead());
  EXPECT_EQ(reader.Position(), 39u);
  EXPECT_EQ(reader.Consumed(), 39u);
}

TEST_F(ByteIoTest, AFieldCutByTheEndOfTheFileReadsAsZeroAndSaysSo) {
  ByteReader reader(Write(Bytes({0x01, 0x02, 0x03})));
  EXPECT_EQ(reader.u16le(), 0x0201);
  EXPECT_FALSE(reader.ShortRead());
  EXPECT_EQ(reader.u32le(), 0x03u);
  EXPECT_TRUE(reader.ShortRead());
  EXPECT_EQ(reader.Consumed(), 3u);
  EXPECT_EQ(reader.u8(), 0);
  std::array<uint8_t, 4> rest{};
  EXPECT_FALSE(reader.ReadExact(rest));
}

TEST_F(ByteIoTest, BlocksOfAnySizeDeliverTheSameBytes) {
  const std::string content = Pattern(3 * kBlockBytes + 1234);
  const std::string path = Write(content);
  for (size_t block :
       {size_t{1}, size_t{3}, kBlockBytes - 1, kBlockBytes, kBlockBytes + 1, content.size() + 10}) {
    ByteReader reader(path);
    // A small field first, so that later blocks start inside the reader's buffer.
    std::string got(1, static_cast<char>(reader.u8()));
    std::vector<uint8_t> buffer(block);
    while (const size_t n = reader.Read(buffer)) {
      got.append(reinterpret_cast<const char*>(buffer.data()), n);
    }
    EXPECT_EQ(got, content) << "block " << block;
    EXPECT_EQ(reader.Consumed(), content.size());
    EXPECT_EQ(reader.Position(), content.size());
  }
}

TEST_F(ByteIoTest, SkipStopsAtTheEndAndSeekMovesAnywhere) {
  const std::string content = Pattern(40000);
  ByteReader reader(Write(content));
  EXPECT_EQ(reader.u8(), static_cast<uint8_t>(content[0]));
  EXPECT_EQ(reader.Skip(20000), 20000u);
  EXPECT_EQ(reader.u8(), static_cast<uint8_t>(content[20001]));
  EXPECT_EQ(reader.Position(), 20002u);
  EXPECT_EQ(reader.Skip(1000000), 40000u - 20002u);
  EXPECT_EQ(reader.Consumed(), 40000u);
  EXPECT_EQ(reader.Skip(5), 0u);
  reader.Seek(12345);
  EXPECT_EQ(reader.Position(), 12345u);
  EXPECT_EQ(reader.u8(), static_cast<uint8_t>(content[12345]));
  reader.Seek(50000);
  std::array<uint8_t, 8> out{};
  EXPECT_EQ(reader.Read(out), 0u);
  EXPECT_EQ(reader.Consumed(), 40001u);
}

TEST_F(ByteIoTest, SamplesDecodeFromEitherOrderAndRepresentation) {
  const std::string path = Write(Bytes({0x34, 0x12, 0x00, 0x80, 0xFF, 0x7F, 0xAB}));
  std::array<int16_t, 8> out{};
  {
    ByteReader reader(path);
    const SampleRead got = reader.ReadSamples16(out, ByteOrder::LittleEndian);
    EXPECT_EQ(got.bytes, 7u);
    EXPECT_EQ(got.samples, 3u);  // the odd trailing byte is taken but makes no sample
    EXPECT_EQ(out[0], 0x1234);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(reader.Consumed(), 7u);
  }
  {
    ByteReader reader(path);
    const SampleRead got = reader.ReadSamples16(out, ByteOrder::BigEndian);
    EXPECT_EQ(got.samples, 3u);
    EXPECT_EQ(out[0], 0x3412);
    EXPECT_EQ(out[1], 0x0080);
    EXPECT_EQ(out[2], -129);  // FF 7F
  }
  {
    ByteReader reader(path);
    const SampleRead got =
        reader.ReadSamples16(out, ByteOrder::LittleEndian, Representation::OffsetBinary, 4);
    EXPECT_EQ(got.bytes, 4u);
    EXPECT_EQ(out[0], 0x1234 - 0x8000);
    EXPECT_EQ(out[1], 0);
  }
  {
    ByteReader reader(Write(Bytes({0x12, 0x34, 0x80, 0x00})));
    reader.ReadSamples16(out, ByteOrder::BigEndian, Representation::OffsetBinary);
    EXPECT_EQ(out[0], 0x1234 - 0x8000);
    EXPECT_EQ(out[1], 0);
  }
}

TEST_F(ByteIoTest, WriterProducesTheExactBytes) {
  const std::string path = dir / "out";
  ByteWriter writer(path);
  writer.fourcc("RIFF");
  writer.u32le(0x12345678);
  writer.u32be(0x12345678);
  writer.u16le(0xABCD);
  writer.u16be(0xABCD);
  writer.i16le(-2);
  writer.i32be(-2);
  writer.u16(ByteOrder::BigEndian, 1);
  writer.u32(ByteOrder::LittleEndian, 1);
  writer.i8(-1);
  writer.extended80(16000);
  writer.Text("kelm");
  EXPECT_EQ(writer.Position(), 43u);
  writer.Close();
  EXPECT_EQ(test::ReadFile(path),
            "RIFF" + Bytes({0x78, 0x56, 0x34, 0x12, 0x12, 0x34, 0x56, 0x78, 0xCD, 0xAB, 0xAB, 0xCD,
                            0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00,
                            0xFF, 0x40, 0x0C, 0xFA, 0x00, 0,    0,    0,    0,    0,    0}) +
                "kelm");
}

TEST_F(ByteIoTest, SamplesWriteInEveryOrderAcrossBlockBoundaries) {
  std::vector<int16_t> samples(20001);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(i * 2654435761u >> 16);
  }
  for (ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
    for (Representation representation : {Representation::Signed, Representation::OffsetBinary}) {
      const std::string path = dir / "samples";
      {
        ByteWriter writer(path);
        writer.Text("abc");  // the samples start at an odd offset inside the buffer
        writer.WriteSamples16(samples, order, representation);
        writer.Close();
      }
      const std::string bytes = test::ReadFile(path);
      ASSERT_EQ(bytes.size(), 3 + 2 * samples.size());
      for (size_t i = 0; i < samples.size(); ++i) {
        uint16_t word = static_cast<uint16_t>(samples[i]);
        if (representation == Representation::OffsetBinary) {
          word ^= 0x8000;
        }
        const auto lo = static_cast<uint8_t>(word);
        const auto hi = static_cast<uint8_t>(word >> 8);
        const auto first = static_cast<uint8_t>(bytes[3 + 2 * i]);
        const auto second = static_cast<uint8_t>(bytes[4 + 2 * i]);
        ASSERT_EQ(first, order == ByteOrder::LittleEndian ? lo : hi) << i;
        ASSERT_EQ(second, order == ByteOrder::LittleEndian ? hi : lo) << i;
      }
      // And they read back as they were.
      ByteReader reader(path);
      reader.Skip(3);
      std::vector<int16_t> back(samples.size());
      EXPECT_EQ(reader.ReadSamples16(back, order, representation).samples, samples.size());
      EXPECT_EQ(back, samples);
    }
  }
}

TEST_F(ByteIoTest, LargeWritesAndZerosKeepTheirOrder) {
  const std::string path = dir / "big";
  const std::string block = Pattern(3 * kBlockBytes + 5);
  {
    ByteWriter writer(path);
    writer.u8(0xAA);
    writer.Text(block);
    writer.Zeros(100000);
    writer.u8(0xBB);
    EXPECT_EQ(writer.Position(), 1 + block.size() + 100000 + 1);
    writer.Close();
  }
  EXPECT_EQ(test::ReadFile(path), "\xAA" + block + std::string(100000, '\0') + "\xBB");
}

TEST_F(ByteIoTest, WritesAtAnOffsetLandOverBufferedBytesAndBeyondTheEnd) {
  const std::string path = dir / "placed";
  ByteWriter writer(path);
  writer.Text("0123456789");
  // The buffered bytes reach the file first, so the placed ones are not overwritten by them.
  writer.WriteAt(2, Span("ab"));
  EXPECT_EQ(writer.Position(), 10u);
  writer.WriteAt(14, Span("zz"));
  writer.Text("XY");
  EXPECT_EQ(ErrorOf([&] { writer.WriteAt(static_cast<uint64_t>(kMaxFileBytes) - 1, Span("q")); }),
            EFBIG);
  writer.Close();
  EXPECT_EQ(test::ReadFile(path), std::string("01ab456789XY\0\0zz", 16));
}

// The file ends where the writing ended, and the space reserved beyond is given back, whether
// the writer is closed or dropped.
TEST_F(ByteIoTest, ReservedSpaceNeverShowsAsFileContentAndIsGivenBack) {
  constexpr uint64_t kReserved = 8 << 20;
  const auto allocatedBytes = [](const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return static_cast<uint64_t>(info.st_blocks) * 512;
  };
  const std::string closed = dir / "closed";
  {
    ByteWriter writer(closed);
    writer.Preallocate(kReserved);
    writer.Text("abc");
    writer.WriteAt(10, Span("z"));
    writer.Close();
  }
  EXPECT_EQ(test::ReadFile(closed), std::string("abc\0\0\0\0\0\0\0z", 11));
  EXPECT_LT(allocatedBytes(closed), kReserved);

  const std::string dropped = dir / "dropped";
  {
    ByteWriter writer(dropped);
    writer.Preallocate(kReserved);
    writer.Text("partial");
  }
  EXPECT_EQ(test::ReadFile(dropped), "partial");
  EXPECT_LT(allocatedBytes(dropped), kReserved);
}

TEST_F(ByteIoTest, AWriterDroppedWithoutCloseKeepsWhatItWasGiven) {
  const std::string path = dir / "dropped";
  {
    ByteWriter writer(path);
    writer.Text("partial");
  }
  EXPECT_EQ(test::ReadFile(path), "partial");
}

TEST_F(ByteIoTest, WriterReplacesAnExistingFile) {
  const std::string path = Write(Pattern(5000));
  ByteWriter writer(path);
  writer.Text("new");
  writer.Close();
  EXPECT_EQ(test::ReadFile(path), "new");
}

TEST_F(ByteIoTest, OperatingSystemErrorsThrowWithThePath) {
  const std::string missing = dir / "missing";
  try {
    ByteReader reader(missing);
    FAIL() << "opened a missing file";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ENOENT);
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos);
  }
  EXPECT_EQ(ErrorOf([&] { ByteReader reader(dir.path().string()); }), EISDIR);
  EXPECT_EQ(ErrorOf([&] { ByteWriter writer(dir / "no/such/folder/out"); }), ENOENT);
  EXPECT_EQ(ErrorOf([&] {
              ByteWriter writer("/dev/full");
              writer.Zeros(100);
              writer.Close();
            }),
            ENOSPC);
}

TEST_F(ByteIoTest, AFileOfTwoGibibytesIsRefusedBeforeAnythingIsWritten) {
  const std::string path = dir / "huge";
  ByteWriter writer(path);
  writer.Text("x");
  EXPECT_EQ(ErrorOf([&] { writer.Zeros(static_cast<uint64_t>(kMaxFileBytes) - 1); }), EFBIG);
  EXPECT_EQ(writer.Position(), 1u);
  writer.Close();
  EXPECT_EQ(test::ReadFile(path), "x");
}

// A walk over little-endian chunks: an odd LIST with its pad byte, data, and a last chunk that
// claims more than the file holds.
TEST_F(ByteIoTest, ChunkWalkKeepsItsPlaceAndStopsOnAShortRead) {
  const std::string file = "LIST" + Bytes({3, 0, 0, 0}) + "abc" + Bytes({0}) + "data" +
                           Bytes({5, 0, 0, 0, 0x01, 0x00, 0x02, 0x00, 0x03}) + Bytes({0}) + "junk" +
                           Bytes({0x10, 0, 0, 0}) + "1234" + "da";
  ByteReader reader(Write(file));
  std::vector<std::string> ids;
  std::vector<int16_t> samples;
  bool truncated = false;
  while (const auto header = ReadChunkHeader(reader, ByteOrder::LittleEndian)) {
    ids.emplace_back(header->id.view());
    ChunkBody body(reader, header->size, true);
    if (header->id == "data") {
      std::array<int16_t, 2> block{};
      for (SampleRead got; (got = body.ReadSamples16(block, ByteOrder::LittleEndian)).bytes;) {
        samples.insert(samples.end(), block.begin(), block.begin() + got.samples);
      }
    }
    body.Finish();
    truncated = body.Truncated();
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"LIST", "data", "junk"}));
  EXPECT_EQ(samples, (std::vector<int16_t>{1, 2}));  // the odd last byte makes no sample
  EXPECT_TRUE(truncated);
  EXPECT_EQ(reader.Consumed(), file.size());
}

TEST_F(ByteIoTest, BigEndianChunkSizesAndBodyLimits) {
  ByteReader reader(Write("SSND" + Bytes({0, 0, 0, 6}) + "abcdefXYZ"));
  const auto header = ReadChunkHeader(reader, ByteOrder::BigEndian);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->size, 6u);
  ChunkBody body(reader, header->size, true);
  std::array<uint8_t, 4> out{};
  EXPECT_EQ(body.Read(out), 4u);
  EXPECT_EQ(body.Remaining(), 2u);
  EXPECT_EQ(body.Read(out), 2u);
  EXPECT_EQ(body.Read(out), 0u);
  EXPECT_FALSE(body.Truncated());
  body.Finish();
  EXPECT_EQ(reader.fourcc(), FourCC(std::array<char, 4>{'X', 'Y', 'Z', '\0'}));
  EXPECT_TRUE(reader.ShortRead());
  EXPECT_FALSE(ReadChunkHeader(reader, ByteOrder::BigEndian));
}

TEST_F(ByteIoTest, AnEmptyFileHasNoChunks) {
  ByteReader reader(Write(""));
  EXPECT_EQ(reader.Size(), 0);
  EXPECT_FALSE(ReadChunkHeader(reader, ByteOrder::LittleEndian));
}

}  // namespace
}  // namespace vorsel
