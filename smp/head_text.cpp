#include "smp/head_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/charset.h"
#include "platform/dotnum.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

void AppendLine(std::string_view oemLine, std::span<uint8_t> buffer, size_t& next, bool& room) {
  constexpr size_t kTerminatorBytes = 3;
  if (!room || next + oemLine.size() + 2 + kTerminatorBytes > buffer.size()) {
    room = false;
    return;
  }
  std::copy(oemLine.begin(), oemLine.end(), buffer.begin() + static_cast<ptrdiff_t>(next));
  next += oemLine.size();
  buffer[next++] = 0x0D;
  buffer[next++] = 0x0A;
}

}  // namespace

std::string_view ItemName(std::string_view line) {
  return line.substr(0, line.find('='));
}

std::string_view ItemValue(std::string_view line) {
  const size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view{} : line.substr(equals + 1);
}

std::string ReadableValue(std::string_view value) {
  return std::string(Utf8Prefix(value, kItemValueReadLength));
}

std::string LowerName(std::string_view name) {
  std::string lower;
  lower.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(name, pos);
    if (c == 0xFFFD) {
      lower.append(name.substr(start, pos - start));
      continue;
    }
    AppendUtf8(lower, LowerLatin1(c));
  }
  return lower;
}

bool NameMatchesLowered(std::string_view name, std::string_view lowered) {
  size_t a = 0;
  size_t b = 0;
  while (a < name.size() && b < lowered.size()) {
    const size_t startA = a;
    const size_t startB = b;
    const char32_t ca = DecodeUtf8(name, a);
    const char32_t cb = DecodeUtf8(lowered, b);
    if (ca == 0xFFFD || cb == 0xFFFD) {
      // Bytes that are no character stand as they are, as LowerName keeps them.
      if (name.substr(startA, a - startA) != lowered.substr(startB, b - startB)) {
        return false;
      }
    } else if (LowerLatin1(ca) != cb) {
      return false;
    }
  }
  return a == name.size() && b == lowered.size();
}

bool IsBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsBlankOrControl);
}

std::optional<int32_t> ReadDecimalInteger(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlankOrControl(text.back())) {
    text.remove_suffix(1);
  }
  return DecimalInt32(text);
}

std::string FormatRateText(double value) {
  if (!std::isfinite(value)) {
    return {};
  }
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 6);
  if (result.ec != std::errc{}) {
    return {};
  }
  std::string text(buffer.data(), result.ptr);
  while (text.back() == '0') {
    text.pop_back();
  }
  if (text.back() == '.') {
    text.pop_back();
  }
  if (text == "-0") {
    text = "0";
  }
  return text;
}

double RoundToSignificantDigits(double value, int digits) {
  if (!std::isfinite(value)) {
    return value;
  }
  const int decimals = std::clamp(digits, 1, 40) - 1;
  std::array<char, 64> buffer{};
  const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                     std::chars_format::scientific, decimals);
  if (written.ec != std::errc{}) {
    return value;
  }
  double rounded = value;
  std::from_chars(buffer.data(), written.ptr, rounded);
  return rounded;
}

std::string BytesAsCharacters(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char b : bytes) {
    AppendUtf8(text, static_cast<unsigned char>(b));
  }
  return text;
}

std::string CharactersAsBytes(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t c = DecodeUtf8(text, pos);
    bytes += c < 0x100 ? static_cast<char>(c) : '?';
  }
  return bytes;
}

thead_build BuildHeadBytes(const std::vector<std::string>& items,
                           const std::vector<std::string>& comment, std::span<uint8_t> buffer) {
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  size_t next = 0;
  bool room = true;
  for (const std::string& line : items) {
    AppendLine(CharToOemA(line), buffer, next, room);
  }
  AppendLine("=", buffer, next, room);
  for (const std::string& line : comment) {
    AppendLine(CharToOemA(line), buffer, next, room);
  }
  buffer[next++] = 0x00;
  buffer[next++] = 0x04;
  buffer[next] = 0x1A;
  return {static_cast<int32_t>(next), room};
}

std::vector<std::string> HeadBufferLines(std::span<const uint8_t> buffer) {
  std::vector<std::string> lines;
  std::string line;
  const auto endLine = [&] {
    if (!line.empty()) {
      lines.push_back(OemToCharA(line));
      line.clear();
    }
  };
  for (const uint8_t b : buffer) {
    if (b == 0x0D || b == 0x04) {
      continue;
    }
    if (b == 0x0A) {
      endLine();
    } else if (b == 0x00 || b == 0x1A) {
      endLine();
      break;
    } else {
      line += static_cast<char>(b);
    }
  }
  return lines;
}

}  // namespace vorsel
