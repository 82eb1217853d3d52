#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "formats/conversion_context.h"
#include "frontend/cli_outcomes.h"
#include "frontend/error_reporter.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"

namespace vorsel {

// Standard output carries the conversion log; standard error carries message boxes, prompts
// and, on a terminal, one progress line that every other output first wipes.
class TerminalOutput {
 public:
  TerminalOutput(std::ostream& out, std::ostream& err, bool errIsTerminal);

  void LogLine(std::string_view line);
  void ErrorLine(std::string_view line);
  // Text on standard error that the user answers on the same line.
  void Prompt(std::string_view text);
  // Replaces the progress line; nothing happens unless standard error is a terminal.
  void ShowProgress(std::string_view text);
  void ClearProgress();

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool errIsTerminal_;
  bool progressShown_ = false;
};

// Message boxes as "caption: text" lines, each line break of the text shown as " / ". Questions
// get Yes when answerYes, else No.
class TerminalMessageBoxes : public MessageBoxes {
 public:
  // A refusal box or a declined question marks the current file of `outcomes` as not converted.
  TerminalMessageBoxes(TerminalOutput& output, bool answerYes, FileOutcomes* outcomes = nullptr);
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;

  // A box with the exclamation or the error icon was shown.
  bool WarningShown() const { return warningShown_; }

 private:
  TerminalOutput& output_;
  bool answerYes_;
  FileOutcomes* outcomes_;
  bool warningShown_ = false;
};

// The text of a message box on one line.
std::string OneLineText(std::string_view text);

class TerminalLog : public ConversionLog {
 public:
  explicit TerminalLog(TerminalOutput& output, FileOutcomes* outcomes = nullptr)
      : output_(output), outcomes_(outcomes) {}
  void Append(std::string_view line) override {
    output_.LogLine(line);
    if (outcomes_ != nullptr) {
      outcomes_->LogLine(line);
    }
  }

 private:
  TerminalOutput& output_;
  FileOutcomes* outcomes_;
};

// Shows an error that ended a batch as the error box would: the program's title and the
// message.
class TerminalErrorReporter : public ErrorReporter {
 public:
  explicit TerminalErrorReporter(TerminalOutput& output, FileOutcomes* outcomes = nullptr)
      : output_(output), outcomes_(outcomes) {}
  void HandleException(const std::exception& error) override;
  bool ErrorShown() const { return errorShown_; }

 private:
  TerminalOutput& output_;
  FileOutcomes* outcomes_;
  bool errorShown_ = false;
};

// The save dialog on a terminal: asks for a path on standard input, proposing the dialog's
// name (an empty answer takes it). Without a terminal on standard input, or at the end of the
// input, the dialog counts as cancelled.
class TerminalSaveDialog : public FileDialogs {
 public:
  TerminalSaveDialog(std::istream& in, bool inIsTerminal, TerminalOutput& output,
                     MessageBoxes& boxes);
  std::optional<std::string> ExecuteSave(const SaveDialogRequest& request) override;

 private:
  std::istream& in_;
  bool inIsTerminal_;
  TerminalOutput& output_;
  MessageBoxes& boxes_;
};

}  // namespace vorsel
