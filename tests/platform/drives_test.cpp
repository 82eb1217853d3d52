#include "platform/drives.h"

#include <gtest/gtest.h>

namespace vorsel {
namespace {

constexpr std::string_view kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "30 27 0:27 / /tmp rw,relatime - tmpfs tmpfs rw,size=1024k\n"
    "40 27 11:0 / /media/cd\\040rom ro,relatime shared:5 master:2 - iso9660 /dev/sr0 ro\n"
    "41 27 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
    "42 27 0:50 / /net/share rw - cifs //server/share rw\n"
    "43 27 0:51 / /home/u/remote rw - fuse.sshfs u@host: rw\n"
    "44 27 8:2 / /data rw - ext4 /dev/sda2 rw\n"
    "45 27 0:60 / /data rw - nfs4 server:/data rw\n"
    "broken line\n";

TEST(MountInfo, ParsesFieldsAndDecodesEscapes) {
  const auto mounts = ParseMountInfo(kMountInfo);
  ASSERT_EQ(mounts.size(), 9u);
  EXPECT_EQ(mounts[3].mountPoint, "/media/cd rom");
  EXPECT_EQ(mounts[3].fileSystem, "iso9660");
  EXPECT_EQ(mounts[3].source, "/dev/sr0");
  EXPECT_EQ(mounts[3].majorMinor, "11:0");
  EXPECT_EQ(mounts[5].source, "//server/share");
}

TEST(MountInfo, FindsTheMountThatHoldsAPath) {
  const auto mounts = ParseMountInfo(kMountInfo);
  EXPECT_EQ(MountOf(mounts, "/media/cd rom/speech.vrs")->fileSystem, "iso9660");
  EXPECT_EQ(MountOf(mounts, "/media/cd romx/speech.vrs")->mountPoint, "/");
  EXPECT_EQ(MountOf(mounts, "/tmp")->fileSystem, "tmpfs");
  EXPECT_EQ(MountOf(mounts, "/data/x.vrs")->fileSystem, "nfs4") << "the later mount hides";
  EXPECT_EQ(MountOf(mounts, "relative"), nullptr);
}

TEST(MountInfo, ClassifiesMountsAsTheDriveTable) {
  const auto mounts = ParseMountInfo(kMountInfo);
  const auto removable = [](const std::string& device) { return device == "8:17"; };
  const auto typeOf = [&](std::string_view path) {
    return DriveTypeOfMount(*MountOf(mounts, path), removable);
  };
  EXPECT_EQ(typeOf("/home/u/x.vrs"), DRIVE_FIXED);
  EXPECT_EQ(typeOf("/tmp/x.vrs"), DRIVE_RAMDISK);
  EXPECT_EQ(typeOf("/media/cd rom/x.vrs"), DRIVE_CDROM);
  EXPECT_EQ(typeOf("/media/stick/x.vrs"), DRIVE_REMOVABLE);
  EXPECT_EQ(typeOf("/net/share/x.vrs"), DRIVE_REMOTE);
  EXPECT_EQ(typeOf("/home/u/remote/x.vrs"), DRIVE_REMOTE);
  EXPECT_EQ(typeOf("/data/x.vrs"), DRIVE_REMOTE);
}

TEST(MountInfo, APathNoEntryCoversLiesOnAFixedDrive) {
  // A chroot's table: "/" itself is not a mount point.
  const auto mounts = ParseMountInfo(
      "22 27 0:21 / /proc rw - proc proc rw\n"
      "30 27 0:27 / /tmp rw - tmpfs tmpfs rw\n");
  const auto never = [](const std::string&) { return false; };
  EXPECT_EQ(DriveTypeIn(mounts, "/", never), DRIVE_FIXED);
  EXPECT_EQ(DriveTypeIn(mounts, "/home/u/x.vrs", never), DRIVE_FIXED);
  EXPECT_EQ(DriveTypeIn(mounts, "/tmp/x.vrs", never), DRIVE_RAMDISK);
  EXPECT_EQ(DriveTypeIn({}, "/home/u/x.vrs", never), DRIVE_FIXED);
}

TEST(SystemDriveTypes, KnowsTheVolumesOfThisMachine) {
  const DriveTypes& drives = SystemDriveTypes();
  EXPECT_NE(drives.DriveTypeOf("/"), DRIVE_UNKNOWN);
  EXPECT_EQ(drives.DriveTypeOf("/proc/self/does-not-exist"), DRIVE_FIXED);
}

}  // namespace
}  // namespace vorsel
