#pragma once

// Builders for WAV and SMP bytes and readers for the files the converters write, written
// apart from the code under test so that the tests check bytes, not the code's own view.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/conversion_settings.h"
#include "frontend/targets.h"
#include "smp/sSMP.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/recording_log.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {

inline std::string U16(uint16_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string U32(uint32_t v) {
  return U16(static_cast<uint16_t>(v & 0xFFFF)) + U16(static_cast<uint16_t>(v >> 16));
}

inline uint32_t ReadU32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

inline uint16_t ReadU16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

// A chunk with its pad byte when the body is odd.
inline std::string Chunk(std::string_view id, std::string_view body) {
  std::string out = std::string(id) + U32(static_cast<uint32_t>(body.size())) + std::string(body);
  if (body.size() % 2 != 0) {
    out += '\0';
  }
  return out;
}

inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                           std::string_view extra = "") {
  const uint16_t align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
  return U16(tag) + U16(channels) + U32(rate) + U32(align * rate) + U16(align) + U16(bits) +
         std::string(extra);
}

// "RIFF", size, "WAVE", the format chunk and the chunks that follow it. The RIFF size counts
// everything after its field unless one is given.
inline std::string Wav(std::string_view fmtBody, std::string_view chunks, int64_t riffSize = -1) {
  const std::string body = "WAVE" + Chunk("fmt ", fmtBody) + std::string(chunks);
  const auto size = static_cast<uint32_t>(riffSize >= 0 ? riffSize : int64_t(body.size()));
  return "RIFF" + U32(size) + body;
}

// An SMP head of `headSize` bytes from item lines, as the format lays it out.
inline std::string SmpHead(const std::vector<std::string>& items, size_t headSize = 1024) {
  std::string head = HeadBytes(items, 0);
  head.resize(headSize, '\0');
  return head;
}

inline std::string SmpSamples(const std::vector<int16_t>& samples, bool msbFirst) {
  return msbFirst ? BigEndianSamples(samples) : LittleEndianSamples(samples);
}

// The item lines of an SMP file's head (up to the "=" line).
inline std::vector<std::string> SmpItems(std::string_view file) {
  std::vector<std::string> items;
  size_t at = 0;
  for (;;) {
    const size_t end = file.find("\r\n", at);
    if (end == std::string_view::npos) {
      break;
    }
    const std::string line(file.substr(at, end - at));
    if (line == "=") {
      break;
    }
    items.push_back(line);
    at = end + 2;
  }
  return items;
}

inline std::string ItemValue(const std::vector<std::string>& items, std::string_view name) {
  for (const std::string& line : items) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && std::string_view(line).substr(0, eq) == name) {
      return line.substr(eq + 1);
    }
  }
  return {};
}

inline bool HasItem(const std::vector<std::string>& items, std::string_view name) {
  for (const std::string& line : items) {
    if (std::string_view(line).substr(0, line.find('=')) == name) {
      return true;
    }
  }
  return false;
}

// The samples after the head, read in the byte order the file's msb item names.
inline std::vector<int16_t> SmpFileSamples(std::string_view file) {
  const std::vector<std::string> items = SmpItems(file);
  const std::string headText = ItemValue(items, "head");
  const size_t head = headText.empty() ? 1024 : std::stoul(headText);
  const bool msbFirst = ItemValue(items, "msb") == "first";
  std::vector<int16_t> samples;
  for (size_t at = head; at + 1 < file.size(); at += 2) {
    const auto a = static_cast<uint8_t>(file[at]);
    const auto b = static_cast<uint8_t>(file[at + 1]);
    samples.push_back(static_cast<int16_t>(msbFirst ? (a << 8 | b) : (b << 8 | a)));
  }
  return samples;
}

// Runs a shell command; its failure fails the calling test.
inline void RunPeer(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

inline std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// Everything a converter reaches, with the log and message boxes recorded.
class ConverterTest : public ::testing::Test {
 protected:
  ConversionContext Context() {
    return ConversionContext{smp, log, boxes, [this] { ++ticks; }};
  }
  std::string Path(std::string_view name) const { return dir / name; }

  TempDir dir;
  ConversionSettings settings;
  TSMPfile smp;
  RecordingLog log;
  FakeMessageBoxes boxes;
  int ticks = 0;
};

}  // namespace vorsel::test
