#include "frontend/file_browser.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/textcase.h"

namespace vorsel {

namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) {
      return parts;
    }
    start = end + 1;
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

// Characters, not bytes, so that "?" takes one letter of a UTF-8 name.
std::vector<std::string_view> Characters(std::string_view utf8) {
  std::vector<std::string_view> characters;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t length = 1;
    while (i + length < utf8.size() &&
           (static_cast<unsigned char>(utf8[i + length]) & 0xC0) == 0x80) {
      ++length;
    }
    characters.push_back(utf8.substr(i, length));
    i += length;
  }
  return characters;
}

bool MatchesPattern(const std::vector<std::string_view>& name,
                    const std::vector<std::string_view>& pattern) {
  // Iterative wildcard match: on a mismatch, the last "*" takes one more character.
  size_t n = 0;
  size_t p = 0;
  std::optional<size_t> star;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == "*") {
      star = p++;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == "?" || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star) {
      p = *star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == "*") {
    ++p;
  }
  return p == pattern.size();
}

bool LessNoCase(const std::string& a, const std::string& b) {
  const std::string fa = FoldCase(a);
  const std::string fb = FoldCase(b);
  return fa != fb ? fa < fb : a < b;
}

bool IsUnder(std::string_view path, std::string_view folder) {
  if (folder == "/") {
    return !path.empty() && path.front() == '/';
  }
  return path.substr(0, folder.size()) == folder &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

bool IsNetworkFileSystem(std::string_view type) {
  return type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
         type.starts_with("fuse.sshfs");
}

// Mount points that belong to the system, not to the user's files.
bool IsSystemFolder(std::string_view mountPoint) {
  for (const std::string_view system :
       {"/proc", "/sys", "/dev", "/run", "/boot", "/etc", "/snap", "/var", "/usr", "/tmp"}) {
    if (IsUnder(mountPoint, system) && !IsUnder(mountPoint, "/run/media")) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<FilterItem> ParseFilter(std::string_view filter) {
  const std::vector<std::string_view> parts = Split(filter, '|');
  std::vector<FilterItem> items;
  for (size_t i = 0; i < parts.size(); i += 2) {
    items.push_back({std::string(parts[i]), i + 1 < parts.size() ? std::string(parts[i + 1]) : ""});
  }
  return items;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  const std::string foldedName = FoldCase(name);
  const std::vector<std::string_view> nameCharacters = Characters(foldedName);
  for (const std::string_view part : Split(mask, ';')) {
    const std::string_view trimmed = Trim(part);
    if (trimmed.empty()) {
      continue;
    }
    const std::string foldedPattern = FoldCase(trimmed);
    if (trimmed == "*.*" || MatchesPattern(nameCharacters, Characters(foldedPattern))) {
      return true;
    }
  }
  return false;
}

FolderListing ListFolder(const std::string& folder) {
  FolderListing listing;
  std::error_code error;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  if (error) {
    return listing;
  }
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) {
      return FolderListing{};
    }
    const std::string name = it->path().filename().string();
    if (name.starts_with(".")) {
      continue;
    }
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      listing.folders.push_back(name);
    } else if (it->is_regular_file(typeError)) {
      listing.files.push_back(name);
    }
  }
  std::sort(listing.files.begin(), listing.files.end(), LessNoCase);
  std::sort(listing.folders.begin(), listing.folders.end(), LessNoCase);
  listing.readable = true;
  return listing;
}

std::vector<FolderRow> FolderRows(const std::string& folder,
                                  const std::vector<std::string>& subfolders) {
  std::vector<FolderRow> rows;
  fs::path path;
  int depth = 0;
  for (const fs::path& part : fs::path(folder).lexically_normal()) {
    if (part.empty()) {
      continue;  // the empty last part of a path that ends with "/"
    }
    path /= part;
    rows.push_back({path.string(), part.string(), depth++, false});
  }
  if (!rows.empty()) {
    rows.back().current = true;
  }
  for (const std::string& name : subfolders) {
    rows.push_back({(path / name).string(), name, depth, false});
  }
  return rows;
}

std::vector<DriveEntry> DriveList(const std::vector<MountEntry>& mounts, const std::string& home,
                                  const std::function<bool(const std::string&)>& isFolder) {
  std::vector<DriveEntry> drives{{"/", "/"}};
  const auto add = [&drives](const std::string& path, const std::string& caption) {
    for (const DriveEntry& drive : drives) {
      if (drive.path == path) {
        return;
      }
    }
    drives.push_back({path, caption});
  };
  if (!home.empty() && home != "/" && isFolder(home)) {
    add(home, home + " (home)");
  }
  for (const MountEntry& mount : mounts) {
    const bool userDevice =
        mount.source.starts_with("/dev/") || IsNetworkFileSystem(mount.fileSystem);
    if (userDevice && !IsSystemFolder(mount.mountPoint) && isFolder(mount.mountPoint)) {
      add(mount.mountPoint, mount.mountPoint);
    }
  }
  return drives;
}

std::optional<size_t> DriveIndexFor(const std::vector<DriveEntry>& drives,
                                    const std::string& folder) {
  std::optional<size_t> best;
  for (size_t i = 0; i < drives.size(); ++i) {
    if (IsUnder(folder, drives[i].path) &&
        (!best || drives[i].path.size() > drives[*best].path.size())) {
      best = i;
    }
  }
  return best;
}

}  // namespace vorsel
