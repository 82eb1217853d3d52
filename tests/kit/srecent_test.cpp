#include "kit/srecent.h"

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "kit/sini.h"
#include "tests/kit/fake_menu.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"

namespace vorsel {
namespace {

using test::FakeMenuItem;

// Every path is on a fixed drive unless it lies below a folder given another type.
class FakeDriveTypes : public DriveTypes {
 public:
  uint32_t DriveTypeOf(const std::string& absolutePath) const override {
    asked.push_back(absolutePath);
    for (const auto& [folder, type] : types) {
      if (absolutePath.rfind(folder, 0) == 0) {
        return type;
      }
    }
    return DRIVE_FIXED;
  }
  std::map<std::string, uint32_t> types;
  mutable std::vector<std::string> asked;
};

class TRecentFilesTest : public ::testing::Test {
 protected:
  TRecentFilesTest() {
    id.SetProductName("Vorsel");
    id.SetAutoVersion(false);
    id.SetVersion("4.50");
    id.SetCompany("QuorvikData");
    for (const char* caption :
         {"Save now!", "Always save on exit", "Open file...", "Save as file..."}) {
      commands.push_back(std::make_unique<FakeMenuItem>(caption));
      settingsMenu.Insert(settingsMenu.Count(), *commands.back());
    }
  }

  // Places the list the way the window's form does, then loads it.
  std::unique_ptr<TRecentFiles> Load(int32_t maxItems = 5) {
    auto recent = std::make_unique<TRecentFiles>(boxes, drives);
    recent->SetName("RecentFiles1");
    recent->SetMenu(&settingsMenu);
    recent->SetMaxItems(maxItems);
    recent->SetProgId(&id);
    recent->Loaded();
    return recent;
  }

  std::string File(const std::string& name) {
    const std::string path = env.dir / name;
    test::WriteFile(path, "[Common]\r\n");
    return path;
  }

  std::string Stored() { return test::ReadFile(IniFile()); }
  std::string IniFile() const { return env.ConfigHome() + "/QuorvikData/Vorsel/4.50/vorsel.ini"; }
  void Store(const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(IniFile()).parent_path());
    test::WriteFile(IniFile(), text);
  }

  // The visible entries of the block, without the four commands of the menu.
  std::vector<std::string> Shown() {
    auto captions = settingsMenu.VisibleCaptions();
    captions.erase(captions.begin(), captions.begin() + 4);
    return captions;
  }

  test::StoreEnvironment env;
  test::FakeMessageBoxes boxes;
  FakeDriveTypes drives;
  TProgId id;
  FakeMenuItem settingsMenu;
  std::vector<std::unique_ptr<FakeMenuItem>> commands;
};

TEST_F(TRecentFilesTest, ALoadWithoutProgIdNamesTheComponent) {
  TRecentFiles recent(boxes, drives);
  recent.SetName("RecentFiles1");
  try {
    recent.Loaded();
    FAIL();
  } catch (const ESettingError& error) {
    EXPECT_STREQ(error.what(), "Nothing assigned to RecentFiles1.ProgId");
  }
}

TEST_F(TRecentFilesTest, AnEmptyListShowsNothingAndIsStoredAtOnce) {
  auto recent = Load();
  EXPECT_EQ(settingsMenu.Count(), 4 + 18) << "separator, 16 entries and the clear item";
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(settingsMenu.Child(4).Caption(), "-");
  EXPECT_EQ(settingsMenu.Child(5).Caption(), "&1 ");
  EXPECT_EQ(settingsMenu.Child(5).Tag(), 1);
  EXPECT_EQ(settingsMenu.Child(21).Caption(), "&Clear list...");
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=5\r\n1=\r\n2=\r\n3=\r\n4=\r\n5=\r\n");
}

TEST_F(TRecentFilesTest, AddingPutsTheNewestOnTopAndKeepsOneCopyOfAName) {
  auto recent = Load();
  const std::string a = File("a.vrs");
  const std::string b = File("b.vrs");
  recent->add(a);
  recent->add(b);
  recent->add(env.dir / "A.VRS");
  EXPECT_EQ(recent->FileName(1), env.dir / "A.VRS") << "written as in the newer call";
  EXPECT_EQ(recent->FileName(2), b);
  EXPECT_EQ(recent->FileName(3), "");
  EXPECT_EQ(Shown(), std::vector<std::string>(
                         {"-", "&1 " + (env.dir / "A.VRS"), "&2 " + b, "&Clear list..."}));
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=5\r\n1=" + (env.dir / "A.VRS") + "\r\n2=" + b +
                          "\r\n3=\r\n4=\r\n5=\r\n");
  recent->add("");
  EXPECT_EQ(recent->FileName(1), env.dir / "A.VRS");
}

TEST_F(TRecentFilesTest, ARelativeNameIsStoredAbsolute) {
  auto recent = Load();
  File("rel.vrs");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(env.dir.path());
  recent->add("./sub/../rel.vrs");
  std::filesystem::current_path(previous);
  EXPECT_EQ(recent->FileName(1), env.dir / "rel.vrs");
}

