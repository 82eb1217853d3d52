#pragma once

#include <span>
#include <string>

#include "frontend/error_reporter.h"
#include "frontend/suite_link.h"
#include "kit/errorlog.h"
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

// A kit component whose Loaded runs in the window's component order.
template <typename Kit>
class LoadedComponent : public WindowComponent {
 public:
  explicit LoadedComponent(Kit& kit) : kit_(kit) {}
  void Loaded() override { kit_.Loaded(); }

 private:
  Kit& kit_;
};

// ErrorLog1: records (when logging is on) and shows every exception that escapes a handler of
// the window or ends a batch, as the program's error reporter.
class ErrorLogComponent : public ErrorReporter, public WindowComponent {
 public:
  // The sender is what the log's OnException learns the exception came from.
  ErrorLogComponent(MessageBoxes& boxes, void* sender) : log_(boxes), sender_(sender) {}
  TErrorLog& Log() { return log_; }
  void Loaded() override { log_.Loaded(); }
  void HandleException(const std::exception& error) override {
    log_.ApplicationException(sender_, error);
  }

 private:
  TErrorLog log_;
  void* sender_;
};

}  // namespace vorsel
