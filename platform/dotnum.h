#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorsel {

// Raised when a text is not a number; the message is shown to the user as it stands.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Numbers in files and settings always use "." whatever the user's locale.
// General text of at most 15 significant digits; "" for NaN and infinities.
std::string FloatToStrDot(double x);

// Sign, digits with at most one ".", at least one digit, then an optional exponent with
// digits: the one grammar of decimal numbers in files and settings.
bool IsDecimalNumber(std::string_view s);

// Throws EConvertError with the texts users see in settings and head errors.
double StrToFloatDot(std::string_view text);

// A whole decimal 32-bit integer: an optional "+" or "-" (not both), digits and nothing else.
// Nothing for any other text and for values beyond the 32-bit range.
std::optional<int32_t> DecimalInt32(std::string_view text);

}  // namespace vorsel
