#include "kit/sabout.h"

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <variant>

#include <gtest/gtest.h>

#include "kit/sini.h"
#include "platform/folders.h"
#include "platform/keystore.h"
#include "tests/platform/store_environment.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCommandKey = "\\vrs.Document\\shell\\Open\\command";

class TFileAssociateTest : public ::testing::Test {
 protected:
  TFileAssociateTest() {
    env.Set("XDG_DATA_DIRS", env.dir / "system");
    Program(env.dir / "bin/vorsel");
    ProbeRegistryRoot();
  }
  ~TFileAssociateTest() override { ProbeRegistryRoot(); }

  // Makes `path` the running program's file.
  std::string Program(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    test::WriteFile(path, "");
    SetProgramFileName(path);
    return path;
  }

  // FileAssociate1 as the main window places it, loaded.
  std::unique_ptr<TFileAssociate> Start() {
    auto associate = std::make_unique<TFileAssociate>();
    associate->SetExtension(".vrs");
    associate->SetDescription("Vorsel settings");
    associate->SetAction("Open");
    associate->SetAutoCheck(true);
    associate->SetAutoRegister(true);
    associate->Loaded();
    return associate;
  }

  std::string Default(const std::string& key) {
    const auto value = OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT)->ReadValue(key, "");
    return value ? std::get<std::string>(*value) : "<missing>";
  }
  void SetDefault(const std::string& key, const std::string& value) {
    OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT)->WriteValue(key, "", value);
  }

  std::string Entry() const { return env.DataHome() + "/applications/vorsel.desktop"; }
  std::string Package() const {
    return env.DataHome() + "/mime/packages/application-x-vorsel-settings.xml";
  }
  std::string MimeApps() const { return env.ConfigHome() + "/mimeapps.list"; }

  // Every file below the scratch folder with its size and time of last change.
  std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Snapshot() const {
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(env.dir.path())) {
      if (entry.is_regular_file()) {
        files[entry.path().string()] = {entry.file_size(), entry.last_write_time()};
      }
    }
    return files;
  }

  test::StoreEnvironment env;
};

TEST(CommandProgramPart, QuotesAreOptionalAndTheArgumentIsDropped) {
  EXPECT_EQ(CommandProgramPart("\"C:\\Programs\\Vorsel.exe\" \"%1\""), "C:\\Programs\\Vorsel.exe");
  EXPECT_EQ(CommandProgramPart("  C:\\Programs\\Vorsel.exe %1 "), "C:\\Programs\\Vorsel.exe");
  EXPECT_EQ(CommandProgramPart("\"/opt/my suite/vorsel\" \"%1\""), "/opt/my suite/vorsel");
  EXPECT_EQ(CommandProgramPart("/opt/a\"b c\"d %1"), "/opt/ab c");
  EXPECT_EQ(CommandProgramPart(""), "");
}

TEST_F(TFileAssociateTest, FirstStartRegistersTheTypeInBothRegistries) {
  const std::string program = env.dir / "bin/vorsel";
  const auto associate = Start();
  EXPECT_EQ(associate->TypeName(), "vrs.Document");
  EXPECT_EQ(associate->RegisteredApp(), program);
  EXPECT_EQ(Default("\\.vrs"), "vrs.Document");
  EXPECT_EQ(Default("\\vrs.Document"), "Vorsel settings");
  EXPECT_EQ(Default(kCommandKey), "\"" + program + "\" \"%1\"");

  const std::string package = test::ReadFile(Package());
  EXPECT_NE(package.find("<mime-type type=\"application/x-vorsel-settings\">"), std::string::npos);
  EXPECT_NE(package.find("<comment>Vorsel settings</comment>"), std::string::npos);
  EXPECT_NE(package.find("<glob pattern=\"*.vrs\"/>"), std::string::npos);
  const std::string entry = test::ReadFile(Entry());
  EXPECT_NE(entry.find("\nExec=" + program + " %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=application/x-vorsel-settings;\n"), std::string::npos);
  EXPECT_NE(entry.find("\nName=Vorsel\n"), std::string::npos);
  EXPECT_EQ(test::ReadFile(MimeApps()),
            "[Default Applications]\napplication/x-vorsel-settings=vorsel.desktop;\n");
  if (access("/usr/bin/update-mime-database", X_OK) == 0) {
    EXPECT_NE(
        test::ReadFile(env.DataHome() + "/mime/globs2").find("application/x-vorsel-settings:*.vrs"),
        std::string::npos)
        << "the desktop's type cache was rebuilt";
  }
}

