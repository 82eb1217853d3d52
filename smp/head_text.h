#pragma once

// The text rules of SMP head items and the head bytes on disk, free of any file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsel {

// Values are read back as at most this many characters.
inline constexpr size_t kItemValueReadLength = 255;

// The text before the first "=" (the whole line when there is none).
std::string_view ItemName(std::string_view line);
// The text after the first "=", whole (empty when there is none).
std::string_view ItemValue(std::string_view line);
// The first 255 characters of a value, never splitting a character.
std::string ReadableValue(std::string_view value);
// Letters lower-cased, ASCII and Latin-1 alike; the one case-blind comparison of item names.
std::string LowerName(std::string_view name);
// LowerName(name) == lowered, without building the lower-cased text.
bool NameMatchesLowered(std::string_view name, std::string_view lowered);
// True when nothing is left after removing leading and trailing blanks and control characters.
bool IsBlankText(std::string_view text);

// An optionally signed decimal integer that fits 32 bits, blanks around it allowed.
std::optional<int32_t> ReadDecimalInteger(std::string_view text);
// A real written "0.######": at most six decimals, trailing zeros and point dropped.
std::string FormatRateText(double value);
// The real rounded to `digits` significant digits (one when fewer than two are asked for).
double RoundToSignificantDigits(double value, int digits);

// A unit stored inside an item is code page 850 text standing as if it were 8-bit program text;
// these two carry such bytes through the UTF-8 item list unchanged (each byte one character).
std::string BytesAsCharacters(std::string_view bytes);
std::string CharactersAsBytes(std::string_view text);

struct thead_build {
  int32_t lastIndex;  // index of the final 0x1A byte
  bool complete;      // every line found room
};

// Writes item lines, the separator line, comment lines (each converted to code page 850 and
// ended by CR LF) and the terminator 0x00 0x04 0x1A into a zeroed buffer. Lines that do not
// fit are left out from the first one that does not fit, so the buffer always holds a
// terminated head.
thead_build BuildHeadBytes(const std::vector<std::string>& items,
                           const std::vector<std::string>& comment, std::span<uint8_t> buffer);

// The non-empty lines of a head buffer, converted from code page 850, up to the first 0x00 or
// 0x1A byte.
std::vector<std::string> HeadBufferLines(std::span<const uint8_t> buffer);

}  // namespace vorsel
