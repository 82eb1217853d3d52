#include "frontend/cli.h"

#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontend/cli_settings_list.h"
#include "frontend/cli_terminal.h"
#include "frontend/cli_view.h"
#include "frontend/conversion_settings.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::string_view_literals;

constexpr std::string_view kSmpHead = "file=samp\r\nsftot=16000\r\n=\r\n\x1a"sv;

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult RunCli(std::vector<std::string> args, std::string input = "", bool inIsTerminal = false) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const CliStreams io{in, out, err, inIsTerminal, false};
  const int status = RunCommandLine(args, io);
  return {status, out.str(), err.str()};
}

TEST(CommandLine, NoFilesGiveOnlyTheRefusalLine) {
  const CliResult r = RunCli({"to-smp"});
  EXPECT_EQ(r.out, "You must select some files to convert!\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, kCliSuccess);
}

TEST(CommandLine, MalformedOrUnknownFieldsAreUsageErrorsNamingTheField) {
  CliResult r = RunCli({"--set", "ExportWAV.Encoding=x", "to-wav", "f.smp"});
  EXPECT_EQ(r.status, kCliUsageError);
  EXPECT_THAT(r.err, HasSubstr("ExportWAV.Encoding"));
  EXPECT_EQ(r.out, "");

  r = RunCli({"--set", "Nosuch.Key=1", "to-wav", "f.smp"});
  EXPECT_EQ(r.status, kCliUsageError);
  EXPECT_THAT(r.err, HasSubstr("Nosuch.Key"));

  EXPECT_EQ(RunCli({"--set", "ImportRAW.SfTot=1,5", "to-smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"--set", "Common.Naming", "to-smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"--set=NoDot=1", "to-smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"to-smp", "--set"}).status, kCliUsageError);
}

TEST(CommandLine, SetAcceptsEveryFieldOfTheRecord) {
  for (const SettingField& field : SettingFields()) {
    const std::string assignment =
        std::string(field.section) + "." + std::string(field.key) + "=" + DefaultSettingText(field);
    const CliResult r = RunCli({"--set", assignment, "to-smp"});
    EXPECT_EQ(r.status, kCliSuccess) << assignment << ": " << r.err;
  }
}

TEST(CommandLine, SetValuesReachTheBatchInOrder) {
  test::TempDir dir;
  const std::string file = dir / "a.dat";
  test::WriteFile(file, kSmpHead);
  CliResult r = RunCli({"--set", "common.naming=7", "to-smp", file});
  EXPECT_EQ(r.out, "Unknown naming mode 7 (Common.Naming must be 0 to 3); nothing converted\n");
  EXPECT_EQ(r.status, kCliSuccess);

  r = RunCli({"--set", "Common.Naming=7", "--set=Common.Naming=1", "--set",
              "Common.AppendString=x/", "to-smp", file});
  EXPECT_EQ(r.out, "The append string \"x/\" must not contain \"/\"; nothing converted\n");
}

TEST(CommandLine, DescribePrintsOneLinePerFileAndAnEmptyOneForAMissingFile) {
  test::TempDir dir;
  const std::string text = dir / "a.dat";
  const std::string raw = dir / "b";
  test::WriteFile(text, "0.5\n-0.25\n");
  test::WriteFile(raw, std::string(1000, '\0'));
  CliResult r = RunCli({"describe", text, dir / "missing.wav", raw});
  EXPECT_EQ(r.out, "TXT 10 bytes\n\nRAW 1,000 bytes\n");
  EXPECT_EQ(r.status, kCliSuccess);
  r = RunCli({"--set", "Common.UseExtensionAsId=1", "describe", text});
  EXPECT_EQ(r.out, "RAW 10 bytes\n");
}

TEST(CommandLine, GuessPrintsTheGuessFileTypeLinesAndStopsAtAnUnreadableFile) {
  test::TempDir dir;
  const std::string zeros = dir / "take1.raw";
  test::WriteFile(zeros, std::string(1000, '\0'));
  const CliResult r = RunCli({"guess", zeros, dir / "missing.raw", zeros});
  EXPECT_EQ(r.out, "take1.raw is RAW sint8?\n");
  EXPECT_THAT(r.err, HasSubstr("missing.raw"));
  EXPECT_EQ(r.status, kCliWarned);
}

TEST(CommandLine, HelpAndVersion) {
  CliResult r = RunCli({"--help"});
  EXPECT_EQ(r.status, kCliSuccess);
  EXPECT_THAT(r.out, StartsWith("Usage: vorsel-cli [OPTIONS] ACTION FILE...\n"));
  for (const char* word : {"to-smp", "to-wav", "to-au", "to-aiff", "to-nsp", "to-raw", "describe",
                           "guess", "--settings", "--user-settings", "--set", "--yes"}) {
    EXPECT_THAT(r.out, HasSubstr(word));
  }
  for (const char* example :
       {"vorsel-cli to-smp ", "vorsel-cli --set ExportWAV.Encoding=2 ", "vorsel-cli --settings "}) {
    EXPECT_THAT(r.out, HasSubstr(example));
  }
  r = RunCli({"--version"});
  EXPECT_EQ(r.out, "vorsel-cli 4.50\n");
  EXPECT_EQ(r.status, kCliSuccess);
}

TEST(CommandLine, ListSettingsShowsEveryFieldOnceAfterTheOtherOptions) {
  test::TempDir dir;
  const std::string file = dir / "speech.vrs";
  test::WriteFile(file, "[ExportWAV]\nEncoding=1\n[ImportRAW]\nSfTot=8000\n");
  const CliResult r = RunCli({"--settings", file, "--set", "ExportWAV.Encoding=2", "--set",
                              "Common.AppendString=_x", "--list-settings"});
  ASSERT_EQ(r.status, kCliSuccess) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  for (const SettingField& field : SettingFields()) {
    ASSERT_TRUE(std::getline(lines, line));
    const std::string name = std::string(field.section) + "." + std::string(field.key) + "=";
    EXPECT_THAT(line, StartsWith(name));
    EXPECT_THAT(line, HasSubstr("  # "));
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_THAT(r.out, HasSubstr("\nExportWAV.Encoding=2  # int; 0 8-bit u-law, 1 8-bit A-law, "
                               "2 8-bit linear, 3 16-bit linear\n"));
  EXPECT_THAT(r.out, HasSubstr("\nExportAIF.Encoding=1  # int; 0 8-bit linear, 1 16-bit linear\n"));
  EXPECT_THAT(r.out, HasSubstr("\nImportRAW.SfTot=8000  # real; "));
  EXPECT_THAT(r.out, HasSubstr("\nCommon.AppendString=_x  # string; "));
  EXPECT_THAT(r.out, HasSubstr("\nExportRAW.FitAmplitude=1  # bool; 0 or 1\n"));
  EXPECT_THAT(r.out, HasSubstr("Common.OverWrite=0  # bool; 0 or 1; per-user store only"));

  EXPECT_EQ(RunCli({"--list-settings", "to-wav", "a.smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"--set", "Nosuch.Key=1", "--list-settings"}).status, kCliUsageError);
}

TEST(CommandLine, EveryNumberedChoiceNamesAFieldOfTheRecord) {
  for (const SettingChoices& entry : SettingChoiceTable()) {
    bool found = false;
    for (const SettingField& field : SettingFields()) {
      found = found || ((entry.section.empty() || field.section == entry.section) &&
                        field.key == entry.key && SettingTypeOf(field) == SettingType::Int);
    }
    EXPECT_TRUE(found) << entry.section << "." << entry.key;
  }
}

TEST(CommandLine, BadCallsAreUsageErrors) {
  EXPECT_EQ(RunCli({}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"to-mp3", "a.smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"--frobnicate", "to-smp"}).status, kCliUsageError);
  EXPECT_EQ(RunCli({"--yes=1", "to-smp"}).status, kCliUsageError);
  test::TempDir dir;
  CliResult r = RunCli({"to-smp", dir / "missing.wav"});
  EXPECT_EQ(r.status, kCliUsageError);
  EXPECT_THAT(r.err, HasSubstr("no such file: " + dir / "missing.wav"));
  EXPECT_EQ(r.out, "");
  r = RunCli({"to-smp", dir.path().string()});
  EXPECT_EQ(r.status, kCliUsageError);
  EXPECT_THAT(r.err, HasSubstr("is not a file"));
}

TEST(CommandLine, MessageBoxesGoToStandardErrorAndAWarningFails) {
  test::TempDir dir;
  const std::string file = dir / "a.dat";
  test::WriteFile(file, kSmpHead);
  const CliResult r = RunCli({"to-smp", file});
  EXPECT_EQ(r.err,
            "Cannot IMPORT smp: Only .au, .wav, .aif, .nsp and .raw files can be imported!\n"
            "Not converted: " +
                file + "\n");
  EXPECT_EQ(r.out, "Done\n");
  EXPECT_EQ(r.status, kCliWarned);
}

TEST(CommandLine, QuestionsAreAnsweredNoUnlessYesIsGiven) {
  test::TempDir dir;
  const std::string file = dir / "a.dat";
  test::WriteFile(file, kSmpHead);
  test::WriteFile(dir / "a.smp", "old");
  const std::string question = "Confirm overwrite: " + dir / "a.smp" + " exists! / Overwrite?\n";

  CliResult r = RunCli({"to-smp", file});
  EXPECT_EQ(r.err, question + "Not converted: " + file + "\n");
  EXPECT_EQ(r.out, "Done\n");
  EXPECT_EQ(r.status, kCliWarned);  // the declined question left the file unconverted

  r = RunCli({"to-smp", "--yes", file});
  EXPECT_THAT(r.err, StartsWith(question + "Cannot IMPORT smp: "));
  EXPECT_EQ(r.status, kCliWarned);
}

TEST(CommandLine, FilesMayBeGivenRelativeToTheCurrentFolder) {
  test::TempDir dir;
  test::WriteFile(dir / "a.dat", kSmpHead);
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const CliResult r = RunCli({"to-smp", "a.dat"});
  std::filesystem::current_path(before);
  EXPECT_THAT(r.err, StartsWith("Cannot IMPORT smp"));
}

TEST(TerminalText, LineBreaksBecomeSlashes) {
  EXPECT_EQ(OneLineText("a\rb\r\nc\nd"), "a / b / c / d");
  EXPECT_EQ(OneLineText("plain"), "plain");
}

TEST(TerminalText, TheProgressLineIsWipedBeforeOtherOutput) {
  std::ostringstream out;
  std::ostringstream err;
  TerminalOutput terminal(out, err, true);
  terminal.ShowProgress("1 of 2 files done, 10 bytes written");
  terminal.LogLine("a.wav -> a.smp");
  terminal.ErrorLine("box: text");
  EXPECT_EQ(err.str(), "\r\033[K1 of 2 files done, 10 bytes written\r\033[Kbox: text\n");
  EXPECT_EQ(out.str(), "a.wav -> a.smp\n");

  std::ostringstream plainErr;
  TerminalOutput notTerminal(out, plainErr, false);
  notTerminal.ShowProgress("1 of 2 files done");
  notTerminal.ClearProgress();
  EXPECT_EQ(plainErr.str(), "");
}

TEST(TerminalText, TheErrorThatEndsABatchIsShownAndRemembered) {
  std::ostringstream out;
  std::ostringstream err;
  TerminalOutput terminal(out, err, false);
  TerminalErrorReporter errors(terminal);
  EXPECT_FALSE(errors.ErrorShown());
  errors.HandleException(std::runtime_error("Cannot write /x.smp: No space left on device"));
  EXPECT_EQ(err.str(), "Vorsel: Cannot write /x.smp: No space left on device\n");
  EXPECT_TRUE(errors.ErrorShown());

  errors.HandleException(
      std::runtime_error("File header in /x.smp\rHas an invalid \"scan\" item:\rscan=0,0,1"));
  EXPECT_EQ(err.str().substr(err.str().find('\n') + 1),
            "Vorsel: File header in /x.smp / Has an invalid \"scan\" item: / scan=0,0,1\n");
}

TEST(CommandLineProgress, CountsFilesAndTheBytesOfTheirOutputs) {
  test::TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
  TerminalOutput terminal(out, err, true);
  CommandLineView view({"a", "b", "c"}, dir.path().string(), terminal);
  EXPECT_EQ(view.ProgressText(), "0 of 3 files done, 0 bytes written");
  view.ConversionStarting("a", dir / "a.smp");
  test::WriteFile(dir / "a.smp", "12345");
  EXPECT_EQ(view.ProgressText(), "0 of 3 files done, 5 bytes written");
  view.ConversionFinished("a", dir / "a.smp");
  view.ConversionStarting("b", "");
  view.ConversionFinished("b", "");
  view.ProcessMessages();
  EXPECT_EQ(err.str(), "\r\033[K2 of 3 files done, 5 bytes written");
}

class TerminalSave : public ::testing::Test {
 protected:
  std::optional<std::string> Ask(const std::string& typed, bool answerYes = false,
                                 bool terminal = true) {
    std::istringstream in(typed);
    TerminalOutput output(out, err, false);
    TerminalMessageBoxes boxes(output, answerYes);
    TerminalSaveDialog dialog(in, terminal, output, boxes);
    return dialog.ExecuteSave(request);
  }

  void SetUp() override {
    request.Filter = ".wav files (*.wav)|*.wav|All files (*.*)|*.*";
    request.DefaultExt = ".wav";
    request.FileName = dir / "a.wav";
    request.OverwritePrompt = true;
    request.PathMustExist = true;
  }

  test::TempDir dir;
  SaveDialogRequest request;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(TerminalSave, WithoutATerminalTheDialogIsCancelled) {
  EXPECT_EQ(Ask(dir / "b.wav\n", false, false), std::nullopt);
  EXPECT_EQ(err.str(), "");
}

TEST_F(TerminalSave, AnEmptyAnswerTakesTheProposal) {
  EXPECT_EQ(Ask("\n"), dir / "a.wav");
  EXPECT_EQ(err.str(), "Save as [" + dir / "a.wav" + "]: ");
}

TEST_F(TerminalSave, ATypedNameGetsTheDefaultExtension) {
  EXPECT_EQ(Ask(dir / "take2\n"), dir / "take2.wav");
  EXPECT_EQ(Ask(dir / "take2.raw\n"), dir / "take2.raw");
}

TEST_F(TerminalSave, TheEndOfTheInputCancels) {
  EXPECT_EQ(Ask(""), std::nullopt);
}

TEST_F(TerminalSave, AMissingFolderAsksAgain) {
  EXPECT_EQ(Ask(dir / "no/such/b.wav\n" + dir / "c.wav\n"), dir / "c.wav");
  EXPECT_THAT(err.str(), HasSubstr("does not exist"));
}

TEST_F(TerminalSave, AnExistingFileIsReplacedOnlyWithYes) {
  test::WriteFile(dir / "a.wav", "old");
  EXPECT_EQ(Ask("\n" + dir / "d.wav\n"), dir / "d.wav");
  EXPECT_THAT(err.str(), HasSubstr("Confirm Save As: " + dir / "a.wav" +
                                   " already exists. / Do you want to replace it?"));
  EXPECT_EQ(Ask("\n", true), dir / "a.wav");
}

}  // namespace
}  // namespace vorsel
