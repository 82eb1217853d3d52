#pragma once

// Endian-aware reading and writing of foreign sound files over file descriptors. The byte
// order of every field is a fixed property of its format; callers say which one they mean.
// Data moves in blocks of at most kBlockBytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codings/byteorder.h"
#include "codings/linear.h"
#include "fileio/file_io.h"

namespace vorsel {

inline constexpr size_t kBlockBytes = 16384;

// Four ASCII bytes that name a chunk or a file type, compared as they stand in the file.
struct FourCC {
  std::array<char, 4> bytes{};

  constexpr FourCC() = default;
  // From a literal: FourCC("RIFF").
  constexpr FourCC(const char (&text)[5]) : bytes{text[0], text[1], text[2], text[3]} {}
  explicit constexpr FourCC(std::array<char, 4> raw) : bytes(raw) {}

  std::string_view view() const { return {bytes.data(), bytes.size()}; }
  friend constexpr bool operator==(const FourCC&, const FourCC&) = default;
};

// What a bulk sample read delivered: the bytes taken from the file and the whole samples they
// make (an odd trailing byte is taken but yields no sample).
struct SampleRead {
  size_t bytes = 0;
  size_t samples = 0;
};

// Buffered reading of a file. Operating-system errors throw std::system_error naming the
// path; the end of the file is not an error: reads come up short and say so.
class ByteReader {
 public:
  // Opens `path` read-only.
  explicit ByteReader(const std::string& path);

  const std::string& Path() const { return path_; }
  // The file's length when it was opened.
  int64_t Size() const { return size_; }
  // File offset of the next byte delivered.
  uint64_t Position() const { return fileOffset_ - (end_ - begin_); }
  // Bytes delivered or skipped since the file was opened; Seek does not count.
  uint64_t Consumed() const { return consumed_; }
  // True once a typed read or ReadExact found the file ending before its last byte.
  bool ShortRead() const { return shortRead_; }

  // Up to out.size() bytes; fewer only at the end of the file.
  size_t Read(std::span<uint8_t> out);
  // All of out, or false (ShortRead) when the file ends first; missing bytes are zero.
  bool ReadExact(std::span<uint8_t> out);
  // Skips up to `count` bytes, fewer at the end of the file; returns the number skipped.
  uint64_t Skip(uint64_t count);
  // Moves to an absolute offset; reads beyond the end come up short.
  void Seek(uint64_t offset);

  // Up to maxBytes (rounded to what `out` holds) of 16-bit samples in `order`, decoded into
  // `out` in the processor's order (top bit flipped for offset binary).
  SampleRead ReadSamples16(std::span<int16_t> out, ByteOrder order,
                           Representation representation = Representation::Signed,
                           uint64_t maxBytes = UINT64_MAX);

  // Typed fields. At the end of the file the missing bytes read as zero and ShortRead is set.
  uint8_t u8();
  int8_t i8() { return static_cast<int8_t>(u8()); }
  uint16_t u16le();
  uint16_t u16be();
  int16_t i16le() { return static_cast<int16_t>(u16le()); }
  int16_t i16be() { return static_cast<int16_t>(u16be()); }
  uint32_t u32le();
  uint32_t u32be();
  int32_t i32le() { return static_cast<int32_t>(u32le()); }
  int32_t i32be() { return static_cast<int32_t>(u32be()); }
  uint16_t u16(ByteOrder order) { return order == ByteOrder::LittleEndian ? u16le() : u16be(); }
  uint32_t u32(ByteOrder order) { return order == ByteOrder::LittleEndian ? u32le() : u32be(); }
  FourCC fourcc();
  // A 10-byte big-endian extended real.
  double extended80();

 private:
  size_t Refill();
  size_t ReadFromFile(uint8_t* out, size_t count);
  template <size_t N>
  std::array<uint8_t, N> Field();

