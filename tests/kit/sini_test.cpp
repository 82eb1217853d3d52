#include "kit/sini.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/dotnum.h"
#include "platform/folders.h"
#include "tests/platform/store_environment.h"

namespace vorsel {
namespace {

using test::StoreEnvironment;

std::optional<StoreValue> UserValue(const std::string& key, const std::string& name) {
  return OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->ReadValue(key, name);
}

std::optional<StoreValue> MachineValue(const std::string& key, const std::string& name) {
  return OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE)->ReadValue(key, name);
}

template <typename F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

TEST(ExeBase, CutsBeforeTheFirstDotOfTheFileName) {
  EXPECT_EQ(ExeBase("Vorsel.exe"), "Vorsel");
  EXPECT_EQ(ExeBase("C:\\Programs\\a.b.exe"), "a");
  EXPECT_EQ(ExeBase("/usr/lib/my.suite/vorsel"), "vorsel");
  EXPECT_EQ(ExeBase("vorsel"), "vorsel");
  EXPECT_EQ(ExeBase(".hidden"), "");
}

TEST(TIniRegistryKey, ComesFromTheProgramFileName) {
  StoreEnvironment env;
  SetProgramFileName("C:\\Programs\\Vorsel.exe");
  TIni("").WriteString("Common", "Naming", "2");
  EXPECT_EQ(UserValue("SoftWare\\QuorvikData\\Vorsel\\Common", "Naming"),
            StoreValue(std::string("2")));

  SetProgramFileName("/opt/a.b.exe");
  TIni().WriteInteger("Common", "Naming", 3);
  EXPECT_EQ(UserValue("SoftWare\\QuorvikData\\a\\Common", "Naming"), StoreValue(std::string("3")));
  EXPECT_EQ(TIni().ffilename(), "");
}

TEST(TIniRegistryKey, EachClassHasItsOwnKey) {
  StoreEnvironment env;
  TQuorvikMachineIni("", false).WriteString("S", "k", "quorvik");
  TBrannowMachineIni("", false).WriteString("BrannowInfo", "URL", "brannow");
  TDravelIni().WriteInteger("ErrorLog", "Enabled", 1);
  EXPECT_EQ(MachineValue("SoftWare\\QuorvikData\\vorsel\\S", "k"),
            StoreValue(std::string("quorvik")));
  EXPECT_EQ(MachineValue("SoftWare\\Brannow\\vorsel\\BrannowInfo", "URL"),
            StoreValue(std::string("brannow")));
  EXPECT_EQ(UserValue("SoftWare\\QuorvikData\\Dravel\\ErrorLog", "Enabled"),
            StoreValue(std::string("1")));
  EXPECT_EQ(TBrannowMachineIni("", true).ReadString("BrannowInfo", "URL", ""), "brannow");
}

// The value encodings are the same in both modes.
class TIniModes : public ::testing::TestWithParam<bool> {
 protected:
  bool FileMode() const { return GetParam(); }
  std::unique_ptr<TIni> Open() {
    return std::make_unique<TIni>(FileMode() ? env.dir / "settings.vrs" : "");
  }
  // Places a raw text as another program or an administrator would.
  void PutText(const std::string& section, const std::string& key, const std::string& text) {
    Open()->WriteString(section, key, text);
  }

  StoreEnvironment env;
};

INSTANTIATE_TEST_SUITE_P(FileAndRegistry, TIniModes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "File" : "Registry"; });

TEST_P(TIniModes, WritesRealsAsGeneralNumberText) {
  auto ini = Open();
  const std::pair<double, const char*> cases[] = {
      {0.0001, "0.0001"}, {0.00001, "1E-5"},
      {1e15, "1E15"},     {999999999999999.0, "999999999999999"},
      {-32768, "-32768"}, {1.5e-7, "1.5E-7"},
      {0, "0"},
  };
  for (const auto& [value, text] : cases) {
    ini->WriteFloat("ImportWAV", "ViewLo", value);
    EXPECT_EQ(ini->ReadString("ImportWAV", "ViewLo", "?"), text);
    EXPECT_DOUBLE_EQ(ini->ReadFloat("ImportWAV", "ViewLo", 99), value);
  }
  ini->WriteInteger("S", "i", -32768);
  ini->WriteBool("S", "t", true);
  ini->WriteBool("S", "f", false);
  EXPECT_EQ(ini->ReadString("S", "i", ""), "-32768");
  EXPECT_EQ(ini->ReadString("S", "t", ""), "1");
  EXPECT_EQ(ini->ReadString("S", "f", ""), "0");
}

TEST_P(TIniModes, RealsThatAreEmptyOrMalformedRaiseAndMissingOnesGiveTheDefault) {
  PutText("ImportWAV", "ViewLo", "");
  PutText("ImportWAV", "ViewHi", "1,5");
  auto ini = Open();
  EXPECT_EQ(MessageOf([&] { ini->ReadFloat("ImportWAV", "ViewLo", 1); }),
            "Cannot convert empty string to number");
  EXPECT_EQ(MessageOf([&] { ini->ReadFloat("ImportWAV", "ViewHi", 1); }),
            "'1,5' is not a valid floating point value");
  EXPECT_THROW(ini->ReadFloat("ImportWAV", "ViewHi", 1), EConvertError);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("ImportWAV", "Missing", -0.25), -0.25);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("NoSection", "ViewLo", 1e20), 1e20);
}

