#include "formats/txt_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/dotnum.h"

namespace vorsel {

namespace {

constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Out of range means overflow when the number's decimal magnitude is positive, underflow when
// it is negative: digits before the point plus the exponent, leading zeros not counted.
bool IsUnderflow(std::string_view s) {
  size_t i = (s.front() == '+' || s.front() == '-') ? 1 : 0;
  long long magnitude = 0;
  bool seenNonZero = false;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    seenNonZero = seenNonZero || s[i] != '0';
    if (seenNonZero) {
      ++magnitude;
    }
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) {
      if (seenNonZero) {
        continue;
      }
      if (s[i] != '0') {
        seenNonZero = true;
      } else {
        --magnitude;
      }
    }
  }
  if (i < s.size()) {
    ++i;  // the exponent mark
    const bool negativeExponent = s[i] == '-';
    if (s[i] == '+' || s[i] == '-') {
      ++i;
    }
    long long exponent = 0;
    for (; i < s.size(); ++i) {
      // Beyond any double either way; stop before the count itself overflows.
      if (exponent < 1'000'000'000) {
        exponent = exponent * 10 + (s[i] - '0');
      }
    }
    magnitude += negativeExponent ? -exponent : exponent;
  }
  return magnitude < 0;
}

}  // namespace

std::optional<double> ParseTextNumber(std::string_view token) {
  if (!IsDecimalNumber(token)) {
    return std::nullopt;
  }
  std::string_view digits = token;
  if (digits.front() == '+') {
    digits.remove_prefix(1);
  }
  double value = 0.0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range && IsUnderflow(token)) {
    return token.front() == '-' ? -0.0 : 0.0;
  }
  if (result.ec != std::errc{} || result.ptr != digits.data() + digits.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace vorsel
