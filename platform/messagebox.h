#pragma once

#include <string_view>

namespace vorsel {

// Buttons and icons of a modal message box, combined into its flags.
enum MessageBoxFlags : unsigned {
  mbOk = 0x00,
  mbYesNo = 0x04,
  mbIconError = 0x10,
  mbIconQuestion = 0x20,
  mbIconExclamation = 0x30,
  mbIconInformation = 0x40,
};

inline constexpr unsigned kMessageBoxButtonMask = 0x0F;
inline constexpr unsigned kMessageBoxIconMask = 0xF0;

// The button the user pressed.
enum MessageBoxResult : int {
  idOk = 1,
  idYes = 6,
  idNo = 7,
};

// A modal message box owned by the application; a "\r" in the text is a line break.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
};

}  // namespace vorsel
