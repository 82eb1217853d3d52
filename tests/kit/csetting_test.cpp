#include "kit/csetting.h"

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "kit/sini.h"
#include "tests/platform/store_environment.h"

namespace vorsel {
namespace {

using test::StoreEnvironment;

// Folders as a test wants them: any of them can be missing.
class FakeFolders : public Folders {
 public:
  std::optional<std::string> AppData(AppDataFolder folder) const override {
    switch (folder) {
      case AppDataFolder::Roaming:
        return roaming;
      case AppDataFolder::Local:
        return local;
      case AppDataFolder::Common:
        return common;
    }
    return std::nullopt;
  }
  std::string WindowsDirectory() const override { return windows; }

  std::optional<std::string> roaming, local, common;
  std::string windows;
};

TProgId VorselId() {
  TProgId id;
  id.SetProductName("Vorsel");
  id.SetAutoVersion(false);
  id.SetVersion("4.50");
  id.SetCompany("QuorvikData");
  return id;
}

constexpr const char* kProductKey = "\\Software\\QuorvikData\\Vorsel\\4.50";

FakeFolders FoldersIn(const test::TempDir& dir) {
  FakeFolders folders;
  folders.roaming = dir / "roaming";
  folders.local = dir / "local";
  folders.common = dir / "common";
  folders.windows = dir / "windows";
  return folders;
}

class TSettingTest : public ::testing::Test {
 protected:
  TSettingTest() { setting.SetProgId(&id); }

  std::optional<StoreValue> UserValue(const std::string& section, const std::string& name) {
    return OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)
        ->ReadValue(std::string(kProductKey) + "\\" + section, name);
  }

  StoreEnvironment env;
  FakeFolders folders = FoldersIn(env.dir);
  TProgId id = VorselId();
  TSetting setting{folders};
};

TEST(SettingFloatText, IsScientificOfWidth23) {
  EXPECT_EQ(SettingFloatText(1), " 1.00000000000000E+0000");
  EXPECT_EQ(SettingFloatText(-0.5), "-5.00000000000000E-0001");
  EXPECT_EQ(SettingFloatText(0), " 0.00000000000000E+0000");
  EXPECT_EQ(SettingFloatText(-32768), "-3.27680000000000E+0004");
  EXPECT_EQ(SettingFloatText(1.5e-300), " 1.50000000000000E-0300");
  for (const double value : {1.0, -1e300, 123.456, 1e-5}) {
    EXPECT_EQ(SettingFloatText(value).size(), 23u) << value;
  }
}

TEST_F(TSettingTest, RegistryLocationsKeepTypedValuesUnderTheProductKey) {
  EXPECT_EQ(setting.IniFilename(), "HKEY_CURRENT_USER");
  setting.WriteInteger("RecentFiles", "nToUse", 5);
  setting.WriteString("RecentFiles", "1", "/a.vrs");
  setting.WriteBool("RecentFiles", "flag", true);
  setting.WriteFloat("RecentFiles", "real", 1);
  EXPECT_EQ(UserValue("RecentFiles", "nToUse"), StoreValue(int32_t{5}));
  EXPECT_EQ(UserValue("RecentFiles", "flag"), StoreValue(int32_t{1}));
  EXPECT_EQ(UserValue("RecentFiles", "real"), StoreValue(std::string(" 1.00000000000000E+0000")));

  EXPECT_EQ(setting.ReadInteger("recentfiles", "NTOUSE", 0), 5);
  EXPECT_EQ(setting.ReadInteger("RecentFiles", "1", -1), -1) << "a string is not an integer";
  EXPECT_EQ(setting.ReadString("RecentFiles", "nToUse", "d"), "d") << "an integer is no string";
  EXPECT_DOUBLE_EQ(setting.ReadFloat("RecentFiles", "real", 0), 1);

  setting.SetLocation(slmachine);
  EXPECT_EQ(setting.IniFilename(), "HKEY_LOCAL_MACHINE");
  setting.WriteString("S", "k", "machine");
  EXPECT_EQ(OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE)
                ->ReadValue(std::string(kProductKey) + "\\S", "k"),
            StoreValue(std::string("machine")));
}

