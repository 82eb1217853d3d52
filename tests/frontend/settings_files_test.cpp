#include "frontend/settings_files.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frontend/cli.h"
#include "kit/sini.h"
#include "platform/dotnum.h"
#include "tests/kit/fake_menu.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/store_locker.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;

// The main window as the settings code sees it; records what it was told.
class FakeSettingsWindow : public SettingsWindow {
 public:
  int32_t Left() const override { return left; }
  int32_t Top() const override { return top; }
  void MoveTo(int32_t newLeft, int32_t newTop) override {
    left = newLeft;
    top = newTop;
  }
  void SetCaption(const std::string& text) override { caption = text; }
  int32_t FilterIndex() const override { return filter; }
  void SelectFilter(int32_t index) override {
    filter = index >= 0 && index <= 10 ? index : -1;
    appliedFilters.push_back(index);
  }
  int32_t ActionIndex() const override { return action; }
  void SelectAction(int32_t index) override { action = index; }
  int32_t ImportPage() const override { return importPage; }
  int32_t ExportPage() const override { return exportPage; }
  void ShowImportPage(int32_t page) override { importPage = page; }
  void ShowExportPage(int32_t page) override { exportPage = page; }
  void ProposeSettingsFileName(const std::string& fileName) override { proposed = fileName; }
  std::optional<std::string> ChooseSettingsFileToOpen() override { return toOpen; }
  std::optional<std::string> ChooseSettingsFileToSave() override { return toSave; }
  void SetAlwaysSaveTick(bool ticked) override { alwaysSave = ticked; }
  void Repaint() override { ++repaints; }

  int32_t left = 100, top = 50;
  std::string caption;
  int32_t filter = 7;
  std::vector<int32_t> appliedFilters;
  int32_t action = 0, importPage = 0, exportPage = 0;
  std::string proposed;
  std::optional<std::string> toOpen, toSave;
  bool alwaysSave = false;
  int repaints = 0;
};

class FixedDrives : public DriveTypes {
 public:
  uint32_t DriveTypeOf(const std::string&) const override { return DRIVE_FIXED; }
};

// The keys of a settings file in file order, as "Section.Key".
std::vector<std::string> KeysOf(const std::string& text) {
  std::vector<std::string> keys;
  std::string section;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    start = end == std::string::npos ? text.size() : end + 2;
    if (!line.empty() && line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      keys.push_back(section + "." + line.substr(0, eq));
    }
  }
  return keys;
}

class SettingsFilesTest : public ::testing::Test {
 protected:
  SettingsFilesTest() {
    ConfigureProgId1(ProgId1);
    ConfigureRecentFiles1(RecentFiles1, ProgId1, settingsMenu);
    RecentFiles1.Loaded();
  }

  std::string UserText(const std::string& key) {
    TIni ini;
    return ini.ReadString("Common", key, "(missing)");
  }
  void PutUser(const std::string& section, const std::string& key, const std::string& text) {
    TIni().WriteString(section, key, text);
  }

  test::StoreEnvironment env;
  test::FakeMessageBoxes boxes;
  FixedDrives drives;
  TProgId ProgId1;
  test::FakeMenuItem settingsMenu;
  TRecentFiles RecentFiles1{boxes, drives};
  ConversionSettings settings;
  FakeSettingsWindow window;
  SettingsFiles files{settings, window, &RecentFiles1, boxes};
};

// Sets every field that settings files carry to a value other than its default.
void ChangeEveryField(ConversionSettings& settings) {
  for (const SettingField& field : SettingFields()) {
    switch (SettingTypeOf(field)) {
      case SettingType::Int:
        ASSERT_TRUE(SetSettingText(field, settings, "2"));
        break;
      case SettingType::Bool:
        ASSERT_TRUE(SetSettingText(field, settings, DefaultSettingText(field) == "1" ? "0" : "1"));
        break;
      case SettingType::Real:
        ASSERT_TRUE(SetSettingText(field, settings, "0.00001"));
        break;
      case SettingType::String:
        ASSERT_TRUE(SetSettingText(field, settings, "M\xC3\xBCller & co"));
        break;
    }
  }
}

