#pragma once

// The label file beside an SMP file: a text file of CR LF lines, the SMP file's name first,
// then one label per line in code page 850.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorsel {

// Label files are small texts; a larger file is only read up to this size.
inline constexpr int64_t kMaxLabelFileBytes = int64_t{16} << 20;

// The lines after the first, converted from code page 850; nothing when the file cannot be
// read. Only regular files are read, and at most kMaxLabelFileBytes of them, so a name such as
// a pipe, a device or a huge file can neither stall nor flood the reader. A read that fails
// part way keeps the lines before it.
std::vector<std::string> ReadLabelFile(const std::string& path);

// For a label file named by a head that came from a foreign file (`namingFile`): the name taken
// against that file's folder, and why it may not be read (empty when it may). It may only be a
// regular file of at most kMaxLabelFileBytes in one of `folders` (links followed).
struct ForeignLabelFile {
  std::string path;
  std::string problem;
};
ForeignLabelFile CheckForeignLabelFile(const std::string& name, const std::string& namingFile,
                                       const std::vector<std::string>& folders);

// Writes the file anew: `smpFilename` as it stands, then each label converted to code page
// 850, every line ended by CR LF. True when every byte was written.
bool WriteLabelFile(const std::string& path, const std::string& smpFilename,
                    const std::vector<std::string>& labels);

}  // namespace vorsel
