#include <locale.h>
#include <time.h>

#include <array>

#include "platform/datetime.h"

namespace vorsel {

namespace {

// The locale named by the environment, falling back to "C" when it is not installed.
class UserTimeLocale {
 public:
  UserTimeLocale() {
    locale_ = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (locale_ == static_cast<locale_t>(0)) {
      locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
  }
  ~UserTimeLocale() {
    if (locale_ != static_cast<locale_t>(0)) {
      freelocale(locale_);
    }
  }
  UserTimeLocale(const UserTimeLocale&) = delete;
  UserTimeLocale& operator=(const UserTimeLocale&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

}  // namespace

namespace {

std::string LocalText(std::time_t when, const char* format) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) {
    return {};
  }
  const UserTimeLocale userLocale;
  std::array<char, 128> buffer{};
  size_t length = 0;
  if (userLocale.get() != static_cast<locale_t>(0)) {
    length = strftime_l(buffer.data(), buffer.size(), format, &local, userLocale.get());
  } else {
    length = strftime(buffer.data(), buffer.size(), format, &local);
  }
  return std::string(buffer.data(), length);
}

}  // namespace

std::string DefaultDateTimeText(std::time_t when) {
  return LocalText(when, "%x %X");
}

std::string DefaultDateText(std::time_t when) {
  return LocalText(when, "%x");
}

}  // namespace vorsel
