#pragma once

#include <optional>
#include <string_view>

namespace vorsel {

// The characters that make up numbers in a text column; every other byte separates numbers.
constexpr bool IsTextNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}

// A token of number characters read with "." as decimal separator: an optional sign, digits
// with an optional fraction, an optional exponent with digits. Nothing when the token is not
// such a number or its value lies beyond the range of a double (1e999); values too small for
// a double become 0.
std::optional<double> ParseTextNumber(std::string_view token);

}  // namespace vorsel
