#pragma once

#include <cstdint>
#include <string>

namespace vorsel {

// The font values the settings classes store: name, size in points, the platform's colour
// value and the four styles.
struct TFont {
  std::string Name;
  int32_t Size = 0;
  int32_t Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  bool operator==(const TFont&) const = default;
};

}  // namespace vorsel
