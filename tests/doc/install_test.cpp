// The installed layout: what cmake --install (or the unpacked Debian package) puts where the
// desktop, man and the help menu look, and the installed programs running from there.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kit/chlpmenu.h"
#include "kit/sfileassociate.h"
#include "platform/folders.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct CommandResult {
  int status = -1;
  std::string out;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    return run;
  }
  std::array<char, 4096> buffer{};
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    run.out.append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// The tree under test: an unpacked package when VORSEL_INSTALLED_ROOT names one, else this
// build installed afresh, with the prefix a package uses, into a scratch DESTDIR of this
// process (the tests of this file run side by side).
class InstalledTree {
 public:
  InstalledTree() {
    if (const char* given = std::getenv("VORSEL_INSTALLED_ROOT"); given && *given) {
      root_ = given;
      return;
    }
    scratch_ = fs::path(VORSEL_INSTALL_SCRATCH) / std::to_string(getpid());
    fs::remove_all(scratch_);
    const CommandResult install = RunCommand("DESTDIR=" + Quoted(scratch_) + " cmake --install " +
                                             Quoted(VORSEL_BUILD_DIR) + " --prefix /usr");
    EXPECT_EQ(install.status, 0) << install.out;
    root_ = scratch_;
  }
  ~InstalledTree() {
    if (!scratch_.empty()) {
      std::error_code error;
      fs::remove_all(scratch_, error);
    }
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
  fs::path scratch_;
};

const fs::path& Root() {
  static const InstalledTree tree;
  return tree.root();
}

const fs::path kUsr = "usr";

TEST(InstalledLayout, HoldsEveryFileInItsPlace) {
  const std::vector<fs::path> files = {
      "bin/vorsel",
      "bin/vorsel-cli",
      "share/applications/vorsel.desktop",
      "share/mime/packages/vorsel.xml",
      "share/icons/hicolor/16x16/apps/vorsel.png",
      "share/icons/hicolor/32x32/apps/vorsel.png",
      "share/icons/hicolor/48x48/apps/vorsel.png",
      "share/icons/hicolor/256x256/apps/vorsel.png",
      "share/icons/hicolor/scalable/apps/vorsel.svg",
      "share/doc/vorsel/vorsel.html",
      "share/doc/vorsel/copyright",
      "share/doc/vorsel/changelog.gz",
      "share/man/man1/vorsel.1.gz",
      "share/man/man1/vorsel-cli.1.gz",
  };
  for (const fs::path& file : files) {
    EXPECT_TRUE(fs::is_regular_file(Root() / kUsr / file)) << file;
  }
  for (const char* program : {"bin/vorsel", "bin/vorsel-cli"}) {
    EXPECT_EQ(access((Root() / kUsr / program).c_str(), X_OK), 0) << program;
  }
}

TEST(InstalledLayout, TheManualComesWithEveryPictureItShows) {
  const fs::path doc = Root() / kUsr / "share/doc/vorsel";
  const std::string page = ReadText(doc / "vorsel.html");
  const std::regex image(R"re(<img\s[^>]*src="([^"]+)")re");
  int pictures = 0;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), image);
       it != std::sregex_iterator(); ++it) {
    ++pictures;
    EXPECT_TRUE(fs::is_regular_file(doc / (*it)[1].str())) << (*it)[1].str();
  }
  EXPECT_GT(pictures, 3);
}

TEST(InstalledLayout, TheHelpMenuFindsTheInstalledManual) {
  test::StoreEnvironment store;
  SetProgramFileName((Root() / kUsr / "bin/vorsel").string());
  test::FakeMessageBoxes boxes;
  struct NoOpener : Opener {
    bool OpenDocument(const std::string&) override { return false; }
  } opener;
  const THelpMenu menu(boxes, opener, nullptr);
  EXPECT_EQ(fs::path(menu.HelpFile()),
            (Root() / kUsr / "share/doc/vorsel/vorsel.html").lexically_normal());
}

TEST(InstalledLayout, TheDesktopEntryStartsTheInstalledProgramForSettingsFiles) {
  const fs::path entry = Root() / kUsr / "share/applications/vorsel.desktop";
  const std::string text = ReadText(entry);
  std::smatch exec;
  ASSERT_TRUE(std::regex_search(text, exec, std::regex(R"(\nExec=(\S+)( %[fF])?\n)"))) << text;
  // A bare name, found in PATH: the installed program whatever the prefix.
  EXPECT_EQ(exec[1].str(), "vorsel");
  EXPECT_TRUE(fs::is_regular_file(Root() / kUsr / "bin" / exec[1].str()));
  EXPECT_NE(text.find("\nIcon=vorsel\n"), std::string::npos);
  EXPECT_NE(text.find("\nMimeType=application/x-vorsel-settings;\n"), std::string::npos);

  if (RunCommand("command -v desktop-file-validate").status != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps --test)";
  }
  const CommandResult validate = RunCommand("desktop-file-validate " + Quoted(entry));
  EXPECT_EQ(validate.status, 0) << validate.out;
  EXPECT_EQ(validate.out, "");
}

TEST(InstalledLayout, TheSettingsTypeIsTheOneTheProgramRegisters) {
  test::StoreEnvironment store;
  struct NoDesktop : DesktopFileTypes {
    bool Registered(const FileTypeRegistration&) override { return true; }
    void Register(const FileTypeRegistration&) override {}
  } desktop;
  TFileAssociate associate(desktop);
  associate.SetExtension(".vrs");
  associate.SetDescription("Vorsel settings");
  associate.SetAutoCheck(false);
  associate.Loaded();
  const std::string package = ReadText(Root() / kUsr / "share/mime/packages/vorsel.xml");
  EXPECT_NE(package.find("<mime-type type=\"" + associate.MimeType() + "\">"), std::string::npos)
      << package;
  EXPECT_EQ(associate.MimeType(), "application/x-vorsel-settings");
  EXPECT_NE(package.find("<glob pattern=\"*.vrs\"/>"), std::string::npos);
}

TEST(InstalledLayout, TheInstalledCommandLineToolConvertsAFile) {
  const fs::path cli = Root() / kUsr / "bin/vorsel-cli";
  EXPECT_EQ(RunCommand(Quoted(cli) + " --version").out, "vorsel-cli " VORSEL_VERSION "\n");
  test::TempDir dir;
  // A SMP head of one channel at 8000 Hz and four samples.
  std::string smp = "head=1024\r\nfile=samp\r\nsftot=8000\r\nnchans=1\r\n=\r\n";
  smp += std::string("\0\x04\x1a", 3);
  smp.resize(1024, '\0');
  smp += std::string("\x00\x10\x00\x20\x00\xe0\x00\xf0", 8);
  test::WriteFile(dir / "tone.smp", smp);
  const CommandResult run = RunCommand("cd " + Quoted(dir.path()) + " && " + Quoted(cli) +
                                       " --set ExportRAW.MSBFirst=1 to-raw tone.smp");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "RAW: 16-bit Signed, Motorola\ntone.smp -> tone.raw\nDone\n");
  EXPECT_EQ(ReadText(dir / "tone.raw"), std::string("\x10\x00\x20\x00\xe0\x00\xf0\x00", 8));
}

}  // namespace
}  // namespace vorsel
