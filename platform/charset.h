#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorsel {

// Text in memory is UTF-8; head items and label files are stored in code page 850.
// Characters the code page lacks, and malformed UTF-8, become "?".
std::string CharToOemA(std::string_view utf8);
std::string OemToCharA(std::string_view oem);

// Number of characters (code points) in a UTF-8 text; a malformed byte counts as one.
size_t Utf8Length(std::string_view utf8);

// The first `count` characters of a UTF-8 text, never splitting a character.
std::string_view Utf8Prefix(std::string_view utf8, size_t count);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes one code point at `pos` and advances it; returns U+FFFD for a malformed sequence
// (advancing one byte).
char32_t DecodeUtf8(std::string_view utf8, size_t& pos);

}  // namespace vorsel