TEST_F(TRecentFilesTest, FilesOnRefusedDrivesAreNotAddedButTheListIsStillSaved) {
  drives.types[env.dir / "cdrom"] = DRIVE_CDROM;
  drives.types[env.dir / "ram"] = DRIVE_RAMDISK;
  drives.types[env.dir / "stick"] = DRIVE_REMOVABLE;
  drives.types[env.dir / "net"] = DRIVE_REMOTE;
  drives.types[env.dir / "gone"] = DRIVE_NO_ROOT_DIR;
  drives.types[env.dir / "odd"] = DRIVE_UNKNOWN;
  auto recent = Load();
  const std::string kept = File("kept.vrs");
  recent->add(kept);
  std::filesystem::remove(IniFile());

  for (const char* refused : {"cdrom/x.vrs", "ram/x.vrs", "stick/x.vrs", "gone/x.vrs"}) {
    recent->add(env.dir / refused);
    EXPECT_EQ(recent->FileName(1), kept) << refused;
  }
  EXPECT_EQ(drives.asked.back(), env.dir / "gone/x.vrs");
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=5\r\n1=" + kept + "\r\n2=\r\n3=\r\n4=\r\n5=\r\n");

  recent->add(env.dir / "net/x.vrs");
  EXPECT_EQ(recent->FileName(1), env.dir / "net/x.vrs");
  recent->add(env.dir / "odd/x.vrs");
  EXPECT_EQ(recent->FileName(1), env.dir / "odd/x.vrs");
  recent->SetAllowFileOnCDROM(true);
  recent->add(env.dir / "cdrom/x.vrs");
  EXPECT_EQ(recent->FileName(1), env.dir / "cdrom/x.vrs");
}

TEST_F(TRecentFilesTest, NamesBeyondMaxItemsStayHiddenInMemory) {
  auto recent = Load(5);
  std::vector<std::string> files;
  for (int i = 1; i <= 7; ++i) {
    files.push_back(File("f" + std::to_string(i) + ".vrs"));
    recent->add(files.back());
  }
  EXPECT_EQ(Shown(),
            std::vector<std::string>({"-", "&1 " + files[6], "&2 " + files[5], "&3 " + files[4],
                                      "&4 " + files[3], "&5 " + files[2], "&Clear list..."}));
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=5\r\n1=" + files[6] + "\r\n2=" + files[5] +
                          "\r\n3=" + files[4] + "\r\n4=" + files[3] + "\r\n5=" + files[2] + "\r\n");
  EXPECT_EQ(recent->FileName(6), files[1]);
  EXPECT_EQ(recent->FileName(7), files[0]);

  // The second newest vanished; choosing it reports it and lets the sixth newest appear.
  std::filesystem::remove(files[5]);
  settingsMenu.Child(4 + 2).Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Can't find \r" + files[5]);
  EXPECT_EQ(boxes.shown[0].caption, "File not found");
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
  EXPECT_EQ(Shown(),
            std::vector<std::string>({"-", "&1 " + files[6], "&2 " + files[4], "&3 " + files[3],
                                      "&4 " + files[2], "&5 " + files[1], "&Clear list..."}));
}

TEST_F(TRecentFilesTest, TheStoredCountWinsWithinItsLimits) {
  Store("[RecentFiles]\r\nnToUse=20\r\n");
  EXPECT_EQ(Load()->MaxItems(), 15);

  Store("[RecentFiles]\r\nnToUse=-3\r\n1=" + File("a.vrs") + "\r\n");
  auto recent = Load();
  EXPECT_EQ(recent->MaxItems(), 0);
  recent->add(File("b.vrs"));
  EXPECT_TRUE(Shown().empty()) << "no entries, no separator, no clear item";
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=0\r\n");
}

TEST_F(TRecentFilesTest, StoredNamesOfVanishedFilesAreSkippedAndTheGapsClosed) {
  const std::string a = File("a.vrs");
  const std::string c = File("c.vrs");
  Store("[RecentFiles]\r\nnToUse=5\r\n1=" + a + "\r\n2=" + (env.dir / "gone.vrs") +
        "\r\n3=" + (env.dir / "A.vrs") + "\r\n4=" + c + "\r\n5=\r\n");
  std::filesystem::copy_file(a, env.dir / "A.vrs");
  auto recent = Load();
  EXPECT_EQ(recent->FileName(1), a);
  EXPECT_EQ(recent->FileName(2), c);
  EXPECT_EQ(recent->FileName(3), "");
  EXPECT_EQ(Stored(),
            "[RecentFiles]\r\nnToUse=5\r\n1=" + a + "\r\n2=" + c + "\r\n3=\r\n4=\r\n5=\r\n");
}

