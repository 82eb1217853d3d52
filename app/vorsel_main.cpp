#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "frontend/ui/TForm1.h"
#include "frontend/ui/TForm4.h"
#include "frontend/version.h"
#include "kit/sini.h"
#include "platform/folders.h"
#include "platform/qt/qt_about_dialog.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_opener.h"
#include "platform/qt/readable_watch.h"
#include "platform/qt/termination_signal.h"
#include "platform/qt/vorsel_application.h"
#include "probing/description.h"

namespace {

// The program file's full name, for the desktop to start it with a settings file; the base
// name stays the one the command-line tool shares the stores under.
std::string FullProgramFileName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(vorsel::kProgramFileName)
               : (exe.parent_path() / vorsel::kProgramFileName).string();
}

constexpr const char* kNoDisplay =
    "vorsel: no display to open the window on; vorsel-cli converts files without one";

constexpr const char* kUsage =
    "Usage: vorsel [SETTINGS.vrs]\n"
    "\n"
    "Opens the Vorsel window, a batch converter for sampled sound files. A settings file\n"
    "(\".vrs\") given as the first argument is loaded at start; any other argument is ignored.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the program version and exit\n"
    "\n"
    "vorsel-cli converts files from a terminal or a script without a window.\n";

// Only an exact first argument counts: anything else stays a possible settings file.
bool AnswersAtTerminal(int argc, char** argv) {
  if (argc < 2) {
    return false;
  }
  if (std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return true;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("vorsel %.*s\n", static_cast<int>(vorsel::kProgramVersion.size()),
                vorsel::kProgramVersion.data());
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vorsel;
  if (AnswersAtTerminal(argc, argv)) {
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  InstallTerminationHandler();
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "%s\n", kNoDisplay);
    return 1;
  }
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::unique_ptr<VorselApplication> application;
  {
    const DisplayStartGuard guard(kNoDisplay);
    application = std::make_unique<VorselApplication>(argc, argv);
  }
  QApplication::setWindowIcon(ProgramIcon());
  SetProgramFileName(FullProgramFileName());
  InstallQtEventPump();
  ProbeRegistryRoot();

  QtMessageBoxes boxes;
  QtFileDialogs dialogs;
  QtOpener opener;
  TForm1 Form1(TForm1Parts{.boxes = boxes,
                           .fileDialogs = dialogs,
                           .opener = opener,
                           .arguments = arguments,
                           .clock = {}});
  // The main window makes its option dialogs Form2, Form3, Form5 and Form6; the viewer follows.
  TForm4 Form4(TForm4Parts{.pacer = Form1.Pacer(),
                           .errors = Form1.Errors(),
                           .describe =
                               [&Form1](const std::string& path) {
                                 return FileDescription(path, ProbeSettingsOf(Form1.Settings()));
                               },
                           .processMessages = {}});
  Form1.SetForm4(Form4);
  boxes.SetParent(&Form1);
  dialogs.SetParent(&Form1);
  application->SetErrorReporter(&Form1.Errors());
  const auto termination = WatchTermination([&Form1] { Form1.Exit1Click(); });

  Form1.show();
  const int status = application->exec();
  application->SetErrorReporter(nullptr);
  return status;
}