TEST_F(SettingsFilesTest, AFreshInstallationGivesExactlyTheDefaults) {
  files.LoadSettings("");
  ConversionSettings expected;
  expected.Common.XPos = 100;  // the window stays where it is
  expected.Common.YPos = 50;
  for (const SettingField& field : SettingFields()) {
    EXPECT_EQ(SettingText(field, settings), SettingText(field, expected))
        << field.section << "." << field.key;
  }
  EXPECT_EQ(settings.Common.FileTypes, 7);
  EXPECT_EQ(window.filter, 7);
  EXPECT_EQ(settings.Common.AppendString, "c");
  EXPECT_EQ(window.caption, "Vorsel");
  EXPECT_EQ(window.repaints, 1);
}

TEST_F(SettingsFilesTest, ThePerUserStoreKeepsEveryFieldButOverWrite) {
  ChangeEveryField(settings);
  window.left = 2;
  window.top = 2;
  window.filter = 2;
  window.action = 2;
  window.importPage = 2;
  window.exportPage = 2;
  const ConversionSettings saved = settings;
  files.SaveSettings("");
  EXPECT_EQ(window.caption, "Vorsel");
  EXPECT_EQ(UserText("OverWrite"), "0") << "the record's true is never stored";
  EXPECT_EQ(UserText("SaveSettingsOnExit"), "(missing)") << "it has its own command";

  ConversionSettings loaded;
  FakeSettingsWindow otherWindow;
  SettingsFiles(loaded, otherWindow, nullptr, boxes).LoadSettings("");
  for (const SettingField& field : SettingFields()) {
    ConversionSettings copy = saved;
    const bool unstored =
        field.key == "OverWrite" || field.key == "SaveSettingsOnExit" || field.key == "Version";
    EXPECT_EQ(SettingText(field, loaded),
              unstored ? DefaultSettingText(field) : SettingText(field, copy))
        << field.section << "." << field.key;
  }
  EXPECT_EQ(otherWindow.left, 2);
  EXPECT_EQ(otherWindow.filter, 2);
  EXPECT_EQ(otherWindow.action, 2);
  EXPECT_EQ(otherWindow.importPage, 2);
  EXPECT_EQ(otherWindow.exportPage, 2);
}

TEST_F(SettingsFilesTest, AStoredCustomFilterComesBackAsTheFirstItem) {
  PutUser("Common", "FileTypes", "10");
  files.LoadSettings("");
  EXPECT_EQ(window.appliedFilters, std::vector<int32_t>({10, 0}));
  EXPECT_EQ(window.filter, 0);
  EXPECT_EQ(settings.Common.FileTypes, 0);
}

TEST_F(SettingsFilesTest, OverWriteIsReadAtEveryStartAndNeverStoredByTheProgram) {
  settings.Common.OverWrite = true;
  files.SaveSettings("");
  ConversionSettings restarted;
  SettingsFiles(restarted, window, nullptr, boxes).LoadSettings("");
  EXPECT_FALSE(restarted.Common.OverWrite);

  PutUser("Common", "OverWrite", "1");  // an administrator's choice
  settings.Common.OverWrite = false;
  files.SaveSettings("");
  EXPECT_EQ(UserText("OverWrite"), "1");
  SettingsFiles(restarted, window, nullptr, boxes).LoadSettings("");
  EXPECT_TRUE(restarted.Common.OverWrite);
}

