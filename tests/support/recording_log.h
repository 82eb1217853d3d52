#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/conversion_context.h"

namespace vorsel::test {

class RecordingLog : public ConversionLog {
 public:
  void Append(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

}  // namespace vorsel::test
