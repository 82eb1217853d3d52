#pragma once

// Every file under a folder with its size, modification time and contents, to tell what a
// run of the program created, changed or deleted.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vorsel::test {

struct FileState {
  uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  std::string contents;

  friend bool operator==(const FileState&, const FileState&) = default;
};

// Keyed by the path relative to the folder; folders themselves are left out.
using FolderSnapshot = std::map<std::string, FileState>;

FolderSnapshot SnapshotOf(const std::filesystem::path& folder);

// One line per difference: "new <path>", "changed <path>", "deleted <path>".
std::vector<std::string> Differences(const FolderSnapshot& before, const FolderSnapshot& after);

}  // namespace vorsel::test
