#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsel {

// Drive types, numbered as GetDriveTypeW numbers them.
enum DriveType : uint32_t {
  DRIVE_UNKNOWN = 0,
  DRIVE_NO_ROOT_DIR = 1,
  DRIVE_REMOVABLE = 2,
  DRIVE_FIXED = 3,
  DRIVE_REMOTE = 4,
  DRIVE_CDROM = 5,
  DRIVE_RAMDISK = 6,
};

// The kind of volume that holds a path.
class DriveTypes {
 public:
  virtual ~DriveTypes() = default;
  virtual uint32_t DriveTypeOf(const std::string& absolutePath) const = 0;
};

// Classifies by the mount table of the running process (/proc/self/mountinfo): network file
// systems are remote, iso9660 and udf CD-ROM, tmpfs and ramfs RAM disks, block devices that
// the kernel marks removable removable, everything else fixed, a path that no entry covers
// (the root of a chroot) included.
const DriveTypes& SystemDriveTypes();

struct MountEntry {
  std::string majorMinor;  // "8:17"
  std::string mountPoint;
  std::string fileSystem;
  std::string source;
};

// The entries of a mountinfo text, with its octal escapes ("\040") decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The entry whose mount point holds the path (the longest match; a later mount hides an
// earlier one at the same point); nullptr when none does.
const MountEntry* MountOf(const std::vector<MountEntry>& mounts, std::string_view absolutePath);

// The drive type of one mount; `isRemovable` tells whether a block device ("8:17") is removable.
uint32_t DriveTypeOfMount(const MountEntry& mount,
                          const std::function<bool(const std::string&)>& isRemovable);

// The drive type of the entry that covers the path; fixed when none does.
uint32_t DriveTypeIn(const std::vector<MountEntry>& mounts, std::string_view absolutePath,
                     const std::function<bool(const std::string&)>& isRemovable);

}  // namespace vorsel
