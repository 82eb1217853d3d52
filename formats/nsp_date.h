#pragma once

#include <array>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorsel {

// The date field of an NSP header: exactly 20 single-byte characters.
inline constexpr size_t kNspDateLength = 20;
using tnspdate = std::array<char, kNspDateLength>;

// "mmm dd hh:nn:ss yyyy" in local time, with English month names so that the text keeps its
// 20 bytes whatever the user's locale.
tnspdate NspDateOfTime(std::time_t time);

// The header bytes as the text of the `nspdate` item: the bytes are taken as Latin-1, a zero
// byte ends the text, other control bytes become "?".
std::string NspDateToItem(std::span<const char, kNspDateLength> bytes);

// The item text as header bytes, when it is exactly 20 characters that fit one byte each.
std::optional<tnspdate> NspDateFromItem(std::string_view item);

}  // namespace vorsel
