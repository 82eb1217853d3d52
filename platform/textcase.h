#pragma once

#include <string>
#include <string_view>

namespace vorsel {

// Store and profile names compare without regard to letter case, as on the desktop the suite
// came from. Folds ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters; every other
// character, and every malformed byte, stays as it is.
std::string FoldCase(std::string_view utf8);

bool EqualNoCase(std::string_view a, std::string_view b);

// The lower-case letter of an ASCII or Latin-1 capital; every other character stays.
char32_t LowerLatin1(char32_t c);

}  // namespace vorsel
