#include "frontend/file_browser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(FileFilter, TheFilterTextHasElevenItemsWithTheirMasks) {
  const std::vector<FilterItem> items = ParseFilter(kFileTypeFilter);
  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(items[0].caption, "Sample files (*.smp)");
  EXPECT_EQ(items[3].caption, "Audio IFF (*.aif*; .afc)");
  EXPECT_EQ(items[3].mask, "*.aif*;*.afc");
  EXPECT_EQ(items[10].caption, "Custom");
  EXPECT_EQ(items[10].mask, "*.*");
  EXPECT_THAT(ParseFilter("A|*.a|B"), ElementsAre(FilterItem{"A", "*.a"}, FilterItem{"B", ""}));
}

TEST(FileFilter, MasksMatchAnyPartWithoutRegardToCase) {
  EXPECT_TRUE(MatchesMask("take.AIFF", "*.aif*;*.afc"));
  EXPECT_TRUE(MatchesMask("take.aif", "*.aif*;*.afc"));
  EXPECT_TRUE(MatchesMask("Take.Afc", "*.aif*; *.afc"));
  EXPECT_FALSE(MatchesMask("take.af", "*.aif*;*.afc"));
  EXPECT_FALSE(MatchesMask("take.smp.bak", "*.smp"));
  EXPECT_TRUE(MatchesMask("a.b.smp", "*.smp"));
  EXPECT_TRUE(MatchesMask("ÄRGER.WAV", "ärger.wav")) << "letters beyond ASCII fold too";
  EXPECT_TRUE(MatchesMask("ä1.wav", "??.wav")) << "a question mark takes one character";
  EXPECT_FALSE(MatchesMask("ä12.wav", "??.wav"));
  EXPECT_TRUE(MatchesMask("README", "*.*")) << "as on the desktop the suite came from";
  EXPECT_FALSE(MatchesMask("README", "*.smp;;"));
  EXPECT_FALSE(MatchesMask("a.wav", ""));
}

TEST(FolderListing, FilesAndFoldersAreSortedByNameAndHiddenNamesLeftOut) {
  test::TempDir dir;
  test::WriteFile(dir / "b.wav", "x");
  test::WriteFile(dir / "A.wav", "x");
  test::WriteFile(dir / ".hidden", "x");
  std::filesystem::create_directory(dir / "Sub");
  std::filesystem::create_directory(dir / "older");
  const FolderListing listing = ListFolder(dir.path().string());
  EXPECT_TRUE(listing.readable);
  EXPECT_THAT(listing.files, ElementsAre("A.wav", "b.wav"));
  EXPECT_THAT(listing.folders, ElementsAre("older", "Sub"));
}

TEST(FolderListing, AFolderThatCannotBeReadListsNothing) {
  test::TempDir dir;
  test::WriteFile(dir / "file", "x");
  // A path through a regular file fails for root as well.
  const FolderListing listing = ListFolder(dir / "file/inner");
  EXPECT_FALSE(listing.readable);
  EXPECT_THAT(listing.files, IsEmpty());
  EXPECT_FALSE(ListFolder(dir / "gone").readable);
}

TEST(FolderRows, AncestorsComeFirstThenTheSubfolders) {
  const std::vector<FolderRow> rows = FolderRows("/home/ann/", {"a", "b"});
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].path, "/");
  EXPECT_EQ(rows[0].caption, "/");
  EXPECT_EQ(rows[2].path, "/home/ann");
  EXPECT_EQ(rows[2].depth, 2);
  EXPECT_TRUE(rows[2].current);
  EXPECT_FALSE(rows[1].current);
  EXPECT_EQ(rows[4].path, "/home/ann/b");
  EXPECT_EQ(rows[4].caption, "b");
  EXPECT_EQ(rows[4].depth, 3);
  EXPECT_EQ(FolderRows("/", {}).size(), 1u);
}

TEST(DriveList, RootThenHomeThenMountedMediaEachOnce) {
  const std::vector<MountEntry> mounts = {
      {"8:1", "/", "ext4", "/dev/sda1"},
      {"0:22", "/proc", "proc", "proc"},
      {"8:17", "/media/ann/STICK", "vfat", "/dev/sdb1"},
      {"8:1", "/etc/hosts", "ext4", "/dev/sda1"},
      {"0:50", "/srv/share", "nfs4", "server:/share"},
      {"0:51", "/run/user/1000", "tmpfs", "tmpfs"},
      {"8:18", "/media/ann/STICK", "vfat", "/dev/sdb1"},
  };
  const auto isFolder = [](const std::string& path) { return path != "/etc/hosts"; };
  const std::vector<DriveEntry> drives = DriveList(mounts, "/home/ann", isFolder);
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[0].path, "/");
  EXPECT_EQ(drives[1].path, "/home/ann");
  EXPECT_EQ(drives[2].path, "/media/ann/STICK");
  EXPECT_EQ(drives[3].path, "/srv/share");

  EXPECT_EQ(DriveIndexFor(drives, "/home/ann/takes"), 1u);
  EXPECT_EQ(DriveIndexFor(drives, "/home/anna"), 0u) << "a longer name is not inside";
  EXPECT_EQ(DriveIndexFor(drives, "/media/ann/STICK"), 2u);
  EXPECT_EQ(DriveIndexFor({}, "/x"), std::nullopt);
}

}  // namespace
}  // namespace vorsel
