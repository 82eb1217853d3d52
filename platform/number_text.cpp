#include "platform/number_text.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "platform/dotnum.h"

namespace vorsel {

namespace {

// The numeric part of the locale named by the environment; "C" when it is not installed.
class UserNumericLocale {
 public:
  UserNumericLocale() {
    locale_ = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale_ == static_cast<locale_t>(0)) {
      locale_ = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    }
  }
  ~UserNumericLocale() {
    if (locale_ != static_cast<locale_t>(0)) {
      freelocale(locale_);
    }
  }
  UserNumericLocale(const UserNumericLocale&) = delete;
  UserNumericLocale& operator=(const UserNumericLocale&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

std::string ReplaceDecimalPoint(std::string text, const NumberFormat& format) {
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    text.replace(point, 1, format.decimalSeparator);
  }
  return text;
}

}  // namespace

NumberFormat UserNumberFormat() {
  NumberFormat format;
  const UserNumericLocale locale;
  if (locale.get() == static_cast<locale_t>(0)) {
    return format;
  }
  const char* decimal = nl_langinfo_l(RADIXCHAR, locale.get());
  const char* thousands = nl_langinfo_l(THOUSEP, locale.get());
  if (decimal != nullptr && *decimal != '\0') {
    format.decimalSeparator = decimal;
  }
  if (thousands != nullptr && *thousands != '\0') {
    format.thousandSeparator = thousands;
  }
  return format;
}

std::string FormatGrouped(int64_t value, const NumberFormat& format) {
  const bool negative = value < 0;
  // Magnitude in unsigned arithmetic, so that the smallest int64 has one too.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude > 0);
  std::string out = negative ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) {
      out += format.thousandSeparator;
    }
    out += digits[i];
  }
  return out;
}

std::string FormatThreeDecimals(double value, const NumberFormat& format) {
  if (!std::isfinite(value)) {
    return {};
  }
  // The number as people read it, 15 significant digits, then rounded half away from zero at
  // the third decimal: 0.0625 shows as 0.063, not as the binary tie's even neighbour.
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), std::fabs(value),
                                    std::chars_format::scientific, 14);
  if (result.ec != std::errc{}) {
    return {};
  }
  std::string digits{text[0]};
  digits.append(text.data() + 2, text.data() + 16);
  const int exponent = std::stoi(std::string(text.data() + 17, result.ptr));
  // Digits with the decimal point after `point` of them; enough zeros on either side.
  int point = exponent + 1;
  if (point < 1) {
    digits.insert(0, static_cast<size_t>(1 - point), '0');
    point = 1;
  }
  if (digits.size() < static_cast<size_t>(point) + 4) {
    digits.resize(static_cast<size_t>(point) + 4, '0');
  }
  const bool roundUp = digits[static_cast<size_t>(point) + 3] >= '5';
  digits.resize(static_cast<size_t>(point) + 3);
  for (size_t i = digits.size(); roundUp && i-- > 0;) {
    if (digits[i] == '9') {
      digits[i] = '0';
      continue;
    }
    ++digits[i];
    break;
  }
  if (roundUp && std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; })) {
    digits.insert(digits.begin(), '1');
    ++point;
  }
  const bool negative =
      value < 0 && std::any_of(digits.begin(), digits.end(), [](char c) { return c != '0'; });
  std::string out = negative ? "-" : "";
  out.append(digits, 0, static_cast<size_t>(point));
  out += format.decimalSeparator;
  out.append(digits, static_cast<size_t>(point));
  return out;
}

std::string FormatGeneral(double value, const NumberFormat& format) {
  return ReplaceDecimalPoint(FloatToStrDot(value), format);
}

}  // namespace vorsel
