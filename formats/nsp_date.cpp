#include "formats/nsp_date.h"

#include <algorithm>
#include <cstdio>

#include "platform/charset.h"

namespace vorsel {

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsControl(unsigned char byte) {
  return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

}  // namespace

tnspdate NspDateOfTime(std::time_t time) {
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) {
    local = std::tm{};
    local.tm_mday = 1;
    local.tm_year = 70;
  }
  // The field has room for four year digits only.
  const int year = std::clamp(local.tm_year + 1900, 0, 9999);
  char text[kNspDateLength + 1];
  std::snprintf(text, sizeof text, "%s %02d %02d:%02d:%02d %04d",
                kMonthNames[static_cast<size_t>(std::clamp(local.tm_mon, 0, 11))], local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec, year);
  tnspdate date;
  std::copy_n(text, kNspDateLength, date.begin());
  return date;
}

std::string NspDateToItem(std::span<const char, kNspDateLength> bytes) {
  std::string item;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) {
      break;
    }
    AppendUtf8(item, IsControl(byte) ? U'?' : static_cast<char32_t>(byte));
  }
  return item;
}

std::optional<tnspdate> NspDateFromItem(std::string_view item) {
  tnspdate date;
  size_t count = 0;
  for (size_t pos = 0; pos < item.size();) {
    const char32_t codePoint = DecodeUtf8(item, pos);
    if (codePoint > 0xFF || count == kNspDateLength) {
      return std::nullopt;
    }
    date[count++] = static_cast<char>(codePoint);
  }
  if (count != kNspDateLength) {
    return std::nullopt;
  }
  return date;
}

}  // namespace vorsel