  std::string path_;
  FileHandle fd_;
  int64_t size_ = 0;
  uint64_t fileOffset_ = 0;
  uint64_t consumed_ = 0;
  bool shortRead_ = false;
  bool seekable_ = false;
  std::array<uint8_t, kBlockBytes> buffer_{};
  size_t begin_ = 0;
  size_t end_ = 0;
};

// Buffered writing of a new file. Every operating-system error, and growth to kMaxFileBytes
// (2 GiB), throws std::system_error naming the path.
class ByteWriter {
 public:
  // Creates `path`, replacing an existing file.
  explicit ByteWriter(const std::string& path);
  // Writes what is buffered when Close was not called; errors are only reported by Close.
  ~ByteWriter();
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  const std::string& Path() const { return path_; }
  // Bytes written so far, buffered ones included.
  uint64_t Position() const { return fileOffset_ + used_; }
  // Bytes of the sequential writes that reached the file (after a failed write, what it holds).
  uint64_t WrittenBytes() const { return fileOffset_; }
  // The size of the file as it is, for files written side by side with WriteAt.
  uint64_t FileSize() const;

  void Bytes(std::span<const uint8_t> bytes);
  void Text(std::string_view text);
  void Zeros(uint64_t count);
  // Samples in the processor's order, written in `order` (top bit flipped for offset binary).
  void WriteSamples16(std::span<const int16_t> samples, ByteOrder order,
                      Representation representation = Representation::Signed);

  void u8(uint8_t value);
  void i8(int8_t value) { u8(static_cast<uint8_t>(value)); }
  void u16le(uint16_t value);
  void u16be(uint16_t value);
  void i16le(int16_t value) { u16le(static_cast<uint16_t>(value)); }
  void i16be(int16_t value) { u16be(static_cast<uint16_t>(value)); }
  void u32le(uint32_t value);
  void u32be(uint32_t value);
  void i32le(int32_t value) { u32le(static_cast<uint32_t>(value)); }
  void i32be(int32_t value) { u32be(static_cast<uint32_t>(value)); }
  void u16(ByteOrder order, uint16_t value) {
    order == ByteOrder::LittleEndian ? u16le(value) : u16be(value);
  }
  void u32(ByteOrder order, uint32_t value) {
    order == ByteOrder::LittleEndian ? u32le(value) : u32be(value);
  }
  void fourcc(FourCC id);
  void extended80(double value);

  // Writes at `offset` of the file, after handing over what is buffered; Position stays where
  // it is. For sizes known only at the end, and for parts of a file written side by side.
  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  // Hands the buffered bytes to the operating system.
  void Flush();
  // Reserves the disk space of a file of `bytes` bytes without changing its size, so that the
  // blocks are allocated once rather than on every write; nothing where the file system
  // cannot. Close gives back what was reserved and not written.
  void Preallocate(uint64_t bytes);
  // Flushes and closes; the file is complete when this returns.
  void Close();

 private:
  void Reserve(uint64_t count);
  void WriteToFile(const uint8_t* bytes, size_t count);
  void GiveBackReservedSpace();

  std::string path_;
  FileHandle fd_;
  uint64_t fileOffset_ = 0;
  std::array<uint8_t, kBlockBytes> buffer_{};
  size_t used_ = 0;
  bool preallocated_ = false;
};

// The 8-byte head of a chunk: identifier and body size (the order of the size is the
// container's).
struct ChunkHeader {
  FourCC id;
  uint32_t size = 0;
};

// Nothing when fewer than 8 bytes remain in the file.
std::optional<ChunkHeader> ReadChunkHeader(ByteReader& reader, ByteOrder sizeOrder);

// The body of one chunk. Reads never pass its end; Finish skips what is left of it and the pad
// byte that follows an odd-sized body, so a chunk walker cannot lose its place.
class ChunkBody {
 public:
  ChunkBody(ByteReader& reader, uint64_t size, bool padded)
      : reader_(reader), size_(size), remaining_(size), padded_(padded) {}

  uint64_t Size() const { return size_; }
  uint64_t Remaining() const { return remaining_; }
  // True once the file ended before the body (or its pad byte) did.
  bool Truncated() const { return truncated_; }

  // Up to out.size() bytes of the body; fewer only at its end or at the end of the file.
  size_t Read(std::span<uint8_t> out);
  // Skips up to `count` bytes of the body.
  uint64_t Skip(uint64_t count);
  SampleRead ReadSamples16(std::span<int16_t> out, ByteOrder order,
                           Representation representation = Representation::Signed);
  // Skips the rest of the body and the pad byte; stops at the end of the file.
  void Finish();

 private:
  void Took(uint64_t wanted, uint64_t got);

  ByteReader& reader_;
  uint64_t size_;
  uint64_t remaining_;
  bool padded_;
  bool truncated_ = false;
  bool finished_ = false;
};

}  // namespace vorsel
