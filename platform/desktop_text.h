#pragma once

#include <string>
#include <string_view>

namespace vorsel {

// The Exec value of a desktop entry that starts `programFile` with one file: the program,
// quoted and escaped as desktop entries ask where needed, then " %f".
std::string DesktopExecValue(std::string_view programFile);

// The program an Exec value starts (its first argument, unquoted and unescaped); empty when
// the value is malformed.
std::string DesktopExecProgram(std::string_view execValue);

// `mimeapps` with `mimeType` mapped to `desktopId` in its [Default Applications] group: an
// existing line for the type is replaced, otherwise a line is added to the group (and the
// group to the end); every other line stays as it was.
std::string WithDefaultApplication(std::string_view mimeapps, std::string_view mimeType,
                                   std::string_view desktopId);

// The text with the characters that XML gives a meaning escaped.
std::string XmlEscaped(std::string_view text);

}  // namespace vorsel
