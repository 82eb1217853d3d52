#pragma once

#include <string>
#include <string_view>

namespace vorsel {

// Store and profile names compare without regard to letter case, as on the desktop the suite
// came from. Folds ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters; every other
// character, and every malformed byte, stays as it is.
std::string FoldCase(std::string_view utf8);

bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace vorsel
