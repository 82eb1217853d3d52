#include "platform/inifile.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  std::string Content() const { return test::ReadFile(path); }

  test::TempDir dir;
  std::string path = dir / "x.vrs";
};

TEST_F(IniFileTest, ReadsAsTheProfileFunctionsDo) {
  test::WriteFile(path,
                  "top=ignored\n"
                  "; comment=not a key\n"
                  "[ Common ]\n"
                  "  Naming = 2  \n"
                  "Quoted=\"  padded \"\n"
                  "Single='x'\n"
                  "Empty=\n"
                  "no equals sign\n"
                  "naming=second copy\n"
                  "[common]\n"
                  "Late=hidden behind the first section\n"
                  "[Other]\n"
                  "Naming=other\n");
  IniFile ini(path);
  EXPECT_EQ(ini.Read("COMMON", "NAMING"), "2");
  EXPECT_EQ(ini.Read("Common", "Quoted"), "  padded ");
  EXPECT_EQ(ini.Read("Common", "Single"), "x");
  EXPECT_EQ(ini.Read("Common", "Empty"), "");
  EXPECT_EQ(ini.Read("Common", "Missing"), std::nullopt);
  EXPECT_EQ(ini.Read("Common", "Late"), std::nullopt);
  EXPECT_EQ(ini.Read("Common", "comment"), std::nullopt);
  EXPECT_EQ(ini.Read("Other", "naming"), "other");
  EXPECT_EQ(ini.Read("Nowhere", "Naming"), std::nullopt);
  EXPECT_EQ(ini.SectionNames(), std::vector<std::string>({"Common", "Other"}));
  EXPECT_EQ(ini.KeyNames("common"),
            std::vector<std::string>({"Naming", "Quoted", "Single", "Empty"}));

  IniFile missing(dir / "none.ini");
  EXPECT_EQ(missing.Read("Common", "Naming"), std::nullopt);
  EXPECT_TRUE(missing.SectionNames().empty());
}

TEST_F(IniFileTest, AcceptsEveryLineEnd) {
  test::WriteFile(path, "[A]\r\nx=1\r\n[B]\ny=2\n[C]\rz=3\r[D]\r\nw=4");
  IniFile ini(path);
  EXPECT_EQ(ini.Read("A", "x"), "1");
  EXPECT_EQ(ini.Read("B", "y"), "2");
  EXPECT_EQ(ini.Read("C", "z"), "3");
  EXPECT_EQ(ini.Read("D", "w"), "4");
}

TEST_F(IniFileTest, AWriteReplacesInPlaceAndKeepsEveryOtherLine) {
  test::WriteFile(path,
                  "; settings of another program\n"
                  "[Foreign]\n"
                  "Key = kept   as it was\n"
                  "\n"
                  "[Common]\n"
                  "Naming=0\n"
                  "Append=c\n"
                  "; trailing comment\n"
                  "\n"
                  "[Tail]\n"
                  "t=1\n");
  IniFile ini(path);
  ini.Write("common", "NAMING", "3");
  ini.Write("Common", "Added", "new");
  ini.Write("Fresh", "k", "v");
  EXPECT_EQ(Content(),
            "; settings of another program\r\n"
            "[Foreign]\r\n"
            "Key = kept   as it was\r\n"
            "\r\n"
            "[Common]\r\n"
            "Naming=3\r\n"
            "Append=c\r\n"
            "Added=new\r\n"
            "; trailing comment\r\n"
            "\r\n"
            "[Tail]\r\n"
            "t=1\r\n"
            "[Fresh]\r\n"
            "k=v\r\n");
}

TEST_F(IniFileTest, CreatesTheFileAndKeepsValuesThatNeedQuotes) {
  IniFile ini(path);
  ini.Write("S", "padded", "  two blanks ");
  ini.Write("S", "quoted", "\"q\"");
  ini.Write("S", "plain", "a \"middle\" quote");
  EXPECT_EQ(Content(),
            "[S]\r\npadded=\"  two blanks \"\r\nquoted=\"\"q\"\"\r\nplain=a \"middle\" quote\r\n");
  IniFile again(path);
  EXPECT_EQ(again.Read("S", "padded"), "  two blanks ");
  EXPECT_EQ(again.Read("S", "quoted"), "\"q\"");
  EXPECT_EQ(again.Read("S", "plain"), "a \"middle\" quote");
}

TEST_F(IniFileTest, RefusesWhatALineCannotHoldAndLeavesTheFileAlone) {
  test::WriteFile(path, "[S]\r\nk=v\r\n");
  IniFile ini(path);
  EXPECT_THROW(ini.Write("S", "k", "two\nlines"), IniWriteError);
  EXPECT_THROW(ini.Write("S", "a=b", "v"), IniWriteError);
  EXPECT_THROW(ini.Write("S", "[k]", "v"), IniWriteError);
  EXPECT_THROW(ini.Write("S", "", "v"), IniWriteError);
  EXPECT_THROW(ini.Write("S]", "k", "v"), IniWriteError);
  EXPECT_THROW(ini.Write("S\r", "k", "v"), IniWriteError);
  EXPECT_EQ(Content(), "[S]\r\nk=v\r\n");
}

