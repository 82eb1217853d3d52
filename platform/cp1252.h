#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorsel {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 text, as settings files written on Windows hold it, to UTF-8. The five bytes
// the code page leaves undefined become the control characters of the same number, so that
// the text converts back unchanged.
std::string Cp1252ToUtf8(std::string_view cp1252);

// UTF-8 to Windows-1252; nothing when a character has no byte in that code page.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

}  // namespace vorsel
