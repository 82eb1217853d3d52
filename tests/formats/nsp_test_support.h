#pragma once

// Builders for SMP and NSP bytes and a converter context for the NSP tests. The files are made
// byte by byte here, independently of the code under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/conversion_settings.h"
#include "smp/sSMP.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/recording_log.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test::nsp {

inline std::string LE16(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string LE32(uint32_t value) {
  return LE16(static_cast<uint16_t>(value & 0xFFFF)) + LE16(static_cast<uint16_t>(value >> 16));
}

inline uint16_t ReadLE16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) |
                               (static_cast<uint8_t>(bytes.at(at + 1)) << 8));
}

inline uint32_t ReadLE32(const std::string& bytes, size_t at) {
  return ReadLE16(bytes, at) | (uint32_t{ReadLE16(bytes, at + 2)} << 16);
}

// Samples of `channels` interleaved channels: channel c of frame i holds (c + 1) * 1000 + i,
// negated on odd frames, so every channel and every position differs.
inline std::vector<int16_t> Interleaved(int channels, int frames) {
  std::vector<int16_t> samples;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const int value = (c + 1) * 1000 + i % 1000;
      samples.push_back(static_cast<int16_t>(i % 2 == 0 ? value : -value));
    }
  }
  return samples;
}

inline std::vector<int16_t> ChannelOf(const std::vector<int16_t>& interleaved, int channels,
                                      int channel) {
  std::vector<int16_t> out;
  for (size_t i = static_cast<size_t>(channel); i < interleaved.size();
       i += static_cast<size_t>(channels)) {
    out.push_back(interleaved[i]);
  }
  return out;
}

inline std::string Chunk(const std::string& id, const std::string& body) {
  std::string out = id + LE32(static_cast<uint32_t>(body.size())) + body;
  if (body.size() % 2 == 1) {
    out += '\0';
  }
  return out;
}

inline std::string HeaderBody(const std::string& date, uint32_t rate, uint32_t frames,
                              const std::vector<uint16_t>& peaks) {
  std::string body = date + LE32(rate) + LE32(frames);
  for (const uint16_t peak : peaks) {
    body += LE16(peak);
  }
  return body;
}

// "FORM", "DS16", the size of the chunks (or `ds16Size`) and the chunks.
inline std::string NspFile(const std::string& chunks, int64_t ds16Size = -1) {
  return "FORMDS16" + LE32(static_cast<uint32_t>(ds16Size < 0 ? chunks.size() : ds16Size)) + chunks;
}

inline constexpr const char* kDate = "Mar 05 14:03:09 2021";

// A temporary folder, the settings, the SMP component and recorders for one converter run.
class NspTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir / name; }

  ConversionContext Context() {
    return ConversionContext{*smp, log, boxes, [this] { ++ticks; }};
  }

  struct SmpContent {
    bool opened = false;
    int32_t nchans = 0;
    double sftot = 0;
    std::vector<int16_t> samples;
    std::vector<std::string> items;
    std::string Item(const std::string& name) const {
      for (const std::string& line : items) {
        if (line.rfind(name + "=", 0) == 0) {
          return line.substr(name.size() + 1);
        }
      }
      return {};
    }
  };

  // Reads an SMP file with a component of its own.
  static SmpContent ReadSmp(const std::string& path) {
    TSMPfile reader;
    SmpContent content;
    content.opened = reader.open_file(path, true);
    if (!content.opened) {
      return content;
    }
    content.nchans = reader.nChans();
    content.sftot = reader.SfTot();
    content.items = reader.Items();
    auto chunk = std::make_unique<tsamplechunk>();
    for (;;) {
      reader.GetChunk(*chunk);
      if (chunk->used <= 0) {
        break;
      }
      content.samples.insert(content.samples.end(), chunk->data, chunk->data + chunk->used);
    }
    reader.close_file();
    return content;
  }

  TempDir dir;
  ConversionSettings settings;
  std::unique_ptr<TSMPfile> smp = std::make_unique<TSMPfile>();
  RecordingLog log;
  FakeMessageBoxes boxes;
  int ticks = 0;
};

}  // namespace vorsel::test::nsp
