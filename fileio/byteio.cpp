#include "fileio/byteio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "codings/extended.h"

namespace vorsel {

namespace {

[[noreturn]] void ThrowFileError(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), path);
}

// A write that failed leaves a file without the bytes that should follow.
[[noreturn]] void ThrowIncomplete(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), path + " is incomplete");
}

constexpr ByteOrder kNativeOrder =
    std::endian::native == std::endian::little ? ByteOrder::LittleEndian : ByteOrder::BigEndian;

// The top bit is flipped on the sample in the processor's order, so reading swaps first and
// writing swaps last. The choices are template arguments so that each loop is one the compiler
// can vectorise; with them as run-time flags it works sample by sample.
template <bool Swap, bool Flip>
void Decode16InPlace(uint16_t* words, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint16_t word = words[i];
    if constexpr (Swap) {
      word = Swap16(word);
    }
    if constexpr (Flip) {
      word = FlipTopBit16(word);
    }
    words[i] = word;
  }
}

void Decode16InPlace(uint16_t* words, size_t count, bool swap, bool flip) {
  if (swap && flip) {
    Decode16InPlace<true, true>(words, count);
  } else if (swap) {
    Decode16InPlace<true, false>(words, count);
  } else if (flip) {
    Decode16InPlace<false, true>(words, count);
  }
}

template <bool Swap, bool Flip>
void Encode16(const int16_t* samples, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    auto word = static_cast<uint16_t>(samples[i]);
    if constexpr (Flip) {
      word = FlipTopBit16(word);
    }
    if constexpr (Swap) {
      word = Swap16(word);
    }
    std::memcpy(out + 2 * i, &word, 2);
  }
}

void Encode16(const int16_t* samples, size_t count, uint8_t* out, bool swap, bool flip) {
  if (swap && flip) {
    Encode16<true, true>(samples, count, out);
  } else if (swap) {
    Encode16<true, false>(samples, count, out);
  } else if (flip) {
    Encode16<false, true>(samples, count, out);
  } else {
    std::memcpy(out, samples, 2 * count);
  }
}

}  // namespace

// ---- ByteReader ------------------------------------------------------------------------------

ByteReader::ByteReader(const std::string& path) : path_(path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    ThrowFileError(errno, path_);
  }
  fd_ = FileHandle(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ThrowFileError(errno, path_);
  }
  if (S_ISDIR(info.st_mode)) {
    ThrowFileError(EISDIR, path_);
  }
  seekable_ = S_ISREG(info.st_mode);
  size_ = seekable_ ? static_cast<int64_t>(info.st_size) : 0;
}

size_t ByteReader::ReadFromFile(uint8_t* out, size_t count) {
  size_t total = 0;
  while (total < count) {
    const size_t block = std::min(count - total, kBlockBytes);
    const ssize_t got = ::read(fd_.fd(), out + total, block);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      ThrowFileError(errno, path_);
    }
    if (got == 0) {
      break;
    }
    total += static_cast<size_t>(got);
    fileOffset_ += static_cast<uint64_t>(got);
  }
  return total;
}

size_t ByteReader::Refill() {
  begin_ = 0;
  end_ = 0;
  // One read of at most a block; a short count is not the end unless it is zero.
  for (;;) {
    const ssize_t got = ::read(fd_.fd(), buffer_.data(), buffer_.size());
    if (got >= 0) {
      end_ = static_cast<size_t>(got);
      fileOffset_ += static_cast<uint64_t>(got);
      return end_;
    }
    if (errno != EINTR) {
      ThrowFileError(errno, path_);
    }
  }
}

size_t ByteReader::Read(std::span<uint8_t> out) {
  const size_t buffered = std::min(out.size(), end_ - begin_);
  std::memcpy(out.data(), buffer_.data() + begin_, buffered);
  begin_ += buffered;
  // The rest goes straight from the file into the caller's block, without a second copy.
  const size_t total = buffered + ReadFromFile(out.data() + buffered, out.size() - buffered);
  consumed_ += total;
  return total;
}