TEST_F(TRecentFilesTest, PositionsTenToFifteenUseHexadecimalCaptionsAndKeys) {
  auto recent = Load(15);
  std::vector<std::string> files;
  for (int i = 1; i <= 16; ++i) {
    files.push_back(File("f" + std::to_string(i) + ".vrs"));
    recent->add(files.back());
  }
  const auto shown = Shown();
  ASSERT_EQ(shown.size(), 17u) << "separator, 15 entries, clear item";
  EXPECT_EQ(shown[10], "&A " + files[6]);
  EXPECT_EQ(shown[15], "&F " + files[1]);
  EXPECT_EQ(settingsMenu.Child(4 + 16).Caption(), "&10 " + files[0]);
  EXPECT_FALSE(settingsMenu.Child(4 + 16).Visible());
  EXPECT_NE(Stored().find("\r\nF=" + files[1] + "\r\n"), std::string::npos);
  EXPECT_EQ(Stored().find("10="), std::string::npos);

  recent->add(File("with & sign.vrs"));
  EXPECT_EQ(settingsMenu.Child(5).Caption(), "&1 " + (env.dir / "with && sign.vrs"));
}

TEST_F(TRecentFilesTest, TheClearItemAsksFirst) {
  auto recent = Load();
  recent->add(File("a.vrs"));
  FakeMenuItem& clearItem = settingsMenu.Child(4 + 17);
  boxes.answers = {idNo};
  clearItem.Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Do you want to clear the list of recently used files?");
  EXPECT_EQ(boxes.shown[0].caption, "Clear list");
  EXPECT_EQ(boxes.shown[0].flags, mbYesNo | mbIconQuestion);
  EXPECT_EQ(recent->FileName(1), env.dir / "a.vrs");

  boxes.answers = {idYes};
  settingsMenu.Child(4 + 17).Click();
  EXPECT_EQ(recent->FileName(1), "");
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Stored(), "[RecentFiles]\r\nnToUse=5\r\n1=\r\n2=\r\n3=\r\n4=\r\n5=\r\n");
}

TEST_F(TRecentFilesTest, ChoosingAnEntryMovesItUpAndTellsTheOwner) {
  auto recent = Load();
  const std::string a = File("a.vrs");
  const std::string b = File("b.vrs");
  recent->add(a);
  recent->add(b);
  MenuItem* sender = nullptr;
  int32_t itemNo = 0;
  std::string chosen;
  recent->SetOnClick([&](MenuItem& item, int32_t position, const std::string& fileName) {
    sender = &item;
    itemNo = position;
    chosen = fileName;
  });
  FakeMenuItem& second = settingsMenu.Child(4 + 2);
  second.Click();
  EXPECT_EQ(sender, &second);
  EXPECT_EQ(itemNo, 2);
  EXPECT_EQ(chosen, a);
  EXPECT_EQ(recent->FileName(1), a);
  EXPECT_EQ(recent->FileName(2), b);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TRecentFilesTest, TheBlockGoesWhereMenuPosSaysAndLeavesWithTheComponent) {
  auto recent = std::make_unique<TRecentFiles>(boxes, drives);
  recent->SetMenu(&settingsMenu);
  recent->SetMenuPos(1);
  recent->SetBarBefore(false);
  recent->SetProgId(&id);
  recent->Loaded();
  recent->add(File("a.vrs"));
  EXPECT_EQ(settingsMenu.Child(0).Caption(), "Save now!");
  EXPECT_EQ(settingsMenu.Child(1).Caption(), "-");
  EXPECT_FALSE(settingsMenu.Child(1).Visible());
  EXPECT_EQ(settingsMenu.Child(2).Caption(), "&1 " + (env.dir / "a.vrs"));
  EXPECT_EQ(settingsMenu.Child(19).Caption(), "Always save on exit");

  FakeMenuItem otherMenu;
  recent->SetMenu(&otherMenu);
  EXPECT_EQ(settingsMenu.Count(), 4);
  EXPECT_EQ(otherMenu.Count(), 18);
  recent.reset();
  EXPECT_EQ(otherMenu.Count(), 0);
}

TEST_F(TRecentFilesTest, WithoutARoamingFolderTheListLivesInTheUserStore) {
  class NoRoaming : public Folders {
   public:
    explicit NoRoaming(std::string windows) : windows_(std::move(windows)) {}
    std::optional<std::string> AppData(AppDataFolder) const override { return std::nullopt; }
    std::string WindowsDirectory() const override { return windows_; }

   private:
    std::string windows_;
  } folders(env.dir / "windows");
  TRecentFiles recent(boxes, drives, folders);
  recent.SetMenu(&settingsMenu);
  recent.SetProgId(&id);
  recent.Loaded();
  const std::string a = File("a.vrs");
  recent.add(a);
  auto store = OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER);
  const std::string key = "\\Software\\QuorvikData\\Vorsel\\4.50\\RecentFiles";
  EXPECT_EQ(store->ReadValue(key, "nToUse"), StoreValue(int32_t{5}));
  EXPECT_EQ(store->ReadValue(key, "1"), StoreValue(a));
  EXPECT_EQ(store->ReadValue(key, "2"), StoreValue(std::string()));
  EXPECT_FALSE(std::filesystem::exists(IniFile()));
}

}  // namespace
}  // namespace vorsel
