#include "smp/label_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "smp/head_text.h"

namespace vorsel {

namespace {

constexpr size_t kSeparatorCount = 2;

bool IsSeparator(char c) {
  return c == ',' || c == ';';
}

// Nearest integer, halves to the even neighbour, whatever rounding mode the processor is in.
double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double rest = x - below;
  if (rest > 0.5) {
    return below + 1;
  }
  if (rest < 0.5) {
    return below;
  }
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

// A label field never leaves the 32-bit range it is read back in; NaN counts as 0.
int64_t Saturated(double x) {
  if (std::isnan(x)) {
    return 0;
  }
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  return static_cast<int64_t>(std::clamp(x, kLow, kHigh));
}

int64_t Saturated(int64_t x) {
  return std::clamp<int64_t>(x, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
}

}  // namespace

std::string NormaliseLabel(std::string_view label) {
  std::string normal(label);
  size_t replaced = 0;
  for (char& c : normal) {
    if (replaced == kSeparatorCount) {
      break;
    }
    if (IsSeparator(c)) {
      c = ',';
      ++replaced;
    }
  }
  return normal;
}

std::string LabelItemName(int32_t labelno) {
  std::string name(1, 'L');
  name += std::to_string(int64_t{labelno} + 1);
  return name;
}

bool IsLabelItemName(std::string_view name) {
  return name.size() > 1 && (name.front() == 'L' || name.front() == 'l') &&
         ReadDecimalInteger(name.substr(1)).has_value();
}

tlabelfields SplitLabel(std::string_view label) {
  tlabelfields fields;
  const size_t first = label.find(',');
  if (first == std::string_view::npos) {
    fields.text = label;
    return fields;
  }
  fields.startText = label.substr(0, first);
  fields.start = ReadDecimalInteger(fields.startText);
  const std::string_view rest = label.substr(first + 1);
  const size_t second = rest.find(',');
  if (second == std::string_view::npos) {
    fields.text = rest;
    return fields;
  }
  fields.lengthText = rest.substr(0, second);
  fields.length = ReadDecimalInteger(fields.lengthText);
  fields.text = rest.substr(second + 1);
  return fields;
}

std::string ScaledLabel(int32_t start, int32_t length, std::string_view text, double factor,
                        int32_t scanCount) {
  // A file without channels has no scans to keep; its labels scale sample by sample.
  const int64_t s = std::max(scanCount, int32_t{1});
  const int64_t slot = start % s;
  // The whole scans before the start scale; its slot stays. (Scaling the start with its slot
  // would move a label by a scan under a factor of 1.)
  const int64_t scans =
      Saturated(RoundHalfEven(static_cast<double>(start - slot) * factor / static_cast<double>(s)));
  const int64_t newStart = Saturated(s * scans + slot);
  const int64_t newLength =
      Saturated(s * Saturated(RoundHalfEven(length * factor / static_cast<double>(s))));
  std::string label = std::to_string(newStart) + "," + std::to_string(newLength) + ",";
  label.append(text);
  return label;
}

std::string LabelFileNameOf(std::string_view filename) {
  const size_t slash = filename.rfind('/');
  const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = filename.rfind('.');
  // A dot that opens the name (a hidden file's) starts no extension.
  const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
  std::string name(hasExtension ? filename.substr(0, dot) : filename);
  return name + ".csv";
}

}  // namespace vorsel