bool ByteReader::ReadExact(std::span<uint8_t> out) {
  size_t total = 0;
  while (total < out.size()) {
    if (begin_ == end_ && Refill() == 0) {
      std::fill(out.begin() + static_cast<ptrdiff_t>(total), out.end(), uint8_t{0});
      shortRead_ = true;
      break;
    }
    const size_t take = std::min(out.size() - total, end_ - begin_);
    std::memcpy(out.data() + total, buffer_.data() + begin_, take);
    begin_ += take;
    total += take;
  }
  consumed_ += total;
  return total == out.size();
}

uint64_t ByteReader::Skip(uint64_t count) {
  const uint64_t buffered = std::min<uint64_t>(count, end_ - begin_);
  begin_ += buffered;
  uint64_t skipped = buffered;
  if (seekable_ && skipped < count) {
    // Skipping stops at the end of the file, as reading would.
    struct stat info {};
    if (::fstat(fd_.fd(), &info) != 0) {
      ThrowFileError(errno, path_);
    }
    const auto length = static_cast<uint64_t>(info.st_size);
    const uint64_t available = length > fileOffset_ ? length - fileOffset_ : 0;
    const uint64_t step = std::min(count - skipped, available);
    if (step > 0) {
      if (::lseek(fd_.fd(), static_cast<off_t>(fileOffset_ + step), SEEK_SET) < 0) {
        ThrowFileError(errno, path_);
      }
      fileOffset_ += step;
      skipped += step;
    }
  } else {
    while (skipped < count && Refill() > 0) {
      const uint64_t take = std::min<uint64_t>(count - skipped, end_ - begin_);
      begin_ += take;
      skipped += take;
    }
  }
  consumed_ += skipped;
  return skipped;
}

void ByteReader::Seek(uint64_t offset) {
  if (::lseek(fd_.fd(), static_cast<off_t>(offset), SEEK_SET) < 0) {
    ThrowFileError(errno, path_);
  }
  fileOffset_ = offset;
  begin_ = 0;
  end_ = 0;
}

SampleRead ByteReader::ReadSamples16(std::span<int16_t> out, ByteOrder order,
                                     Representation representation, uint64_t maxBytes) {
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(out.size_bytes(), maxBytes));
  // Reading the file's bytes into the caller's samples and decoding them there avoids a copy.
  auto* bytes = reinterpret_cast<uint8_t*>(out.data());
  SampleRead result;
  result.bytes = Read({bytes, wanted});
  result.samples = result.bytes / 2;
  Decode16InPlace(reinterpret_cast<uint16_t*>(out.data()), result.samples, order != kNativeOrder,
                  representation == Representation::OffsetBinary);
  return result;
}

template <size_t N>
std::array<uint8_t, N> ByteReader::Field() {
  std::array<uint8_t, N> bytes{};
  ReadExact(bytes);
  return bytes;
}

uint8_t ByteReader::u8() {
  return Field<1>()[0];
}