TEST_F(SettingsFilesTest, ASettingsFileHoldsThePartsKeysInOrder) {
  const std::string path = env.dir / "x.vrs";
  files.SaveSettings(path);
  std::vector<std::string> expected = {"Common.Version",     "Common.Action", "Common.ImportIndex",
                                       "Common.ExportIndex", "Common.Naming", "Common.AppendString",
                                       "Common.LimitTo8+3"};
  const std::vector<std::string> view = {"ViewLo",  "ViewHi",  "Unit",    "AxisText",
                                         "RangeLo", "RangeHi", "MSBFirst"};
  for (const char* section : {"ImportWAV", "ImportAU", "ImportAIF", "ImportNSP", "ImportRAW"}) {
    for (const std::string& key : view) {
      expected.push_back(std::string(section) + "." + key);
    }
  }
  for (const char* key : {"ByteOrder", "Signed", "SfTot", "nChans", "StripBytes", "Encoding"}) {
    expected.push_back(std::string("ImportRAW.") + key);
  }
  for (const std::string& key : view) {
    expected.push_back("ImportTXT." + key);
  }
  for (const char* key : {"SfTot", "nChans", "StripLines", "InvalidNumberAction", "OverloadAction",
                          "CommaIsSeparator"}) {
    expected.push_back(std::string("ImportTXT.") + key);
  }
  for (const char* key : {"FitAmplitude", "DitherNoise", "StoreSMPHeader", "Encoding"}) {
    expected.push_back(std::string("ExportWAV.") + key);
  }
  for (const char* key : {"FitAmplitude", "DitherNoise", "HeaderBytes", "MSBFirst", "Signed",
                          "Encoding", "Extension", "OtherExtension"}) {
    expected.push_back(std::string("ExportRAW.") + key);
  }
  for (const char* key : {"FitAmplitude", "DitherNoise", "Encoding", "StoreSMPHeader"}) {
    expected.push_back(std::string("ExportAU.") + key);
  }
  for (const char* key : {"FitAmplitude", "DitherNoise", "StoreSMPHeader", "Encoding"}) {
    expected.push_back(std::string("ExportAIF.") + key);
  }
  for (const char* key : {"StoreSMPHeader", "OneChannelType", "TwoChannelType"}) {
    expected.push_back(std::string("ExportNSP.") + key);
  }
  const std::string text = test::ReadFile(path);
  EXPECT_EQ(KeysOf(text), expected);
  EXPECT_EQ(text.rfind("[Common]\r\nVersion=4.5\r\nAction=0\r\n", 0), 0u);
  EXPECT_NE(text.find("[ImportWAV]\r\nViewLo=-1\r\nViewHi=1\r\n"), std::string::npos);
}

TEST_F(SettingsFilesTest, SavingAFileNamesItAndKeepsTheMachineWideAddresses) {
  const std::string path = env.dir / "named.vrs";
  files.SaveSettings(path);
  EXPECT_EQ(window.caption, "Vorsel - " + path);
  EXPECT_EQ(window.proposed, path);
  EXPECT_EQ(RecentFiles1.FileName(1), path);
  TBrannowMachineIni machine("", true);
  EXPECT_EQ(machine.ReadString("BrannowInfo", "URL", ""), MakerAddresses().URL);
  EXPECT_EQ(machine.ReadString("BrannowInfo", "EMail", ""), MakerAddresses().EMail);

  files.Savenow1Click();
  EXPECT_EQ(window.caption, "Vorsel") << "Save now! always goes to the per-user store";
}

TEST_F(SettingsFilesTest, LoadingAFileLeavesTheUserOnlyStateAlone) {
  settings.Common.CustomMask = "*.snd";
  settings.Common.FavouriteImport = 3;
  settings.Common.UseExtensionAsId = true;
  settings.Common.OverWrite = true;
  window.filter = 4;
  TBrannowMachineIni("", false).WriteString("BrannowInfo", "URL", "https://example.org/");
  const std::string path = env.dir / "foreign.vrs";
  test::WriteFile(path,
                  "[Common]\r\nXPos=999\r\nFileTypes=2\r\nCustomMask=*.x\r\nNaming=2\r\n"
                  "UseExtensionAsId=0\r\nFavouriteImport=1\r\nAction=1\r\n[ImportRAW]\r\n"
                  "SfTot=22050\r\n");
  files.LoadSettings(path);
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.filter, 4);
  EXPECT_TRUE(window.appliedFilters.empty());
  EXPECT_EQ(settings.Common.CustomMask, "*.snd");
  EXPECT_EQ(settings.Common.FavouriteImport, 3);
  EXPECT_TRUE(settings.Common.UseExtensionAsId);
  EXPECT_FALSE(settings.Common.OverWrite) << "a file never holds it, so it reads false";
  EXPECT_EQ(settings.Common.Naming, 2);
  EXPECT_EQ(window.action, 1);
  EXPECT_DOUBLE_EQ(settings.ImportRAW.SfTot, 22050);
  EXPECT_EQ(window.caption, "Vorsel - " + path);
  EXPECT_EQ(window.proposed, path);
  EXPECT_EQ(RecentFiles1.FileName(1), path);
  EXPECT_EQ(files.BrannowInfo().URL, "https://example.org/");
  EXPECT_EQ(files.BrannowInfo().EMail, MakerAddresses().EMail);
}

