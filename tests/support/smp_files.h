#pragma once

// Builds SMP files byte by byte, independently of the component, and reads samples back from
// the bytes on disk.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "smp/sSMP.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {

// Head bytes: each line + CR LF, "=" CR LF, comment lines, 0x00 0x04 0x1A, zeros to `size`.
template <typename Lines>
std::string HeadBytesOf(const Lines& items, size_t size,
                        std::initializer_list<std::string_view> comment) {
  std::string head;
  for (const std::string_view line : items) {
    head.append(line).append("\r\n");
  }
  head.append("=\r\n");
  for (const std::string_view line : comment) {
    head.append(line).append("\r\n");
  }
  head.append(std::string("\x00\x04\x1A", 3));
  if (head.size() < size) {
    head.resize(size, '\0');
  }
  return head;
}

inline std::string HeadBytes(std::initializer_list<std::string_view> items, size_t size = 1024,
                             std::initializer_list<std::string_view> comment = {}) {
  return HeadBytesOf(items, size, comment);
}

inline std::string HeadBytes(const std::vector<std::string>& items, size_t size = 1024) {
  return HeadBytesOf(items, size, {});
}

inline std::string LittleEndianSamples(const std::vector<int16_t>& samples) {
  std::string bytes;
  for (const int16_t s : samples) {
    const auto u = static_cast<uint16_t>(s);
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

inline std::string BigEndianSamples(const std::vector<int16_t>& samples) {
  std::string bytes;
  for (const int16_t s : samples) {
    const auto u = static_cast<uint16_t>(s);
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  }
  return bytes;
}

// An SMP file of a 1024-byte head of the item lines and the samples in the byte order given.
inline std::string SmpFile(const std::vector<std::string>& items,
                           const std::vector<int16_t>& samples, bool msbFirst = false) {
  return HeadBytes(items) + (msbFirst ? BigEndianSamples(samples) : LittleEndianSamples(samples));
}

inline std::vector<int16_t> SamplesFromLittleEndian(std::string_view bytes) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto lo = static_cast<uint8_t>(bytes[i]);
    const auto hi = static_cast<uint8_t>(bytes[i + 1]);
    samples.push_back(static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8))));
  }
  return samples;
}

// 0, 1, 2, ... count - 1 (wrapping at 16 bits).
inline std::vector<int16_t> Ramp(size_t count, int start = 0) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<int16_t>(start + static_cast<int>(i));
  }
  return samples;
}

inline std::unique_ptr<tsamplechunk> MakeChunk(const std::vector<int16_t>& samples = {}) {
  auto chunk = std::make_unique<tsamplechunk>();
  chunk->used = static_cast<int32_t>(samples.size());
  std::copy(samples.begin(), samples.end(), chunk->data);
  return chunk;
}

inline std::vector<int16_t> Used(const tsamplechunk& chunk) {
  return std::vector<int16_t>(chunk.data, chunk.data + chunk.used);
}

// Every sample a forward GetChunk loop delivers until it returns nothing.
inline std::vector<int16_t> ReadAll(TSMPfile& smp) {
  std::vector<int16_t> all;
  const auto chunk = MakeChunk();
  for (;;) {
    smp.GetChunk(*chunk);
    if (chunk->used == 0) {
      return all;
    }
    all.insert(all.end(), chunk->data, chunk->data + chunk->used);
  }
}

// A test of one SMP file in a fresh folder, closed when the test ends.
class SmpFileTest : public ::testing::Test {
 protected:
  void TearDown() override { smp_.close_file(); }
  // Writes `bytes` as the folder's file `name` (path_) and opens it.
  void WriteAndOpen(std::string_view name, std::string_view bytes, bool readOnly) {
    path_ = dir_ / name;
    WriteFile(path_, bytes);
    ASSERT_TRUE(smp_.open_file(path_, readOnly));
  }

  TempDir dir_;
  std::string path_;
  std::string head_;
  TSMPfile smp_;
};

}  // namespace vorsel::test