uint16_t ByteReader::u16le() {
  const auto b = Field<2>();
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint16_t ByteReader::u16be() {
  const auto b = Field<2>();
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t ByteReader::u32le() {
  const auto b = Field<4>();
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

uint32_t ByteReader::u32be() {
  const auto b = Field<4>();
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

FourCC ByteReader::fourcc() {
  const auto b = Field<4>();
  return FourCC({static_cast<char>(b[0]), static_cast<char>(b[1]), static_cast<char>(b[2]),
                 static_cast<char>(b[3])});
}

double ByteReader::extended80() {
  return BytesToExtended(Field<10>());
}

// ---- ByteWriter ------------------------------------------------------------------------------

ByteWriter::ByteWriter(const std::string& path) : path_(path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    ThrowFileError(errno, path_);
  }
  fd_ = FileHandle(fd);
}

ByteWriter::~ByteWriter() {
  if (!fd_.valid()) {
    return;
  }
  try {
    Flush();
  } catch (const std::system_error&) {
    // Close reports errors; a writer dropped without it (an exception already under way) keeps
    // what reached the disk.
  }
  GiveBackReservedSpace();
}

void ByteWriter::WriteToFile(const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t block = std::min(count - done, kBlockBytes);
    const ssize_t put = ::write(fd_.fd(), bytes + done, block);
    if (put < 0) {
      if (errno == EINTR) {
        continue;
      }
      ThrowIncomplete(errno, path_);
    }
    if (put == 0) {
      ThrowIncomplete(ENOSPC, path_);
    }
    done += static_cast<size_t>(put);
    fileOffset_ += static_cast<uint64_t>(put);
  }
}

void ByteWriter::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  if (!fd_.valid()) {
    ThrowFileError(EBADF, path_);
  }
  if (offset + bytes.size() >= static_cast<uint64_t>(kMaxFileBytes)) {
    ThrowIncomplete(EFBIG, path_);
  }
  // What is buffered may lie in the same place; it must not land over these bytes later.
  Flush();
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t block = std::min(bytes.size() - done, kBlockBytes);
    const ssize_t put =
        ::pwrite(fd_.fd(), bytes.data() + done, block, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) {
        continue;
      }
      ThrowIncomplete(errno, path_);
    }
    if (put == 0) {
      ThrowIncomplete(ENOSPC, path_);
    }
    done += static_cast<size_t>(put);
  }
}

void ByteWriter::Reserve(uint64_t count) {
  if (!fd_.valid()) {
    ThrowFileError(EBADF, path_);
  }
  if (Position() + count >= static_cast<uint64_t>(kMaxFileBytes)) {
    ThrowIncomplete(EFBIG, path_);
  }
}

void ByteWriter::Flush() {
  if (used_ > 0) {
    const size_t pending = used_;
    used_ = 0;
    WriteToFile(buffer_.data(), pending);
  }
}

void ByteWriter::Preallocate(uint64_t bytes) {
  if (!fd_.valid() || bytes >= static_cast<uint64_t>(kMaxFileBytes)) {
    return;
  }
  preallocated_ = true;
  int result = 0;
  do {
    result = ::fallocate(fd_.fd(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes));
  } while (result < 0 && errno == EINTR);
}