TEST_P(TIniModes, IntegersAndBooleansFallBackToTheDefault) {
  PutText("S", "two", "2");
  PutText("S", "trailing", "12abc");
  PutText("S", "hex", "0x1F");
  PutText("S", "bare", "0x");
  PutText("S", "negative", "-7");
  auto ini = Open();
  EXPECT_TRUE(ini->ReadBool("S", "two", false));
  EXPECT_TRUE(ini->ReadBool("S", "negative", false));
  EXPECT_FALSE(ini->ReadBool("S", "missing", false));
  EXPECT_TRUE(ini->ReadBool("S", "missing", true));
  EXPECT_TRUE(ini->ReadBool("S", "trailing", true));
  EXPECT_EQ(ini->ReadInteger("S", "trailing", 5), 5);
  EXPECT_EQ(ini->ReadInteger("S", "hex", 5), FileMode() ? 31 : 5);
  EXPECT_EQ(ini->ReadInteger("S", "bare", 5), 5);
  EXPECT_EQ(ini->ReadInteger("S", "negative", 5), -7);
  EXPECT_EQ(ini->ReadInteger("S", "missing", -1), -1);
}

TEST_P(TIniModes, StringsReadTheStoredTextOrTheDefault) {
  PutText("S", "empty", "");
  auto ini = Open();
  EXPECT_EQ(ini->ReadString("S", "empty", "default"), "");
  EXPECT_EQ(ini->ReadString("S", "missing", "default"), "default");
  EXPECT_EQ(ini->ReadString("S", "missing", ""), "");
  const std::string longText(3000, 'x');
  ini->WriteString("S", "long", longText);
  EXPECT_EQ(ini->ReadString("S", "long", "").size(), FileMode() ? 2047u : 3000u);
}

TEST_P(TIniModes, FontsAreSevenValuesInTheirOrder) {
  auto ini = Open();
  const TFont written{"Courier New", 10, 0x0000FF, true, false, true, false};
  ini->WriteFont("Fonts", "Memo", written);
  std::vector<std::string> keys;
  ini->ReadSection("Fonts", keys);
  EXPECT_EQ(keys, std::vector<std::string>({"MemoName", "MemoSize", "MemoColor", "MemoBold",
                                            "MemoItalics", "MemoUnderline", "MemoStrikeout"}));
  TFont read{"Arial", 8, 0x123456, false, true, false, true};
  EXPECT_EQ(&ini->ReadFont("Fonts", "Memo", read), &read);
  EXPECT_EQ(read, written);

  TFont untouched{"Arial", 8, 0x123456, true, true, true, true};
  ini->ReadFont("Fonts", "Missing", untouched);
  EXPECT_EQ(untouched, (TFont{"Arial", 8, 0, false, false, false, false}));
}

TEST_P(TIniModes, SectionsCanBeListedErasedAndTrimmed) {
  auto ini = Open();
  ini->WriteString("Common", "Naming", "1");
  ini->WriteString("Common", "AppendString", "c");
  ini->WriteString("ImportWAV", "Unit", "V");
  std::vector<std::string> names;
  ini->ReadSections(names);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, std::vector<std::string>({"Common", "ImportWAV"}));
  ini->ReadSectionValues("common", names);
  EXPECT_EQ(names, std::vector<std::string>({"Naming=1", "AppendString=c"}));

  ini->DeleteKey("COMMON", "naming");
  ini->ReadSection("Common", names);
  EXPECT_EQ(names, std::vector<std::string>({"AppendString"}));
  ini->EraseSection("importwav");
  ini->ReadSections(names);
  EXPECT_EQ(names, std::vector<std::string>({"Common"}));
  EXPECT_EQ(Open()->ReadString("ImportWAV", "Unit", "gone"), "gone");
}

TEST_P(TIniModes, HeldWritesReachTheStoreTogether) {
  {
    auto ini = Open();
    ini->BeginUpdate();
    ini->WriteString("Common", "Naming", "1");
    ini->WriteInteger("Common", "Action", 1);
    EXPECT_EQ(ini->ReadInteger("Common", "Naming", 0), 1);
    EXPECT_EQ(Open()->ReadString("Common", "Naming", "none"), "none");
    ini->UpdateFile();
    EXPECT_EQ(Open()->ReadInteger("Common", "Action", 0), 1);
    ini->BeginUpdate();
    ini->WriteString("Common", "Naming", "2");
  }
  EXPECT_EQ(Open()->ReadString("Common", "Naming", "none"), "2") << "stored when the object went";
}

