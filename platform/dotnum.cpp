#include "platform/dotnum.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace vorsel {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "1.5e-07" -> "1.5E-7", "1e+20" -> "1E20".
std::string TidyExponent(std::string_view text) {
  const size_t e = text.find('e');
  if (e == std::string_view::npos) {
    return std::string(text);
  }
  std::string out(text.substr(0, e));
  out += 'E';
  size_t i = e + 1;
  if (i < text.size() && text[i] == '-') {
    out += '-';
    ++i;
  } else if (i < text.size() && text[i] == '+') {
    ++i;
  }
  while (i + 1 < text.size() && text[i] == '0') {
    ++i;
  }
  out.append(text.substr(i));
  return out;
}

}  // namespace

bool IsDecimalNumber(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    ++i;
  }
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    ++i;
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) {
    return false;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      ++i;
    }
    size_t exponentDigits = 0;
    while (i < s.size() && IsDigit(s[i])) {
      ++i;
      ++exponentDigits;
    }
    if (exponentDigits == 0) {
      return false;
    }
  }
  return i == s.size();
}

std::string FloatToStrDot(double x) {
  if (!std::isfinite(x)) {
    return {};
  }
  if (x == 0.0) {
    return "0";
  }
  std::array<char, 64> buffer{};
  // to_chars never looks at the locale, so the separator is always ".".
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                    std::chars_format::general, 15);
  if (result.ec != std::errc{}) {
    return {};
  }
  return TidyExponent(std::string_view(buffer.data(), result.ptr - buffer.data()));
}

double StrToFloatDot(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && IsBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && IsBlank(s.back())) {
    s.remove_suffix(1);
  }
  if (s.empty()) {
    if (text.empty()) {
      throw EConvertError("Cannot convert empty string to number");
    }
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  if (!IsDecimalNumber(s)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  std::string_view digits = s;
  if (digits.front() == '+') {
    digits.remove_prefix(1);
  }
  double value = 0.0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec != std::errc{} || !std::isfinite(value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

std::optional<int32_t> DecimalInt32(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') {
      return std::nullopt;
    }
  }
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace vorsel
