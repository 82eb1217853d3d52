#include "platform/cp1252.h"

#include <array>

#include "platform/charset.h"

namespace vorsel {

namespace {

// Bytes 0x80 to 0x9F; undefined bytes map to the C1 control of the same number.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    return static_cast<char>(c);
  }
  for (size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) {
      return static_cast<char>(0x80 + i);
    }
  }
  return std::nullopt;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t start = pos;
    if (DecodeUtf8(bytes, pos) == 0xFFFD && bytes.substr(start, 3) != "\xEF\xBF\xBD") {
      return false;
    }
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (const char ch : cp1252) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? char32_t{kHigh[b - 0x80]} : char32_t{b});
  }
  return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(utf8, pos);
    if (c == 0xFFFD && utf8.substr(start, 3) != "\xEF\xBF\xBD") {
      return std::nullopt;
    }
    const auto byte = ByteOf(c);
    if (!byte) {
      return std::nullopt;
    }
    out += *byte;
  }
  return out;
}

}  // namespace vorsel
