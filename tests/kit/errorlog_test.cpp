#include "kit/errorlog.h"

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "kit/about.h"
#include "kit/sini.h"
#include "platform/folders.h"
#include "platform/throwsite.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;
using test::FakeMessageBoxes;

constexpr std::time_t kStart = 1796724902;      // 08.12.2026 10:15:02 UTC
constexpr std::time_t kException = 1796725000;  // 08.12.2026 10:16:40 UTC

std::string UserName() {
  return getpwuid(geteuid())->pw_name;
}

std::string HostName() {
  std::array<char, 256> name{};
  gethostname(name.data(), name.size() - 1);
  return name.data();
}

// The lines of an INI file as written, each ended with CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

__attribute__((noinline)) void ThrowRangeError() {
  throw std::range_error("Range check error");
}

class TErrorLogTest : public ::testing::Test {
 protected:
  TErrorLogTest() {
    env.Set("TZ", "UTC");
    env.Set("LC_ALL", "C");
    tzset();
    fs::create_directories(ProgramFolder());
    SetProgramFileName(Program());
  }

  std::string ProgramFolder() const { return env.dir / "bin"; }
  std::string Program() const { return ProgramFolder() + "/vorsel"; }
  std::string LogInProgramFolder() const { return ProgramFolder() + "/DravelErr.log"; }

  void SetLogging(bool on) { TDravelIni().WriteBool("ErrorLog", "LogErrors", on); }
  std::string StoredLocation() { return TDravelIni().ReadString("ErrorLog", "LogFileName", "?"); }

  std::unique_ptr<TErrorLog> Create(std::time_t now = kStart) {
    auto log = std::make_unique<TErrorLog>(boxes);
    log->SetClock([this] { return clock; });
    clock = now;
    log->SetLogFileName("C:\\Programs\\DravelErr.log");
    log->Loaded();
    return log;
  }

  // Throws from a function of its own and hands the exception over as the window would.
  std::string Raise(TErrorLog& log) {
    try {
      ThrowRangeError();
    } catch (const std::exception& error) {
      log.ApplicationException(&log, error);
      return ThrowAddressText(&error);
    }
    return {};
  }

  // Declared first, so it runs after the environment has been restored.
  struct TimeZoneReload {
    ~TimeZoneReload() { tzset(); }
  } reload;
  test::StoreEnvironment env;
  FakeMessageBoxes boxes;
  std::time_t clock = kStart;
};

TEST_F(TErrorLogTest, WithoutTheSwitchAnExceptionIsOnlyShown) {
  auto log = Create();
  int called = 0;
  log->SetOnException([&](void*, const std::exception&) { ++called; });
  Raise(*log);

  EXPECT_EQ(called, 0);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Range check error.");
  EXPECT_EQ(boxes.shown[0].caption, "vorsel");
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconError);
  // The write test leaves the file, and nothing else is in it.
  EXPECT_EQ(test::ReadFile(LogInProgramFolder()), "");
  EXPECT_EQ(StoredLocation(), LogInProgramFolder());
}

TEST_F(TErrorLogTest, OneExceptionAddsOneRecordAndSaysWhereTheFileIs) {
  SetLogging(true);
  auto log = Create();
  std::string debugText = "first note";
  int called = 0;
  std::vector<std::string> added;
  log->SetOnException([&](void* sender, const std::exception& error) {
    ++called;
    EXPECT_EQ(sender, log.get());
    EXPECT_STREQ(error.what(), "Range check error");
    log->SetDebugString(debugText);
  });
  log->SetOnAddToFile([&](void*, const std::string& file, const std::string& key) {
    added.push_back(file + "|" + key);
  });
  clock = kException;
  const std::string address = Raise(*log);

  EXPECT_NE(address, "00000000");
  const std::string exe = Program();
  EXPECT_EQ(test::ReadFile(LogInProgramFolder()),
            Lines({"[Termination]", exe + "=Started at 12/08/26 10:15:02",
                   "[Exception at 12/08/26 10:16:40]", "ExeName=" + exe,
                   "CurrentUser=" + UserName(), "ComputerName=" + HostName(),
                   "Message=Range check error", "Address=" + address, "DebugString="}));
  EXPECT_EQ(called, 1);
  EXPECT_EQ(added,
            std::vector<std::string>{LogInProgramFolder() + "|Exception at 12/08/26 10:16:40"});
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].caption, "Logfile created");
  EXPECT_EQ(boxes.shown[0].text,
            "Please send this file to support@quorvikdata.example\r" + LogInProgramFolder());
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconError);
  EXPECT_EQ(boxes.shown[1].text, "Range check error.");

  // A second exception within the same second replaces the values of the first, and carries
  // the debug text the handler stored.
  Raise(*log);
  const std::string text = test::ReadFile(LogInProgramFolder());
  EXPECT_EQ(text.find("[Exception at"), text.rfind("[Exception at"));
  EXPECT_NE(text.find("DebugString=first note\r\n"), std::string::npos);
}