TEST(TIniFileMode, AFailedWriteNamesTheFile) {
  StoreEnvironment env;
  const std::string name = env.dir / "missing-folder/x.vrs";
  TIni ini(name);
  EXPECT_EQ(ini.ffilename(), name);
  EXPECT_EQ(MessageOf([&] { ini.WriteString("Common", "Naming", "1"); }),
            "Unable to write to " + name);
  EXPECT_THROW(ini.WriteBool("Common", "Naming", true), EIniFileException);
  EXPECT_EQ(ini.ReadString("Common", "Naming", "default"), "default");

  ini.BeginUpdate();
  ini.WriteString("Common", "Naming", "1");
  EXPECT_EQ(MessageOf([&] { ini.UpdateFile(); }), "Unable to write to " + name);
}

TEST(TIniFileMode, ANameWithoutFolderLiesInTheWindowsDirectory) {
  StoreEnvironment env;
  std::filesystem::create_directories(SystemFolders().WindowsDirectory());
  TIni("plain.ini").WriteString("S", "k", "v");
  EXPECT_EQ(test::ReadFile(SystemFolders().WindowsDirectory() + "/plain.ini"), "[S]\r\nk=v\r\n");
}

TEST(TIniRegistryMode, FailuresUseTheStoreTexts) {
  StoreEnvironment env;
  TQuorvikMachineIni readOnly("", true);
  EXPECT_EQ(MessageOf([&] { readOnly.WriteString("Common", "Naming", "1"); }),
            "Failed to create key Common");
  EXPECT_THROW(readOnly.EraseSection("Common"), ERegistryException);
  EXPECT_EQ(readOnly.ReadInteger("Common", "Naming", 4), 4);

  // A machine store that cannot be created: reads give defaults, writes raise.
  test::WriteFile(env.dir / "blocked", "a file where a folder should be");
  env.Set("VORSEL_MACHINE_DIR", env.dir / "blocked");
  TBrannowMachineIni blocked("", false);
  EXPECT_EQ(blocked.ReadString("BrannowInfo", "URL", "default"), "default");
  EXPECT_EQ(MessageOf([&] { blocked.WriteString("BrannowInfo", "URL", "x"); }),
            "Failed to create key BrannowInfo");

  OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)
      ->WriteValue("SoftWare\\QuorvikData\\vorsel\\Common", "Naming", int32_t{2});
  TIni user;
  EXPECT_EQ(MessageOf([&] { user.ReadString("Common", "Naming", ""); }),
            "Invalid data type for 'Naming'");
  EXPECT_THROW(user.ReadInteger("Common", "Naming", 0), ERegistryException);
  std::vector<std::string> lines;
  user.ReadSectionValues("Common", lines);
  EXPECT_EQ(lines, std::vector<std::string>({"Naming=2"}));
}

TEST(TDravelIni, ReadFontKeepsTheColourWhenNoneIsStored) {
  StoreEnvironment env;
  TDravelIni ini;
  ini.WriteString("ErrorLog", "FontName", "Consolas");
  TFont font{"Arial", 9, 0x00FF00, true, false, false, false};
  ini.ReadFont("ErrorLog", "Font", font);
  EXPECT_EQ(font, (TFont{"Consolas", 9, 0x00FF00, false, false, false, false}));
  ini.WriteInteger("ErrorLog", "FontColor", 0x0000FF);
  ini.ReadFont("ErrorLog", "Font", font);
  EXPECT_EQ(font.Color, 0x0000FF);
}

TEST(KitDebugMode, IsTheIntegerDebugModeOfTheKitsKey) {
  StoreEnvironment env;
  EXPECT_FALSE(KitDebugMode());
  auto store = OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER);
  store->WriteValue("Software\\QuorvikData\\Dravel", "DebugMode", std::string("1"));
  EXPECT_FALSE(KitDebugMode()) << "a text is unreadable, so off";
  store->WriteValue("Software\\QuorvikData\\Dravel", "debugmode", int32_t{1});
  EXPECT_TRUE(KitDebugMode());
  store->WriteValue("Software\\QuorvikData\\Dravel", "DebugMode", int32_t{0});
  EXPECT_FALSE(KitDebugMode());
}

TEST(RegistryRootProbe, KeepsTheClassesRootWhenItCanBeWritten) {
  StoreEnvironment env;
  ProbeRegistryRoot();
  EXPECT_EQ(ProbedRegistryRoot(), RegistryRoot::HKEY_CLASSES_ROOT);
  auto classes = OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT);
  EXPECT_TRUE(classes->KeyExists("Software"));
  EXPECT_FALSE(classes->KeyExists("Software\\QuorvikXII13425843592"));
}

TEST(RegistryRootProbe, FallsBackToTheUserWithoutWriteAccess) {
  StoreEnvironment env;
  test::WriteFile(env.dir / "blocked", "a file where a folder should be");
  env.Set("XDG_DATA_HOME", env.dir / "blocked");
  ProbeRegistryRoot();
  EXPECT_EQ(ProbedRegistryRoot(), RegistryRoot::HKEY_CURRENT_USER);
}

}  // namespace
}  // namespace vorsel
