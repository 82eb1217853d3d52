#include "frontend/cli_terminal.h"

#include <filesystem>
#include <system_error>

namespace vorsel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWipeLine = "\r\033[K";

bool HasExtension(const fs::path& path) {
  return path.filename().string().find('.') != std::string::npos;
}

}  // namespace

TerminalOutput::TerminalOutput(std::ostream& out, std::ostream& err, bool errIsTerminal)
    : out_(out), err_(err), errIsTerminal_(errIsTerminal) {}

void TerminalOutput::LogLine(std::string_view line) {
  ClearProgress();
  out_ << line << '\n';
  out_.flush();
}

void TerminalOutput::ErrorLine(std::string_view line) {
  ClearProgress();
  err_ << line << '\n';
  err_.flush();
}

void TerminalOutput::Prompt(std::string_view text) {
  ClearProgress();
  err_ << text;
  err_.flush();
}

void TerminalOutput::ShowProgress(std::string_view text) {
  if (!errIsTerminal_) {
    return;
  }
  err_ << kWipeLine << text;
  err_.flush();
  progressShown_ = true;
}

void TerminalOutput::ClearProgress() {
  if (progressShown_) {
    err_ << kWipeLine;
    err_.flush();
    progressShown_ = false;
  }
}

std::string OneLineText(std::string_view text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
      line += " / ";
    } else {
      line += c;
    }
  }
  return line;
}

TerminalMessageBoxes::TerminalMessageBoxes(TerminalOutput& output, bool answerYes,
                                           FileOutcomes* outcomes)
    : output_(output), answerYes_(answerYes), outcomes_(outcomes) {}

int TerminalMessageBoxes::ShowMessageBox(std::string_view text, std::string_view caption,
                                         unsigned flags) {
  output_.ErrorLine(std::string(caption) + ": " + OneLineText(text));
  const unsigned icon = flags & kMessageBoxIconMask;
  const bool question = (flags & kMessageBoxButtonMask) == mbYesNo;
  if (icon == mbIconExclamation || icon == mbIconError) {
    warningShown_ = true;
  }
  if (outcomes_ != nullptr &&
      (icon == mbIconExclamation || icon == mbIconError || (question && !answerYes_))) {
    outcomes_->CurrentFailed();
  }
  if (question) {
    return answerYes_ ? idYes : idNo;
  }
  return idOk;
}

void TerminalErrorReporter::HandleException(const std::exception& error) {
  // Like a message box: an error text with line breaks (an invalid scan item) is one line.
  output_.ErrorLine(std::string("Vorsel: ") + OneLineText(error.what()));
  errorShown_ = true;
  if (outcomes_ != nullptr) {
    outcomes_->BatchEnded();
  }
}

TerminalSaveDialog::TerminalSaveDialog(std::istream& in, bool inIsTerminal, TerminalOutput& output,
                                       MessageBoxes& boxes)
    : in_(in), inIsTerminal_(inIsTerminal), output_(output), boxes_(boxes) {}

std::optional<std::string> TerminalSaveDialog::ExecuteSave(const SaveDialogRequest& request) {
  if (!inIsTerminal_) {
    return std::nullopt;
  }
  while (true) {
    output_.Prompt("Save as [" + request.FileName + "]: ");
    std::string answer;
    if (!std::getline(in_, answer)) {
      output_.Prompt("\n");
      return std::nullopt;
    }
    fs::path chosen = answer.empty() ? fs::path(request.FileName) : fs::path(answer);
    if (!HasExtension(chosen) && !request.DefaultExt.empty()) {
      chosen += request.DefaultExt;
    }
    std::error_code error;
    chosen = fs::absolute(chosen, error).lexically_normal();
    if (error || chosen.filename().empty()) {
      output_.ErrorLine("Save as: " + answer + " is not a file name");
      continue;
    }
    if (request.PathMustExist && !fs::is_directory(chosen.parent_path(), error)) {
      output_.ErrorLine("Save as: the folder " + chosen.parent_path().string() + " does not exist");
      continue;
    }
    if (request.OverwritePrompt && fs::exists(chosen, error) &&
        boxes_.ShowMessageBox(chosen.string() + " already exists.\rDo you want to replace it?",
                              "Confirm Save As", mbYesNo | mbIconQuestion) != idYes) {
      continue;
    }
    return chosen.string();
  }
}

}  // namespace vorsel
