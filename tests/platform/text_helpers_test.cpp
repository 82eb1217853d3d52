#include <gtest/gtest.h>

#include "platform/cp1252.h"
#include "platform/folders.h"
#include "platform/textcase.h"
#include "tests/platform/store_environment.h"

namespace vorsel {
namespace {

TEST(FoldCase, FoldsTheLettersOfEuropeanScripts) {
  EXPECT_EQ(FoldCase("ImportWAV"), "importwav");
  EXPECT_TRUE(
      EqualNoCase("\xC3\x84RGER \xC5\x81\xC3\x93"
                  "D\xC5\xB9",
                  "\xC3\xA4rger \xC5\x82\xC3\xB3"
                  "d\xC5\xBA"));
  EXPECT_TRUE(EqualNoCase("\xCE\xA3\xD0\x96", "\xCF\x83\xD0\xB6"));  // Greek sigma, Cyrillic zhe
  EXPECT_FALSE(EqualNoCase("\xC3\x97", "\xC3\xB7"));  // multiplication and division signs
  EXPECT_FALSE(EqualNoCase("a\xFF", "a\xFE")) << "malformed bytes stay apart";
}

TEST(Cp1252, ConvertsBothWaysAndKnowsItsLimits) {
  EXPECT_EQ(Cp1252ToUtf8("\x80\x9F\xE9\x81"), "\xE2\x82\xAC\xC5\xB8\xC3\xA9\xC2\x81");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC\xC5\xB8\xC3\xA9\xC2\x81"), "\x80\x9F\xE9\x81");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x86\x92"), std::nullopt);
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(byte)), byte) << b;
  }
  EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xEF\xBF\xBD"));
  EXPECT_FALSE(IsValidUtf8("M\xFCller"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
}

TEST(SystemFolders, FollowTheEnvironmentWithXdgFallbacks) {
  test::StoreEnvironment env;
  const Folders& folders = SystemFolders();
  EXPECT_EQ(folders.AppData(AppDataFolder::Roaming), env.ConfigHome());
  EXPECT_EQ(folders.AppData(AppDataFolder::Local), env.DataHome());
  EXPECT_EQ(folders.AppData(AppDataFolder::Common), env.CommonDir());
  EXPECT_EQ(folders.WindowsDirectory(), env.ConfigHome() + "/QuorvikData");

  env.Set("XDG_CONFIG_HOME", "");
  env.Set("XDG_DATA_HOME", std::nullopt);
  env.Set("VORSEL_COMMON_DIR", "common");
  EXPECT_EQ(folders.AppData(AppDataFolder::Roaming), (env.dir / "home") + "/.config");
  EXPECT_EQ(folders.AppData(AppDataFolder::Local), (env.dir / "home") + "/.local/share");
  EXPECT_EQ(folders.AppData(AppDataFolder::Common), "/var/lib");

  env.Set("HOME", std::nullopt);
  EXPECT_EQ(folders.AppData(AppDataFolder::Roaming), std::nullopt);
  EXPECT_EQ(folders.WindowsDirectory(), "");
}

TEST(ForceDirectories, CreatesEveryMissingParent) {
  test::TempDir dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
  test::WriteFile(dir / "file", "x");
  EXPECT_FALSE(ForceDirectories(dir / "file/d"));
  EXPECT_FALSE(ForceDirectories(""));
}

}  // namespace
}  // namespace vorsel
