#pragma once

// The label file beside an SMP file: a text file of CR LF lines, the SMP file's name first,
// then one label per line in code page 850.

#include <optional>
#include <string>
#include <vector>

namespace vorsel {

// The lines after the first, converted from code page 850; nothing when the file cannot be
// read. Only regular files of less than 2 GiB are read, so a name such as a pipe or a device
// can neither stall nor flood the reader. A read that fails part way keeps the lines before it.
std::vector<std::string> ReadLabelFile(const std::string& path);

// Writes the file anew: `smpFilename` as it stands, then each label converted to code page
// 850, every line ended by CR LF. True when every byte was written.
bool WriteLabelFile(const std::string& path, const std::string& smpFilename,
                    const std::vector<std::string>& labels);

}  // namespace vorsel
