#include "platform/textcase.h"

#include "platform/charset.h"

namespace vorsel {

namespace {

char32_t LowerOf(char32_t c) {
  if (c <= 0xFF) {
    return LowerLatin1(c);
  }
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x178) {
      return 0xFF;  // Y with diaeresis pairs with a Latin-1 letter
    }
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) {
      return c;  // dotted/dotless i, kra, n preceded by apostrophe, long s have no simple pair
    }
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool isCapital = oddCapitals ? (c % 2 == 1) : (c % 2 == 0);
    return isCapital ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
    return c + 0x20;  // Greek capitals
  }
  if (c >= 0x410 && c <= 0x42F) {
    return c + 0x20;  // basic Cyrillic capitals
  }
  if (c >= 0x400 && c <= 0x40F) {
    return c + 0x50;  // Cyrillic capitals with marks
  }
  return c;
}

}  // namespace

char32_t LowerLatin1(char32_t c) {
  // Latin-1 capitals follow at 0xC0, except the multiplication sign.
  const bool upper = (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  return upper ? c + 0x20 : c;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(utf8, pos);
    const bool malformed = c == 0xFFFD && utf8.substr(start, 3) != "\xEF\xBF\xBD";
    if (malformed) {
      out += utf8[start];  // keep the byte itself so that different bytes stay different
    } else {
      AppendUtf8(out, LowerOf(c));
    }
  }
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace vorsel
