#pragma once

// One conversion as the batch runs it, with a log and message boxes that only count, for the
// fuzz targets.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/conversion_settings.h"
#include "frontend/targets.h"
#include "smp/sSMP.h"

namespace vorsel::fuzz {

class CountingLog : public ConversionLog {
 public:
  void Append(std::string_view) override { ++lines; }
  int64_t lines = 0;
};

// Answers No to questions and OK otherwise, as the command-line tool does without --yes.
class CountingBoxes : public MessageBoxes {
 public:
  int ShowMessageBox(std::string_view, std::string_view, unsigned flags) override {
    ++shown;
    return (flags & kMessageBoxButtonMask) == mbYesNo ? idNo : idOk;
  }
  int64_t shown = 0;
};

struct Conversion {
  ConversionSettings settings;
  TSMPfile smp;
  CountingLog log;
  CountingBoxes boxes;
  int64_t ticks = 0;

  ConversionContext Context() {
    return ConversionContext{smp, log, boxes, [this] { ++ticks; }};
  }
};

// Runs one converter. Malformed content must never raise: only operating-system errors end a
// batch, and a fuzz run provokes none, so any exception is a finding.
void RunConverter(Converter convert, std::string_view name, Conversion& conversion,
                  const std::string& inputPath, const std::string& outputPath);

// The samples of an SMP file in whole scans, read through a component of their own; aborts
// when the file cannot be opened.
std::vector<int16_t> SamplesOf(const std::string& smpPath);

// Aborts when the SMP file written by an import is larger than its input can explain: a head
// of at most 32768 bytes and `bytesPerInputByte` for every input byte (16 by default: 8-bit
// codings double the bytes, and a channel chunk of an eight-channel NSP file spreads over
// eight slots).
void ExpectBoundedOutput(const std::string& inputPath, const std::string& outputPath,
                         int64_t bytesPerInputByte);

}  // namespace vorsel::fuzz