TEST_F(SettingsFilesTest, AMissingFileResetsWhatAFileCanHold) {
  settings.Common.Naming = 3;
  settings.ExportWAV.Encoding = 0;
  settings.Common.CustomMask = "*.snd";
  const std::string path = env.dir / "none.vrs";
  files.LoadSettings(path);
  EXPECT_EQ(settings.Common.Naming, 0);
  EXPECT_EQ(settings.ExportWAV.Encoding, 3);
  EXPECT_EQ(settings.Common.CustomMask, "*.snd");
  EXPECT_EQ(RecentFiles1.FileName(1), path);
  EXPECT_EQ(window.caption, "Vorsel - " + path);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(SettingsFilesTest, AMalformedRealStopsTheLoadAtItsKeyAndSaysWhere) {
  settings.ImportAU.ViewLo = 0.5;
  const std::string path = env.dir / "bad.vrs";
  test::WriteFile(path,
                  "[Common]\r\nNaming=1\r\n[ImportWAV]\r\nViewLo=-2\r\nViewHi=1,5\r\n"
                  "[ImportAU]\r\nViewLo=5\r\n");
  try {
    files.LoadSettings(path);
    FAIL() << "the load should stop";
  } catch (const EConvertError& error) {
    EXPECT_EQ(std::string(error.what()),
              "'1,5' is not a valid floating point value (ImportWAV.ViewHi in " + path + ")");
  }
  EXPECT_EQ(settings.Common.Naming, 1);
  EXPECT_DOUBLE_EQ(settings.ImportWAV.ViewLo, -2);
  EXPECT_DOUBLE_EQ(settings.ImportAU.ViewLo, 0.5) << "keys after the bad one keep their values";
  EXPECT_EQ(window.repaints, 0);

  PutUser("ImportWAV", "RangeLo", "");
  try {
    files.LoadSettings("");
    FAIL() << "the load should stop";
  } catch (const EConvertError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot convert empty string to number (ImportWAV.RangeLo in the per-user store)");
  }
}

TEST_F(SettingsFilesTest, SavingIntoAnExistingFileKeepsItsOtherContent) {
  const std::string path = env.dir / "shared.ini";
  test::WriteFile(path,
                  "; kept\r\n[OtherProgram]\r\nWindow=max\r\n[Common]\r\nNaming=3\r\n"
                  "Mine=yes\r\n");
  files.SaveSettings(path);
  const std::string text = test::ReadFile(path);
  EXPECT_EQ(text.rfind("; kept\r\n[OtherProgram]\r\nWindow=max\r\n[Common]\r\nNaming=0\r\n"
                       "Mine=yes\r\nVersion=4.5\r\n",
                       0),
            0u);
  EXPECT_EQ(KeysOf(text).size(), 2u + 84u);
}

TEST_F(SettingsFilesTest, ASettingsFileAsWindowsWritesItLoads) {
  const std::string path = env.dir / "windows.vrs";
  test::WriteFile(
      path,
      "[Common]\r\nVersion=4.5\r\nNaming=2\r\nAppendString=_\xE9t\xE9\r\n"
      "[ImportRAW]\r\nSfTot=44100\r\nnChans=2\r\n[ExportRAW]\r\nExtension=.\xB5law\r\n");
  files.LoadSettings(path);
  EXPECT_EQ(settings.Common.AppendString, "_\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(settings.ExportRAW.Extension, ".\xC2\xB5law");
  EXPECT_EQ(settings.ImportRAW.nChans, 2);
  EXPECT_DOUBLE_EQ(settings.ImportRAW.SfTot, 44100);
}

TEST_F(SettingsFilesTest, AFailedSaveRaisesTheIniError) {
  const std::string path = env.dir / "no/folder/x.vrs";
  EXPECT_THROW(
      {
        try {
          files.SaveSettings(path);
        } catch (const EIniFileException& error) {
          EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
          throw;
        }
      },
      EIniFileException);
}

TEST_F(SettingsFilesTest, AMachineStoreThatCannotBeWrittenDoesNotSpoilASave) {
  test::WriteFile(env.dir / "blocked", "a file where a folder should be");
  env.Set("VORSEL_MACHINE_DIR", env.dir / "blocked");
  const std::string path = env.dir / "x.vrs";
  files.SaveSettings(path);
  EXPECT_EQ(KeysOf(test::ReadFile(path)).size(), 84u);
}

TEST_F(SettingsFilesTest, StartUpReadsTheTickTheStoreAndAVrsArgument) {
  PutUser("Common", "SaveSettingsOnExit", "0");
  PutUser("Common", "Naming", "1");
  const std::string path = env.dir / "Start.VRS";
  test::WriteFile(path, "[Common]\r\nAppendString=from file\r\n");
  const std::vector<std::string> arguments = {path, "ignored"};
  files.FormActivate(arguments);
  EXPECT_FALSE(window.alwaysSave);
  EXPECT_FALSE(settings.Common.SaveSettingsOnExit);
  EXPECT_EQ(settings.Common.AppendString, "from file");
  EXPECT_EQ(settings.Common.Naming, 0) << "the file's default replaced the store's value";
  EXPECT_EQ(window.caption, "Vorsel - " + path);

  settings.Common.AppendString = "changed";
  files.FormActivate(arguments);
  EXPECT_EQ(settings.Common.AppendString, "changed") << "only the first activation loads";
}

TEST_F(SettingsFilesTest, StartUpIgnoresArgumentsThatAreNoSettingsFile) {
  test::WriteFile(env.dir / "a.smp", "");
  fs::create_directories(env.dir / "dir.vrs");
  for (const std::string& argument :
       {env.dir / "a.smp", env.dir / "missing.vrs", env.dir / "dir.vrs", std::string()}) {
    ConversionSettings fresh;
    FakeSettingsWindow freshWindow;
    SettingsFiles(fresh, freshWindow, &RecentFiles1, boxes).FormActivate(std::vector{argument});
    EXPECT_EQ(freshWindow.caption, "Vorsel") << argument;
    EXPECT_TRUE(freshWindow.alwaysSave) << "the tick defaults to on";
  }
  const auto previous = fs::current_path();
  test::WriteFile(env.dir / "relative.vrs", "");
  fs::current_path(env.dir.path());
  files.FormActivate(std::vector<std::string>{"relative.vrs"});
  fs::current_path(previous);
  EXPECT_EQ(window.caption, "Vorsel - " + (env.dir / "relative.vrs"));
}

TEST_F(SettingsFilesTest, TheExitAndTickCommandsFollowTheTick) {
  files.FormActivate({});
  EXPECT_TRUE(window.alwaysSave);
  settings.Common.Naming = 2;
  files.FormClose();
  EXPECT_EQ(UserText("Naming"), "2");

  files.Always1Click();
  EXPECT_FALSE(window.alwaysSave);
  EXPECT_EQ(UserText("SaveSettingsOnExit"), "0");
  settings.Common.Naming = 3;
  files.FormClose();
  EXPECT_EQ(UserText("Naming"), "2");
  files.Always1Click();
  EXPECT_EQ(UserText("SaveSettingsOnExit"), "1");
}

TEST_F(SettingsFilesTest, TheFileCommandsGoThroughTheDialogsAndTheRecentList) {
  window.toOpen = std::nullopt;
  files.Openfile1Click();
  EXPECT_EQ(window.caption, "");

  const std::string path = env.dir / "chosen.vrs";
  window.toSave = path;
  settings.Common.Naming = 2;
  files.Saveasfile1Click();
  EXPECT_EQ(KeysOf(test::ReadFile(path)).size(), 84u);

  settings.Common.Naming = 0;
  window.toOpen = path;
  files.Openfile1Click();
  EXPECT_EQ(settings.Common.Naming, 2);

  settings.Common.Naming = 0;
  window.caption.clear();
  test::FakeMenuItem& firstEntry = settingsMenu.Child(1);
  EXPECT_EQ(firstEntry.Caption(), "&1 " + path);
  firstEntry.Click();
  EXPECT_EQ(settings.Common.Naming, 2);
  EXPECT_EQ(window.caption, "Vorsel - " + path);
}

TEST_F(SettingsFilesTest, AFileThatCannotBeLoadedIsRefusedAndChangesNothing) {
  const std::string binary = env.dir / "binary.vrs";
  test::WriteFile(binary, std::string("[Common]\r\nNaming=2\r\n\0\x01", 22));
  const std::string large = env.dir / "large.vrs";
  test::WriteFile(large, "[Common]\r\nNaming=2\r\n");
  fs::resize_file(large, kMaxSettingsFileBytes + 1);
  const std::string folder = env.dir / "folder.vrs";
  fs::create_directory(folder);
  for (const auto& [file, reason] : {std::pair{binary, " is not a text file"},
                                     std::pair{large, " is too large for a settings file"},
                                     std::pair{folder, " is not a file"}}) {
    boxes.shown.clear();
    window.toOpen = file;
    files.Openfile1Click();
    ASSERT_EQ(boxes.shown.size(), 1u) << file;
    EXPECT_EQ(boxes.shown[0].text, file + reason + ".\rThe settings were not loaded.");
    EXPECT_EQ(boxes.shown[0].caption, "Vorsel");
    EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
  }
  EXPECT_EQ(settings.Common.Naming, ConversionSettings().Common.Naming);
  EXPECT_EQ(window.caption, "");
  EXPECT_EQ(RecentFiles1.FileName(1), "") << "a refused file is not remembered";

  // The same check at start-up, for the first argument.
  boxes.shown.clear();
  files.FormActivate(std::vector{binary});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(window.caption, "Vorsel");

  // UTF-16 text is text, zero bytes and all.
  const std::string wide = env.dir / "wide.vrs";
  test::WriteFile(wide, std::string("\xFF\xFE[\0C\0]\0", 8));
  EXPECT_EQ(SettingsFileRefusal(wide), std::nullopt);
  EXPECT_EQ(SettingsFileRefusal(env.dir / "missing.vrs"), std::nullopt);
}

TEST_F(SettingsFilesTest, ADamagedUserStoreIsReportedOnceAndGivesTheDefaults) {
  fs::create_directories(fs::path(env.UserStoreFile()).parent_path());
  test::WriteFile(env.UserStoreFile(), std::string(8192, '\x5A'));
  files.FormActivate({});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, env.UserStoreFile() +
                                     " is damaged; the defaults are used; it "
                                     "was kept as " +
                                     env.UserStoreFile() + ".damaged");
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
  EXPECT_EQ(settings.Common.AppendString, "c");
  EXPECT_EQ(test::ReadFile(env.UserStoreFile() + ".damaged"), std::string(8192, '\x5A'));
  settings.Common.Naming = 2;
  files.Savenow1Click();
  EXPECT_EQ(UserText("Naming"), "2") << "a new store takes the save";
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(SettingsFilesTest, ALockedUserStoreIsReportedAndLeavesTheSettingsAsTheyAre) {
  env.Set("VORSEL_STORE_WAIT_MS", "300");
  PutUser("Common", "AppendString", "stored");
  settings.Common.AppendString = "mine";
  test::StoreLocker locker(env.UserStoreFile());
  ASSERT_TRUE(locker.Locked());
  const auto start = std::chrono::steady_clock::now();
  files.FormActivate({});
  files.Savenow1Click();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "one wait for the whole start and save";
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text,
            env.UserStoreFile() + " is locked by another program; the settings were not read");
  EXPECT_EQ(boxes.shown[1].text,
            env.UserStoreFile() + " is locked by another program; the settings were not saved");
  EXPECT_EQ(settings.Common.AppendString, "mine");
}

// The command-line tool starts from the defaults, the per-user store, a settings file, then
// the --set values, in that order.
class CliSettingsTest : public ::testing::Test {
 protected:
  CliSettingsTest() {
    // A mono 16-bit AU file of 8000 Hz, made an SMP file by the tool itself.
    std::string au = ".snd";
    for (const uint32_t word : {24u, 8u, 3u, 8000u, 1u}) {
      for (int shift = 24; shift >= 0; shift -= 8) {
        au += static_cast<char>((word >> shift) & 0xFF);
      }
    }
    au += std::string("\x10\x00\xF0\x00\x7F\xFF\x80\x00", 8);
    test::WriteFile(env.dir / "a.au", au);
    EXPECT_EQ(Run({"to-smp", env.dir / "a.au"}), kCliSuccess) << err;
  }

  int Run(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream outStream;
    std::ostringstream errStream;
    const int status = RunCommandLine(args, CliStreams{in, outStream, errStream, false, false});
    out = outStream.str();
    err = errStream.str();
    return status;
  }

  // The format tag of the WAV file the tool wrote: 1 linear, 6 A-law, 7 mu-law.
  int WavFormat() {
    const std::string wav = test::ReadFile(env.dir / "a.wav");
    fs::remove(env.dir / "a.wav");
    return wav.size() > 21 ? static_cast<unsigned char>(wav[20]) : -1;
  }

  test::StoreEnvironment env;
  std::string out, err;
  std::string smp = env.dir / "a.smp";
};

TEST_F(CliSettingsTest, ASettingsFileChoosesTheOptionsOfTheConversion) {
  ASSERT_EQ(Run({"to-wav", smp}), kCliSuccess) << err;
  EXPECT_EQ(WavFormat(), 1);
  // As Windows writes it: CR LF and Windows-1252 text.
  test::WriteFile(env.dir / "x.vrs",
                  "[Common]\r\nAppendString=\xE9\r\n[ExportWAV]\r\nEncoding=0\r\n");
  ASSERT_EQ(Run({"--settings", env.dir / "x.vrs", "to-wav", smp}), kCliSuccess) << err;
  EXPECT_EQ(WavFormat(), 7);
  EXPECT_FALSE(fs::exists(env.ConfigHome() + "/QuorvikData")) << "nothing is written anywhere";
}

TEST_F(CliSettingsTest, TheUserStoreComesFirstThenTheFileThenSet) {
  TIni().WriteString("ExportWAV", "Encoding", "1");
  ASSERT_EQ(Run({"to-wav", smp}), kCliSuccess) << err;
  EXPECT_EQ(WavFormat(), 1) << "without --user-settings the defaults hold";
  ASSERT_EQ(Run({"--user-settings", "to-wav", smp}), kCliSuccess) << err;
  EXPECT_EQ(WavFormat(), 6);

  test::WriteFile(env.dir / "y.vrs", "[ExportWAV]\r\nEncoding=0\r\n");
  ASSERT_EQ(Run({"--settings=y.vrs", "--user-settings", "to-wav", smp}), kCliUsageError)
      << "a relative name is taken against the current folder, which is elsewhere";
  const auto previous = fs::current_path();
  fs::current_path(env.dir.path());
  const int status = Run({"--settings=y.vrs", "--user-settings", "to-wav", smp});
  fs::current_path(previous);
  ASSERT_EQ(status, kCliSuccess) << err;
  EXPECT_EQ(WavFormat(), 7);
  ASSERT_EQ(Run({"--set", "ExportWAV.Encoding=3", "--settings", env.dir / "y.vrs", "to-wav", smp}),
            kCliSuccess);
  EXPECT_EQ(WavFormat(), 1);
}

TEST_F(CliSettingsTest, BadSettingsFilesStopBeforeConverting) {
  EXPECT_EQ(Run({"--settings", env.dir / "missing.vrs", "to-wav", smp}), kCliUsageError);
  EXPECT_NE(err.find("no such file"), std::string::npos) << err;
  EXPECT_EQ(Run({"--settings", "to-wav"}), kCliUsageError) << "to-wav taken as FILE";

  test::WriteFile(env.dir / "bad.vrs", "[ImportWAV]\r\nViewLo=low\r\n");
  EXPECT_EQ(Run({"--settings", env.dir / "bad.vrs", "to-wav", smp}), kCliWarned);
  EXPECT_EQ(err, "vorsel-cli: 'low' is not a valid floating point value (ImportWAV.ViewLo in " +
                     (env.dir / "bad.vrs") + ")\n");
  EXPECT_EQ(out, "");
  EXPECT_FALSE(fs::exists(env.dir / "a.wav"));
}

TEST(HeadlessSettingsWindow, StartsFromTheRecordAndSelectsOnlyExistingItems) {
  ConversionSettings settings;
  settings.Common.FileTypes = 3;
  settings.Common.Action = 1;
  HeadlessSettingsWindow window(settings);
  EXPECT_EQ(window.FilterIndex(), 3);
  EXPECT_EQ(window.ActionIndex(), 1);
  window.SelectFilter(11);
  EXPECT_EQ(window.FilterIndex(), -1);
  window.SelectAction(2);
  EXPECT_EQ(window.ActionIndex(), -1);
}

}  // namespace
}  // namespace vorsel
