#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"

namespace vorsel {

// The main window's filter box: pairs of caption and mask separated by "|". Item 10 ("Custom")
// filters by Common.CustomMask instead of the "*.*" written here.
inline constexpr std::string_view kFileTypeFilter =
    "Sample files (*.smp)|*.smp|Wave files (*.wav)|*.wav|Au files (*.au)|*.au|"
    "Audio IFF (*.aif*; .afc)|*.aif*;*.afc|CompSpeechLab files (*.nsp)|*.nsp|"
    "Raw files (*.raw)|*.raw|Text files (*.txt)|*.txt|"
    "All importable files|*.wav;*.au;*.raw;*.txt;*.aif*;*.afc;*.nsp|"
    "All audio files|*.smp;*.wav;*.au;*.raw;*.aif*;*.afc;*.nsp|All files (*.*)|*.*|Custom|*.*";
inline constexpr int32_t kCustomFilter = 10;

struct FilterItem {
  std::string caption;
  std::string mask;
  friend bool operator==(const FilterItem&, const FilterItem&) = default;
};

// The items of a filter text; a caption without a mask gets the empty mask.
std::vector<FilterItem> ParseFilter(std::string_view filter);

// Whether a file name matches a mask such as "*.aif*;*.afc": any of its ";" parts, letters
// compared without regard to case, "*" any run of characters, "?" one character. As on the
// desktop the suite came from, "*.*" also matches a name without a dot.
bool MatchesMask(std::string_view name, std::string_view mask);

// What a folder holds, each list sorted by name without regard to case. Names beginning with
// "." are hidden, as file managers hide them.
struct FolderListing {
  bool readable = false;  // false: the folder could not be read, the lists are empty
  std::vector<std::string> files;
  std::vector<std::string> folders;
};
FolderListing ListFolder(const std::string& folder);

// The folder list of the file browser: the path's ancestors from the root down to the folder
// itself, then its subfolders.
struct FolderRow {
  std::string path;
  std::string caption;  // the last part of the path, "/" for the root
  int depth;            // 0 for the root
  bool current;         // the folder shown
};
std::vector<FolderRow> FolderRows(const std::string& folder,
                                  const std::vector<std::string>& subfolders);

// The drive box: the root first, then the user's home, then other mounted file systems that
// hold user files (block devices and network shares, such as removable media), each once.
// `isFolder` tells which mount points can be entered.
struct DriveEntry {
  std::string path;
  std::string caption;
};
std::vector<DriveEntry> DriveList(const std::vector<MountEntry>& mounts, const std::string& home,
                                  const std::function<bool(const std::string&)>& isFolder);
// The entry that holds the folder (the longest matching path), or nothing.
std::optional<size_t> DriveIndexFor(const std::vector<DriveEntry>& drives,
                                    const std::string& folder);

}  // namespace vorsel