TEST_F(TSettingTest, FolderLocationsUseAnIniFileNamedAfterTheProgram) {
  setting.SetLocation(slroaming);
  const std::string roamingFile = env.dir / "roaming/QuorvikData/Vorsel/4.50/vorsel.ini";
  EXPECT_EQ(setting.IniFilename(), roamingFile);
  setting.WriteInteger("RecentFiles", "nToUse", 5);
  EXPECT_EQ(test::ReadFile(roamingFile), "[RecentFiles]\r\nnToUse=5\r\n");

  setting.SetLocation(slnonroaming);
  EXPECT_EQ(setting.IniFilename(), env.dir / "local/QuorvikData/Vorsel/4.50/vorsel.ini");
  setting.SetLocation(slcommonadmin);
  EXPECT_EQ(setting.IniFilename(), env.dir / "common/QuorvikData/Vorsel/4.50/vorsel.ini");
  setting.SetLocation(slcommoninsecure);
  EXPECT_EQ(setting.IniFilename(), env.dir / "common/QuorvikData/Vorsel/4.50/insecure/vorsel.ini");
  setting.SetLocation(slfile);
  setting.SetFilename(env.dir / "chosen.ini");
  EXPECT_EQ(setting.IniFilename(), env.dir / "chosen.ini");
  setting.SetFilename("bare.ini");
  std::filesystem::create_directories(env.dir / "windows");
  setting.WriteString("S", "k", "v");
  EXPECT_EQ(test::ReadFile(env.dir / "windows/bare.ini"), "[S]\r\nk=v\r\n");

  SetProgramFileName("C:\\Programs\\Vorsel.exe");
  TSetting other(folders);
  other.SetProgId(&id);
  other.SetLocation(slroaming);
  EXPECT_EQ(other.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/4.50/Vorsel.ini");
  other.SetIniFilename("/elsewhere/custom.cfg");
  EXPECT_EQ(other.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/4.50/custom.ini");
}

TEST_F(TSettingTest, MissingFoldersFallBack) {
  folders.roaming.reset();
  folders.local.reset();
  folders.common.reset();
  setting.SetLocation(slroaming);
  EXPECT_EQ(setting.IniFilename(), "HKEY_CURRENT_USER");
  setting.WriteInteger("RecentFiles", "nToUse", 3);
  EXPECT_EQ(UserValue("RecentFiles", "nToUse"), StoreValue(int32_t{3}));

  TSetting local(folders);
  local.SetProgId(&id);
  local.SetLocation(slnonroaming);
  EXPECT_EQ(local.IniFilename(), "HKEY_CURRENT_USER");

  TSetting admin(folders);
  admin.SetProgId(&id);
  admin.SetLocation(slcommonadmin);
  EXPECT_EQ(admin.IniFilename(), "HKEY_LOCAL_MACHINE");

  TSetting insecure(folders);
  insecure.SetProgId(&id);
  insecure.SetLocation(slcommoninsecure);
  EXPECT_EQ(insecure.IniFilename(), env.dir / "windows/vorsel.ini");
  insecure.WriteString("S", "k", "v");
  EXPECT_EQ(test::ReadFile(env.dir / "windows/vorsel.ini"), "[S]\r\nk=v\r\n");
}

TEST_F(TSettingTest, ARegistryNameLeftInIniFilenameBecomesTheFileName) {
  EXPECT_EQ(setting.IniFilename(), "HKEY_CURRENT_USER");
  setting.SetLocation(slroaming);
  EXPECT_EQ(setting.IniFilename(),
            env.dir / "roaming/QuorvikData/Vorsel/4.50/HKEY_CURRENT_USER.ini");
}

TEST_F(TSettingTest, AChangedIdentityMovesTheStore) {
  setting.SetLocation(slroaming);
  EXPECT_EQ(setting.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/4.50/vorsel.ini");
  id.SetVersion("4.60");
  EXPECT_EQ(setting.Version(), "4.60");
  EXPECT_EQ(setting.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/4.60/vorsel.ini");
  id.SetAutoVersion(true);
  EXPECT_EQ(setting.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/3.0/vorsel.ini");
}

TEST_F(TSettingTest, BooleansAreTrueOnlyForOneAndEmptyTextsReadAsTheDefault) {
  for (const tsettinglocation location : {sluser, slroaming}) {
    setting.SetLocation(location);
    setting.WriteInteger("S", "two", 2);
    setting.WriteString("S", "empty", "");
    setting.WriteString("S", "broken", "1.5.5");
    EXPECT_FALSE(setting.ReadBool("S", "two", true)) << location;
    EXPECT_TRUE(setting.ReadBool("S", "missing", true)) << location;
    EXPECT_EQ(setting.ReadString("S", "empty", "default"), "default") << location;
    EXPECT_DOUBLE_EQ(setting.ReadFloat("S", "broken", 7), 7) << location;
    EXPECT_DOUBLE_EQ(setting.ReadFloat("S", "empty", -2), -2) << location;
  }
  setting.SetLocation(slroaming);
  setting.WriteString("S", "hex", "0x10");
  EXPECT_EQ(setting.ReadInteger("S", "hex", 0), 16);
}

TEST_F(TSettingTest, SectionsAndFontsWorkInBothStores) {
  for (const tsettinglocation location : {sluser, slroaming}) {
    setting.SetLocation(location);
    const TFont font{"Courier New", 10, 255, false, true, false, true};
    setting.WriteFont("Look", "Memo", font);
    setting.WriteString("Other", "k", "v");
    TFont read;
    EXPECT_EQ(setting.ReadFont("Look", "Memo", read), font) << location;
    std::vector<std::string> names;
    setting.ReadSections(names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>({"Look", "Other"})) << location;
    setting.DeleteKey("Look", "MemoName");
    setting.ReadSection("Look", names);
    EXPECT_EQ(names.size(), 6u) << location;
    setting.DeleteSection("Look");
    setting.DeleteSection("Never there");
    setting.ReadSections(names);
    EXPECT_EQ(names, std::vector<std::string>({"Other"})) << location;
  }
}

TEST_F(TSettingTest, ManualIniCloseHoldsWritesUntilIniClose) {
  setting.SetLocation(slroaming);
  const std::string file = setting.IniFilename();
  setting.SetManualIniClose(true);
  setting.WriteString("S", "a", "1");
  setting.WriteString("S", "b", "2");
  EXPECT_EQ(setting.ReadString("S", "a", ""), "1");
  EXPECT_FALSE(std::filesystem::exists(file));
  setting.IniClose();
  EXPECT_EQ(test::ReadFile(file), "[S]\r\na=1\r\nb=2\r\n");
  setting.WriteString("S", "c", "3");
  setting.SetManualIniClose(false);
  EXPECT_EQ(test::ReadFile(file), "[S]\r\na=1\r\nb=2\r\nc=3\r\n");
}

TEST_F(TSettingTest, OkToWriteTellsWithoutRaising) {
  setting.SetLocation(slroaming);
  EXPECT_TRUE(setting.OkToWrite());
  EXPECT_EQ(test::ReadFile(setting.IniFilename()), "") << "the test section is gone again";
  setting.SetLocation(sluser);
  EXPECT_TRUE(setting.OkToWrite());
  std::vector<std::string> names;
  setting.ReadSection("", names);
  EXPECT_TRUE(names.empty());

  test::WriteFile(env.dir / "blocked", "a file where a folder should be");
  folders.roaming = env.dir / "blocked";
  TSetting blocked(folders);
  blocked.SetProgId(&id);
  blocked.SetLocation(slroaming);
  EXPECT_FALSE(blocked.OkToWrite());
  EXPECT_THROW(blocked.WriteString("S", "k", "v"), EIniFileException);
  env.Set("VORSEL_MACHINE_DIR", env.dir / "blocked");
  blocked.SetLocation(slmachine);
  EXPECT_FALSE(blocked.OkToWrite());
  EXPECT_THROW(blocked.WriteInteger("S", "k", 1), ERegistryException);
  EXPECT_EQ(blocked.ReadInteger("S", "k", 9), 9);
}

TEST_F(TSettingTest, NeedsItsProgId) {
  TSetting orphan(folders);
  orphan.SetName("Setting1");
  EXPECT_THROW(orphan.ReadString("S", "k", ""), ESettingError);
  try {
    orphan.Company();
    FAIL();
  } catch (const ESettingError& error) {
    EXPECT_STREQ(error.what(), "Nothing assigned to ProgId");
  }
  try {
    orphan.Loaded();
    FAIL();
  } catch (const ESettingError& error) {
    EXPECT_STREQ(error.what(), "Nothing assigned to Setting1.ProgId");
  }
  EXPECT_FALSE(orphan.OkToWrite());
  orphan.SetLocation(slroaming);  // harmless before the identity is known
  orphan.SetProgId(&id);
  orphan.Loaded();
  EXPECT_EQ(orphan.IniFilename(), env.dir / "roaming/QuorvikData/Vorsel/4.50/vorsel.ini");
}

}  // namespace
}  // namespace vorsel