TEST_F(TErrorLogTest, RecordsOfTheAboutBoxAndTextRecordsKeepTheirKeyOrder) {
  SetLogging(true);
  TDravelAbout about;
  about.SetTitle("Vorsel");
  about.SetVersion("4.5");
  about.SetExtra("line one\rline two");
  about.Loaded();
  auto log = std::make_unique<TErrorLog>(boxes);
  log->SetClock([this] { return clock; });
  log->SetDravelabout(&about);
  log->Loaded();
  fs::remove(LogInProgramFolder());
  log->SetDebugString("chunk 3");
  clock = 1796688000;  // midnight: the time part is left out
  log->LogString("batch ended");

  EXPECT_EQ(test::ReadFile(LogInProgramFolder()),
            Lines({"[Exception at 12/08/26]", "ExeName=" + Program(), "CurrentUser=" + UserName(),
                   "ComputerName=" + HostName(), "Application=Vorsel", "Version=4.5", "Revision=",
                   "Extra=line one line two", "DebugString=chunk 3", "Message=batch ended"}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TErrorLogTest, AStoredLocationThatFailsFallsBackInTurn) {
  TDravelIni().WriteString("ErrorLog", "LogFileName", env.dir / "gone/DravelErr.log");
  {
    TErrorLog first(boxes);
    EXPECT_EQ(StoredLocation(), LogInProgramFolder());

    // A writable stored location wins over the value given; otherwise only the value's file
    // name counts.
    first.SetLogFileName("/elsewhere/Other.log");
    EXPECT_EQ(StoredLocation(), LogInProgramFolder());
    TDravelIni().WriteString("ErrorLog", "LogFileName", env.dir / "gone/DravelErr.log");
    first.SetLogFileName("/elsewhere/Other.log");
    EXPECT_EQ(StoredLocation(), ProgramFolder() + "/Other.log");
    EXPECT_EQ(first.LogFileName(), ProgramFolder() + "/Other.log");
  }

  // Without the program's folder: the current directory.
  TDravelIni().WriteString("ErrorLog", "LogFileName", "");
  fs::remove_all(ProgramFolder());
  const std::string work = env.dir / "work";
  fs::create_directories(work);
  const fs::path before = fs::current_path();
  fs::current_path(work);
  TErrorLog{boxes};
  EXPECT_EQ(StoredLocation(), work + "/DravelErr.log");

  // A folder in the way of each place in turn: the Windows directory, then the home folder.
  TDravelIni().WriteString("ErrorLog", "LogFileName", "");
  fs::remove(work + "/DravelErr.log");
  fs::create_directories(work + "/DravelErr.log");
  TErrorLog{boxes};
  EXPECT_EQ(StoredLocation(), SystemFolders().WindowsDirectory() + "/DravelErr.log");

  TDravelIni().WriteString("ErrorLog", "LogFileName", "");
  fs::remove(SystemFolders().WindowsDirectory() + "/DravelErr.log");
  fs::create_directories(SystemFolders().WindowsDirectory() + "/DravelErr.log");
  fs::create_directories(env.dir / "home");
  TErrorLog{boxes};
  EXPECT_EQ(StoredLocation(), (env.dir / "home") + "/DravelErr.log");

  // No place at all: no file name, and an exception with logging on is shown only.
  TDravelIni().WriteString("ErrorLog", "LogFileName", "");
  fs::remove(env.dir / "home/DravelErr.log");
  fs::create_directories(env.dir / "home/DravelErr.log");
  SetLogging(true);
  int called = 0;
  {
    TErrorLog log(boxes);
    log.SetOnException([&](void*, const std::exception&) { ++called; });
    EXPECT_EQ(log.LogFileName(), "");
    Raise(log);
  }
  fs::current_path(before);
  EXPECT_EQ(StoredLocation(), "");
  EXPECT_EQ(called, 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Range check error.");
}

TEST_F(TErrorLogTest, ANormalEndLeavesTerminatedAndAKilledRunStarted) {
  SetLogging(true);
  {
    auto log = Create();
    clock = kException;
  }
  EXPECT_EQ(test::ReadFile(LogInProgramFolder()),
            "[Termination]\r\n" + Program() + "=Terminated at 12/08/26 10:16:40\r\n");

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    TErrorLog log(boxes);
    log.SetClock([] { return kStart; });
    log.Loaded();
    const char done = 1;
    if (write(ready[1], &done, 1) != 1) {
      _exit(2);
    }
    pause();
    _exit(0);
  }
  close(ready[1]);
  char done = 0;
  ASSERT_EQ(read(ready[0], &done, 1), 1);
  close(ready[0]);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(test::ReadFile(LogInProgramFolder()),
            "[Termination]\r\n" + Program() + "=Started at 12/08/26 10:15:02\r\n");
}

TEST_F(TErrorLogTest, TheAboutBoxTogglesTheSwitchAndShowsIt) {
  TDravelAbout about;
  about.Loaded();
  const std::string compiled = about.compiledatelabel().caption;
  auto log = std::make_unique<TErrorLog>(boxes);
  log->SetDravelabout(&about);
  log->Loaded();
  EXPECT_FALSE(log->LogErrors());

  about.KitPictureDoubleClicked();
  EXPECT_TRUE(log->LogErrors());
  EXPECT_TRUE(about.compiledatelabel().showhint);
  EXPECT_EQ(about.compiledatelabel().hint, LogInProgramFolder());

  about.compiledatelabel().width = 300;
  about.KitPictureDoubleClicked();
  EXPECT_FALSE(log->LogErrors());
  EXPECT_EQ(about.compiledatelabel().caption, compiled);
  EXPECT_EQ(about.compiledatelabel().hint, "");
  EXPECT_FALSE(about.compiledatelabel().showhint);
  EXPECT_EQ(about.compiledatelabel().width, about.titlelabel().width);
  EXPECT_FALSE(about.dravelimage().showhint);

  // Once the log is gone the picture no longer reaches it.
  log.reset();
  about.KitPictureDoubleClicked();
  EXPECT_FALSE(TDravelIni().ReadBool("ErrorLog", "LogErrors", true));
}

TEST(ExceptionBoxText, EndsWithAFullStop) {
  EXPECT_EQ(ExceptionBoxText("Disk full"), "Disk full.");
  EXPECT_EQ(ExceptionBoxText("Disk full."), "Disk full.");
  EXPECT_EQ(ExceptionBoxText("Stop!"), "Stop!");
  EXPECT_EQ(ExceptionBoxText(""), "");
}

}  // namespace
}  // namespace vorsel
