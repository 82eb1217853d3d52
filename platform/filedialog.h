#pragma once

#include <optional>
#include <string>

namespace vorsel {

// What a save dialog is prepared with before it is shown.
struct SaveDialogRequest {
  // Pairs of caption and mask, separated by "|": "Wave files (*.wav)|*.wav|All files|*.*".
  std::string Filter;
  // Added to a chosen name that has no extension; it includes its dot.
  std::string DefaultExt;
  // The proposed path.
  std::string FileName;
  bool OverwritePrompt = false;  // the dialog itself asks before an existing file is chosen
  bool HideReadOnly = false;
  bool PathMustExist = false;  // the folder of the chosen path must exist
  bool EnableSizing = false;
};

// What an open dialog is prepared with before it is shown.
struct OpenDialogRequest {
  std::string Filter;  // as in SaveDialogRequest
  std::string DefaultExt;
  std::string FileName;
  bool HideReadOnly = false;
  bool PathMustExist = false;
  bool FileMustExist = false;
  bool EnableSizing = false;
};

// Modal file dialogs owned by the application.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen absolute path, or nothing when the user cancelled.
  virtual std::optional<std::string> ExecuteSave(const SaveDialogRequest& request) = 0;
  // The same for choosing a file to open; where no one can choose (a terminal), the dialog
  // counts as cancelled.
  virtual std::optional<std::string> ExecuteOpen(const OpenDialogRequest&) { return std::nullopt; }
};

}  // namespace vorsel