uint64_t ByteWriter::FileSize() const {
  struct stat info {};
  return fd_.valid() && ::fstat(fd_.fd(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

void ByteWriter::GiveBackReservedSpace() {
  // The size is where the written bytes end; cutting the file there frees the blocks beyond.
  struct stat info {};
  if (preallocated_ && ::fstat(fd_.fd(), &info) == 0) {
    preallocated_ = false;
    static_cast<void>(::ftruncate(fd_.fd(), info.st_size));
  }
}

void ByteWriter::Close() {
  if (!fd_.valid()) {
    return;
  }
  Flush();
  GiveBackReservedSpace();
  if (!fd_.Close()) {
    ThrowIncomplete(errno, path_);
  }
}

void ByteWriter::Bytes(std::span<const uint8_t> bytes) {
  Reserve(bytes.size());
  // The buffer is filled before it is written, so that the writes stay whole blocks at block
  // boundaries of the file (a header in front of the samples would otherwise offset them all);
  // whole blocks of a large piece go to the file straight from the caller's memory.
  while (!bytes.empty()) {
    if (used_ == 0 && bytes.size() >= buffer_.size()) {
      const size_t whole = bytes.size() - bytes.size() % buffer_.size();
      WriteToFile(bytes.data(), whole);
      bytes = bytes.subspan(whole);
      continue;
    }
    const size_t take = std::min(buffer_.size() - used_, bytes.size());
    std::memcpy(buffer_.data() + used_, bytes.data(), take);
    used_ += take;
    bytes = bytes.subspan(take);
    if (used_ == buffer_.size()) {
      Flush();
    }
  }
}

void ByteWriter::Text(std::string_view text) {
  Bytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void ByteWriter::Zeros(uint64_t count) {
  Reserve(count);
  while (count > 0) {
    if (used_ == buffer_.size()) {
      Flush();
    }
    const size_t take = static_cast<size_t>(std::min<uint64_t>(count, buffer_.size() - used_));
    std::memset(buffer_.data() + used_, 0, take);
    used_ += take;
    count -= take;
  }
}

void ByteWriter::WriteSamples16(std::span<const int16_t> samples, ByteOrder order,
                                Representation representation) {
  const bool swap = order != kNativeOrder;
  const bool flip = representation == Representation::OffsetBinary;
  if (!swap && !flip) {
    Bytes({reinterpret_cast<const uint8_t*>(samples.data()), samples.size_bytes()});
    return;
  }
  Reserve(samples.size_bytes());
  for (size_t i = 0; i < samples.size();) {
    if (buffer_.size() - used_ < 2) {
      Flush();
    }
    const size_t room = (buffer_.size() - used_) / 2;
    const size_t take = std::min(room, samples.size() - i);
    Encode16(samples.data() + i, take, buffer_.data() + used_, swap, flip);
    used_ += 2 * take;
    i += take;
  }
}

void ByteWriter::u8(uint8_t value) {
  Bytes(std::span<const uint8_t>(&value, 1));
}

void ByteWriter::u16le(uint16_t value) {
  const std::array<uint8_t, 2> b = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  Bytes(b);
}

void ByteWriter::u16be(uint16_t value) {
  const std::array<uint8_t, 2> b = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  Bytes(b);
}

void ByteWriter::u32le(uint32_t value) {
  const std::array<uint8_t, 4> b = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                    static_cast<uint8_t>(value >> 16),
                                    static_cast<uint8_t>(value >> 24)};
  Bytes(b);
}

void ByteWriter::u32be(uint32_t value) {
  const std::array<uint8_t, 4> b = {static_cast<uint8_t>(value >> 24),
                                    static_cast<uint8_t>(value >> 16),
                                    static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  Bytes(b);
}

void ByteWriter::fourcc(FourCC id) {
  Text(id.view());
}

void ByteWriter::extended80(double value) {
  Bytes(ExtendedToBytes(value));
}

// ---- Chunks ----------------------------------------------------------------------------------

std::optional<ChunkHeader> ReadChunkHeader(ByteReader& reader, ByteOrder sizeOrder) {
  std::array<uint8_t, 8> bytes{};
  if (!reader.ReadExact(bytes)) {
    return std::nullopt;
  }
  ChunkHeader header;
  std::memcpy(header.id.bytes.data(), bytes.data(), 4);
  const uint32_t le = uint32_t{bytes[4]} | (uint32_t{bytes[5]} << 8) | (uint32_t{bytes[6]} << 16) |
                      (uint32_t{bytes[7]} << 24);
  header.size = sizeOrder == ByteOrder::LittleEndian ? le : Swap32(le);
  return header;
}

void ChunkBody::Took(uint64_t wanted, uint64_t got) {
  remaining_ -= got;
  if (got < wanted) {
    truncated_ = true;
  }
}

size_t ChunkBody::Read(std::span<uint8_t> out) {
  const auto wanted = static_cast<size_t>(std::min<uint64_t>(out.size(), remaining_));
  const size_t got = reader_.Read(out.first(wanted));
  Took(wanted, got);
  return got;
}

uint64_t ChunkBody::Skip(uint64_t count) {
  const uint64_t wanted = std::min(count, remaining_);
  const uint64_t got = reader_.Skip(wanted);
  Took(wanted, got);
  return got;
}

SampleRead ChunkBody::ReadSamples16(std::span<int16_t> out, ByteOrder order,
                                    Representation representation) {
  const uint64_t wanted = std::min<uint64_t>(out.size_bytes(), remaining_);
  const SampleRead got = reader_.ReadSamples16(out, order, representation, wanted);
  Took(wanted, got.bytes);
  return got;
}

void ChunkBody::Finish() {
  if (finished_) {
    return;
  }
  finished_ = true;
  Skip(remaining_);
  if (padded_ && size_ % 2 == 1 && !truncated_ && reader_.Skip(1) < 1) {
    truncated_ = true;
  }
}

}  // namespace vorsel
