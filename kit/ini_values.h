#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kit/tfont.h"

namespace vorsel {

// Decimal text with an optional sign and leading blanks; with `hexAfter0x`, a text that begins
// "0x" or "0X" and is longer than two characters is hexadecimal (up to eight digits, read as
// the 32-bit pattern). Nothing for any other text or a number outside 32 bits.
std::optional<int32_t> IntegerFromText(std::string_view text, bool hexAfter0x);

// A font as the settings classes store it: seven values under the key name with a suffix.
inline constexpr std::string_view kFontName = "Name";
inline constexpr std::string_view kFontSize = "Size";
inline constexpr std::string_view kFontColor = "Color";
inline constexpr std::string_view kFontBold = "Bold";
inline constexpr std::string_view kFontItalics = "Italics";
inline constexpr std::string_view kFontUnderline = "Underline";
inline constexpr std::string_view kFontStrikeout = "Strikeout";

template <typename Store>
void WriteFontTo(Store& store, const std::string& section, const std::string& key,
                 const TFont& font) {
  store.WriteString(section, key + std::string(kFontName), font.Name);
  store.WriteInteger(section, key + std::string(kFontSize), font.Size);
  store.WriteInteger(section, key + std::string(kFontColor), font.Color);
  store.WriteBool(section, key + std::string(kFontBold), font.Bold);
  store.WriteBool(section, key + std::string(kFontItalics), font.Italic);
  store.WriteBool(section, key + std::string(kFontUnderline), font.Underline);
  store.WriteBool(section, key + std::string(kFontStrikeout), font.StrikeOut);
}

// At most the 255 characters a font name may have.
std::string FontNameCut(std::string_view name);

template <typename Store>
void ReadFontName(Store& store, const std::string& section, const std::string& key, TFont& font) {
  const std::string name = FontNameCut(store.ReadString(section, key + std::string(kFontName), ""));
  if (!name.empty()) {
    font.Name = name;
  }
  const int32_t size = store.ReadInteger(section, key + std::string(kFontSize), 0);
  if (size != 0) {
    font.Size = size;
  }
}

template <typename Store>
void ReadFontStyles(Store& store, const std::string& section, const std::string& key, TFont& font) {
  font.Bold = store.ReadBool(section, key + std::string(kFontBold), false);
  font.Italic = store.ReadBool(section, key + std::string(kFontItalics), false);
  font.Underline = store.ReadBool(section, key + std::string(kFontUnderline), false);
  font.StrikeOut = store.ReadBool(section, key + std::string(kFontStrikeout), false);
}

// Fills the font from a store in the order the settings classes read it: name (kept when
// empty), size (kept when 0), the four styles, then the colour (black when missing).
template <typename Store>
TFont& ReadFontFrom(Store& store, const std::string& section, const std::string& key, TFont& font) {
  ReadFontName(store, section, key, font);
  ReadFontStyles(store, section, key, font);
  font.Color = store.ReadInteger(section, key + std::string(kFontColor), 0);
  return font;
}

}  // namespace vorsel
