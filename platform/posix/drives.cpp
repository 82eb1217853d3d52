#include "platform/drives.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vorsel {

namespace {

// "\040" and the like stand for the blank, tab, newline and backslash in mount points.
std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const auto digit = [&](size_t k) { return field[i + k] >= '0' && field[i + k] <= '7'; };
      if (digit(1) && digit(2) && digit(3)) {
        out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                 (field[i + 3] - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start < line.size()) {
    const size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) {
      fields.push_back(line.substr(start, end - start));
    }
    start = end + 1;
  }
  return fields;
}

// Whether `path` is `mountPoint` or lies below it.
bool IsBelow(std::string_view path, std::string_view mountPoint) {
  if (mountPoint == "/") {
    return !path.empty() && path.front() == '/';
  }
  return path.substr(0, mountPoint.size()) == mountPoint &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

bool IsNetworkFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 22> kNetwork = {
      "nfs",
      "nfs4",
      "cifs",
      "smb3",
      "smbfs",
      "ncpfs",
      "afs",
      "9p",
      "ceph",
      "glusterfs",
      "lustre",
      "coda",
      "davfs",
      "fuse.sshfs",
      "fuse.rclone",
      "fuse.s3fs",
      "fuse.davfs2",
      "fuse.glusterfs",
      "fuse.curlftpfs",
      "fuse.gvfsd-fuse",
      "fuse.cephfs",
      "afpfs",
  };
  for (const std::string_view network : kNetwork) {
    if (type == network) {
      return true;
    }
  }
  return false;
}

bool SysfsSaysRemovable(const std::string& majorMinor) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path device = fs::canonical("/sys/dev/block/" + majorMinor, error);
  if (error) {
    return false;
  }
  // A partition carries the flag on its disk, the folder above it.
  for (const fs::path& folder : {device, device.parent_path()}) {
    std::ifstream flag(folder / "removable");
    char value = 0;
    if (flag >> value) {
      return value == '1';
    }
  }
  return false;
}

class MountTableDriveTypes : public DriveTypes {
 public:
  uint32_t DriveTypeOf(const std::string& absolutePath) const override {
    std::ifstream in("/proc/self/mountinfo");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<MountEntry> mounts = ParseMountInfo(text);
    // Links can lead onto another volume: judge the place the path really names.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(absolutePath, error);
    return DriveTypeIn(mounts, error ? absolutePath : real.string(), SysfsSaysRemovable);
  }
};

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::vector<std::string_view> fields = Fields(text.substr(start, end - start));
    start = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") {
      ++separator;
    }
    if (fields.size() < 5 || separator + 2 >= fields.size()) {
      continue;
    }
    mounts.push_back({std::string(fields[2]), Unescape(fields[4]), Unescape(fields[separator + 1]),
                      Unescape(fields[separator + 2])});
  }
  return mounts;
}

const MountEntry* MountOf(const std::vector<MountEntry>& mounts, std::string_view absolutePath) {
  const MountEntry* best = nullptr;
  for (const MountEntry& mount : mounts) {
    if (IsBelow(absolutePath, mount.mountPoint) &&
        (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size())) {
      best = &mount;
    }
  }
  return best;
}

uint32_t DriveTypeOfMount(const MountEntry& mount,
                          const std::function<bool(const std::string&)>& isRemovable) {
  const std::string_view type = mount.fileSystem;
  if (IsNetworkFileSystem(type)) {
    return DRIVE_REMOTE;
  }
  if (type == "iso9660" || type == "udf") {
    return DRIVE_CDROM;
  }
  if (type == "tmpfs" || type == "ramfs") {
    return DRIVE_RAMDISK;
  }
  if (mount.majorMinor.substr(0, 2) != "0:" && isRemovable(mount.majorMinor)) {
    return DRIVE_REMOVABLE;
  }
  return DRIVE_FIXED;
}

uint32_t DriveTypeIn(const std::vector<MountEntry>& mounts, std::string_view absolutePath,
                     const std::function<bool(const std::string&)>& isRemovable) {
  // In a chroot or a container the root itself need not be a mount point, and a path there
  // is covered by no entry; it lies on the disk the root was taken from.
  const MountEntry* mount = MountOf(mounts, absolutePath);
  return mount ? DriveTypeOfMount(*mount, isRemovable) : DRIVE_FIXED;
}

const DriveTypes& SystemDriveTypes() {
  static const MountTableDriveTypes drives;
  return drives;
}

}  // namespace vorsel
