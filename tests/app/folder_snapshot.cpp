#include "tests/app/folder_snapshot.h"

#include "tests/support/temp_dir.h"

namespace vorsel::test {

namespace fs = std::filesystem;

FolderSnapshot SnapshotOf(const fs::path& folder) {
  FolderSnapshot snapshot;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) {
      if (!entry.is_directory()) {
        snapshot[fs::relative(entry.path(), folder).string()] = {};  // sockets, links
      }
      continue;
    }
    FileState state;
    state.size = entry.file_size();
    state.modified = entry.last_write_time();
    state.contents = ReadFile(entry.path().string());
    snapshot[fs::relative(entry.path(), folder).string()] = std::move(state);
  }
  return snapshot;
}

std::vector<std::string> Differences(const FolderSnapshot& before, const FolderSnapshot& after) {
  std::vector<std::string> lines;
  for (const auto& [path, state] : after) {
    const auto old = before.find(path);
    if (old == before.end()) {
      lines.push_back("new " + path);
    } else if (!(old->second == state)) {
      lines.push_back("changed " + path);
    }
  }
  for (const auto& [path, state] : before) {
    if (!after.contains(path)) {
      lines.push_back("deleted " + path);
    }
  }
  return lines;
}

}  // namespace vorsel::test
