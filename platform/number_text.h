#pragma once

#include <cstdint>
#include <string>

namespace vorsel {

// Separators of numbers shown to people; files and settings always use "." instead.
struct NumberFormat {
  std::string decimalSeparator = ".";
  std::string thousandSeparator = ",";
};

// The separators of the user's locale (LC_NUMERIC of the environment, whatever locale the
// program itself runs in). A locale without a thousands separator, such as "C", keeps ",".
NumberFormat UserNumberFormat();

// "#,##0": digits grouped in threes, as file sizes are shown (2,000,044).
std::string FormatGrouped(int64_t value, const NumberFormat& format);

// "0.000": three decimals, no grouping, as durations are shown (11.338).
std::string FormatThreeDecimals(double value, const NumberFormat& format);

// The shortest general text of at most 15 significant digits (5512.5, 16000, 1E20).
std::string FormatGeneral(double value, const NumberFormat& format);

}  // namespace vorsel
