#pragma once

#include <span>
#include <string>

#include "frontend/error_reporter.h"
#include "kit/srecent.h"
#include "platform/messagebox.h"

namespace vorsel {

// A kit component placed on the main window: its loaded procedure runs once the window and
// its menus exist, its destruction step when the window goes.
class WindowComponent {
 public:
  virtual ~WindowComponent() = default;
  virtual void Loaded() {}
  virtual void Destroying() {}
};

// Runs the loaded procedures in the window's component order. An exception of one component
// goes to the reporter and the next component still loads.
void LoadComponents(std::span<WindowComponent* const> components, ErrorReporter& errors);
// The destruction steps, in the same order; errors go to the reporter.
void DestroyComponents(std::span<WindowComponent* const> components, ErrorReporter& errors);

// RecentFiles1 as a component of the window.
class RecentFilesComponent : public WindowComponent {
 public:
  explicit RecentFilesComponent(TRecentFiles& files) : files_(files) {}
  void Loaded() override { files_.Loaded(); }

 private:
  TRecentFiles& files_;
};

// The error log as long as the program keeps no log file: the error is shown in a box with
// the program's title.
class ErrorBoxReporter : public ErrorReporter, public WindowComponent {
 public:
  explicit ErrorBoxReporter(MessageBoxes& boxes) : boxes_(boxes) {}
  void HandleException(const std::exception& error) override;

 private:
  MessageBoxes& boxes_;
};

}  // namespace vorsel