TEST_F(IniFileTest, WindowsTextLoadsAndKeepsItsCodePage) {
  // "Müller" and the euro sign in Windows-1252, as a Windows editor saves them.
  test::WriteFile(path, "[Common]\r\nAppendString=M\xFCller \x80\r\n[Other]\r\nx=\xE9t\xE9\r\n");
  IniFile ini(path);
  EXPECT_EQ(ini.Read("Common", "AppendString"), "M\xC3\xBCller \xE2\x82\xAC");
  ini.Write("Common", "Naming", "\xC3\xA4");  // "ä" exists in the code page
  EXPECT_EQ(Content(),
            "[Common]\r\nAppendString=M\xFCller \x80\r\nNaming=\xE4\r\n[Other]\r\nx=\xE9t\xE9\r\n");
  ini.Write("Common", "Naming", "\xE2\x86\x92");  // an arrow does not: the file turns UTF-8
  EXPECT_EQ(Content(),
            "[Common]\r\nAppendString=M\xC3\xBCller \xE2\x82\xAC\r\nNaming=\xE2\x86\x92\r\n"
            "[Other]\r\nx=\xC3\xA9t\xC3\xA9\r\n");
  EXPECT_EQ(IniFile(path).Read("Other", "x"), "\xC3\xA9t\xC3\xA9");
}

TEST_F(IniFileTest, KeepsAByteOrderMarkAndReadsUtf16) {
  test::WriteFile(path, "\xEF\xBB\xBF[S]\nk=\xC3\xA9\n");
  IniFile utf8(path);
  EXPECT_EQ(utf8.Read("S", "k"), "\xC3\xA9");
  utf8.Write("S", "n", "1");
  EXPECT_EQ(Content(), "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\nn=1\r\n");

  const auto utf16 = [](std::string_view latin1) {
    std::string out = "\xFF\xFE";
    for (const char c : latin1) {
      out += c;
      out += '\0';
    }
    return out;
  };
  const std::string wide = dir / "wide.ini";
  test::WriteFile(wide, utf16("[S]\r\nk=\xE9"));
  IniFile unicode(wide);
  EXPECT_EQ(unicode.Read("s", "K"), "\xC3\xA9");
  unicode.Write("S", "k", "x");
  EXPECT_EQ(test::ReadFile(wide), utf16("[S]\r\nk=x\r\n"));
}

TEST_F(IniFileTest, EraseSectionAndDeleteKeyTakeEveryCopy) {
  test::WriteFile(path, "[A]\nk=1\nK=2\nj=3\n[B]\nb=1\n[a]\nk=4\n");
  IniFile ini(path);
  ini.DeleteKey("a", "k");
  EXPECT_EQ(ini.KeyNames("A"), std::vector<std::string>({"j"}));
  ini.EraseSection("A");
  EXPECT_EQ(ini.SectionNames(), std::vector<std::string>({"B"}));
  EXPECT_EQ(ini.Read("A", "k"), std::nullopt);
  EXPECT_EQ(Content(), "[B]\r\nb=1\r\n");
  ini.EraseSection("Missing");
  ini.DeleteKey("Missing", "k");
  EXPECT_EQ(Content(), "[B]\r\nb=1\r\n");
}

TEST_F(IniFileTest, ReplacesTheFileAtomicallyKeepingItsModeAndLinks) {
  test::WriteFile(path, "[S]\nk=1\n");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const std::string link = dir / "link.vrs";
  fs::create_symlink(path, link);

  IniFile viaLink(link);
  viaLink.Write("S", "k", "2");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_NE(st.st_ino, before.st_ino) << "a new file was renamed into place";
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Content(), "[S]\r\nk=2\r\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2) << "no file is left beside the settings file";
}

TEST_F(IniFileTest, AFailedWriteLeavesNothingBehind) {
  IniFile ini(dir / "no/such/folder/x.vrs");
  EXPECT_THROW(ini.Write("S", "k", "v"), IniWriteError);
  EXPECT_FALSE(fs::exists(dir / "no"));
  EXPECT_EQ(ini.Read("S", "k"), std::nullopt) << "the refused change is forgotten";

  // A file too large to be a settings file is neither read nor replaced.
  const std::string huge = dir / "huge.ini";
  test::WriteFile(huge, "[S]\nk=v\n");
  fs::resize_file(huge, 65 * 1024 * 1024);
  IniFile big(huge);
  EXPECT_EQ(big.Read("S", "k"), std::nullopt);
  EXPECT_THROW(big.Write("S", "k", "w"), IniWriteError);
  EXPECT_EQ(fs::file_size(huge), 65u * 1024 * 1024);
}

TEST_F(IniFileTest, SeesWritesOfOthersAndDefersWhenAsked) {
  IniFile reader(path);
  EXPECT_EQ(reader.Read("S", "k"), std::nullopt);
  IniFile(path).Write("S", "k", "1");
  EXPECT_EQ(reader.Read("S", "k"), "1");

  IniFile deferred(path);
  deferred.SetDeferred(true);
  deferred.Write("S", "k", "2");
  deferred.Write("S", "j", "3");
  EXPECT_EQ(deferred.Read("S", "k"), "2");
  EXPECT_EQ(reader.Read("S", "k"), "1") << "nothing reached the file yet";
  IniFile(path).Write("T", "other", "x");  // another writer meanwhile
  deferred.Flush();
  EXPECT_EQ(reader.Read("S", "k"), "2");
  EXPECT_EQ(reader.Read("S", "j"), "3");
  EXPECT_EQ(reader.Read("T", "other"), "x") << "the flush merged into the current file";
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceLoseNoKey) {
  constexpr int kKeysPerProcess = 60;
  std::vector<pid_t> children;
  for (int process = 0; process < 2; ++process) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        IniFile ini(path);
        for (int i = 0; i < kKeysPerProcess; ++i) {
          ini.Write("Shared", "p" + std::to_string(process) + "-" + std::to_string(i),
                    std::to_string(i));
        }
      } catch (const std::exception&) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(IniFile(path).KeyNames("Shared").size(), 2u * kKeysPerProcess);
}

}  // namespace
}  // namespace vorsel