TEST_F(TFileAssociateTest, SecondStartWritesNothing) {
  Start();
  const auto before = Snapshot();
  const auto associate = Start();
  EXPECT_TRUE(associate->RegisteredToMe());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(TFileAssociateTest, StartFromACopyElsewhereTakesTheRegistrationOver) {
  Start();
  const std::string copy = Program(env.dir / "copy/vorsel");
  Start();
  EXPECT_EQ(Default(kCommandKey), "\"" + copy + "\" \"%1\"");
  EXPECT_NE(test::ReadFile(Entry()).find("\nExec=" + copy + " %f\n"), std::string::npos);
}

TEST_F(TFileAssociateTest, AnotherProgramsTypeIsAdoptedAndItsOtherSettingsKept) {
  SetDefault("\\.vrs", "OtherType");
  SetDefault("\\OtherType", "Other settings");
  SetDefault("\\OtherType\\shell\\Open\\command", "\"/usr/bin/other\" \"%1\"");
  fs::create_directories(env.ConfigHome());
  test::WriteFile(MimeApps(),
                  "[Added Associations]\r\ntext/plain=gedit.desktop;\r\n\r\n"
                  "[Default Applications]\n"
                  "text/plain=gedit.desktop;\n"
                  "application/x-vorsel-settings = other.desktop;\n"
                  "image/png=viewer.desktop;\n"
                  "\n"
                  "# the end");
  const auto associate = Start();
  EXPECT_EQ(associate->TypeName(), "OtherType");
  EXPECT_EQ(associate->Description(), "Other settings");
  EXPECT_EQ(associate->MimeType(), "application/x-vorsel-settings");
  EXPECT_EQ(Default("\\OtherType\\shell\\Open\\command"),
            "\"" + env.dir / "bin/vorsel" + "\" \"%1\"");
  EXPECT_EQ(Default("\\.vrs"), "OtherType");
  EXPECT_EQ(Default(kCommandKey), "<missing>");
  EXPECT_EQ(test::ReadFile(MimeApps()),
            "[Added Associations]\r\ntext/plain=gedit.desktop;\r\n\r\n"
            "[Default Applications]\n"
            "text/plain=gedit.desktop;\n"
            "application/x-vorsel-settings=vorsel.desktop;\n"
            "image/png=viewer.desktop;\n"
            "\n"
            "# the end\n");
}

TEST_F(TFileAssociateTest, ProgramNamesCompareInAnyCaseWithOrWithoutQuotes) {
  SetProgramFileName("C:\\Programs\\Vorsel.exe");
  SetDefault("\\.vrs", "vrs.Document");
  SetDefault(kCommandKey, "c:\\PROGRAMS\\vorsel.EXE %1");
  TFileAssociate associate;
  associate.SetExtension(".vrs");
  EXPECT_TRUE(associate.RegisteredToMe());
  EXPECT_EQ(associate.RegisteredApp(), "c:\\PROGRAMS\\vorsel.EXE");
  SetDefault(kCommandKey, "\"c:\\PROGRAMS\\other.EXE\" \"%1\"");
  EXPECT_FALSE(associate.RegisteredToMe());
}

TEST_F(TFileAssociateTest, AnInstalledEntryOfThisProgramIsNotShadowed) {
  const std::string program = env.dir / "bin/vorsel";
  fs::create_directories(env.dir / "system/applications");
  test::WriteFile(env.dir / "system/applications/vorsel.desktop",
                  "[Desktop Entry]\nType=Application\nName=Vorsel\nExec=" + program + " %f\n");
  Start();
  EXPECT_EQ(Default(kCommandKey), "\"" + program + "\" \"%1\"");
  EXPECT_FALSE(fs::exists(Entry()));
  EXPECT_FALSE(fs::exists(Package()));
  EXPECT_EQ(test::ReadFile(MimeApps()),
            "[Default Applications]\napplication/x-vorsel-settings=vorsel.desktop;\n");
}

TEST_F(TFileAssociateTest, NothingIsRegisteredWhenTheClassesStoreCannotBeWritten) {
  test::WriteFile(env.dir / "plain", "");
  env.Set("XDG_DATA_HOME", env.dir / "plain" + "/data");
  ProbeRegistryRoot();
  ASSERT_EQ(ProbedRegistryRoot(), RegistryRoot::HKEY_CURRENT_USER);
  const auto associate = Start();
  EXPECT_EQ(associate->TypeName(), "vrs.Document");
  EXPECT_FALSE(fs::exists(MimeApps()));
}

TEST_F(TFileAssociateTest, MissingNamesAreMadeFromTheExtension) {
  for (const auto& [extension, type, description] :
       {std::tuple{"", "Unknown.Document", "Unknown file"},
        std::tuple{".", "Unknown.Document", "Unknown file"},
        std::tuple{".vrs", "vrs.Document", "vrs file"}}) {
    TFileAssociate associate;
    associate.SetExtension(extension);
    associate.SetAutoCheck(false);
    associate.Loaded();
    EXPECT_EQ(associate.TypeName(), type);
    EXPECT_EQ(associate.Description(), description);
  }
  EXPECT_FALSE(fs::exists(MimeApps())) << "without AutoCheck nothing is registered";
}

TEST_F(TFileAssociateTest, RegisteringWithoutAnActionIsRefused) {
  TFileAssociate associate;
  associate.SetExtension(".vrs");
  associate.SetAction("");
  associate.SetAutoCheck(false);
  associate.Loaded();
  try {
    associate.RegisterToMe();
    FAIL() << "no EFileAssociateError";
  } catch (const EFileAssociateError& error) {
    EXPECT_STREQ(error.what(), "Cannot register action \"\" on file type \"vrs.Document\"");
  }
}

}  // namespace
}  // namespace vorsel
