#pragma once

#include <string>
#include <string_view>

namespace vorsel {

// Creates a new, empty, uniquely named file in the temporary folder ($TMPDIR, else /tmp) whose
// name begins with `prefix`, and returns its path; empty when none could be created.
std::string CreateUniqueTempFile(std::string_view prefix);

// "~" and the first two characters of the running program's file name: the prefix of the
// program's working copies.
std::string ProgramTempPrefix();

}  // namespace vorsel
