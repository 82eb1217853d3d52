#pragma once

#include <ctime>
#include <string>

namespace vorsel {

// The user's default date-and-time text: short date, a space, long time, in the formats of the
// user's locale (LC_TIME of the environment, whatever the program's own locale is).
std::string DefaultDateTimeText(std::time_t when);

// The user's short date alone.
std::string DefaultDateText(std::time_t when);

}  // namespace vorsel
