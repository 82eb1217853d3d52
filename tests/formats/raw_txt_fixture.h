#pragma once

// What the RAW and TXT converter tests share: a context with recorded log and message boxes,
// SMP files built byte by byte, and SMP output read back from its bytes, apart from the
// component under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
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

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) {
    out += static_cast<char>(v);
  }
  return out;
}

// The item lines of an SMP file's head, up to the "=" line.
inline std::vector<std::string> HeadItems(std::string_view file) {
  std::vector<std::string> items;
  for (size_t at = 0;;) {
    const size_t end = file.find("\r\n", at);
    if (end == std::string_view::npos || file.substr(at, end - at) == "=") {
      return items;
    }
    items.emplace_back(file.substr(at, end - at));
    at = end + 2;
  }
}

inline std::string Item(std::string_view file, std::string_view name) {
  for (const std::string& line : HeadItems(file)) {
    if (line.starts_with(std::string(name) + "=")) {
      return line.substr(name.size() + 1);
    }
  }
  return {};
}

// The bytes after the head, whose size the head item names.
inline std::string DataArea(std::string_view file) {
  const std::string head = Item(file, "head");
  const size_t offset = head.empty() ? 1024 : std::stoul(head);
  return std::string(file.substr(std::min(offset, file.size())));
}

// Samples of an SMP file in the byte order of its msb item.
inline std::vector<int16_t> SmpSamples(std::string_view file) {
  std::string data = DataArea(file);
  if (Item(file, "msb") == "first") {
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
      std::swap(data[i], data[i + 1]);
    }
  }
  return SamplesFromLittleEndian(data);
}

class ConverterFixture : public ::testing::Test {
 protected:
  ConversionContext Context() {
    return ConversionContext{smp, log, boxes, [this] { ++ticks; }};
  }
  // Runs `converter` from `input` (written to in.<ext>) to out.<ext>; returns the output's
  // bytes, empty when none was written.
  std::string Convert(Converter converter, std::string_view input, std::string_view inExt,
                      std::string_view outExt) {
    inPath = dir / ("in." + std::string(inExt));
    outPath = dir / ("out." + std::string(outExt));
    WriteFile(inPath, input);
    std::filesystem::remove(outPath);
    ConversionContext context = Context();
    converter(context, settings, inPath, outPath);
    return std::filesystem::exists(outPath) ? ReadFile(outPath) : std::string();
  }

  TempDir dir;
  ConversionSettings settings;
  TSMPfile smp;
  RecordingLog log;
  FakeMessageBoxes boxes;
  int ticks = 0;
  std::string inPath;
  std::string outPath;
};

}  // namespace vorsel::test
