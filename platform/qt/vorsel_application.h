#pragma once

#include <QApplication>

#include "frontend/error_reporter.h"

namespace vorsel {

// The application object of the window program: an exception that escapes an event handler
// goes to the error reporter instead of ending the program, and the window stays usable.
class VorselApplication : public QApplication {
 public:
  VorselApplication(int& argc, char** argv);

  void SetErrorReporter(ErrorReporter* errors) { errors_ = errors; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  ErrorReporter* errors_ = nullptr;
};

// True when Qt can open a window: a platform chosen by QT_QPA_PLATFORM, or a display named
// by WAYLAND_DISPLAY or DISPLAY.
bool DisplayAvailable();

// While it lives, Qt's abort when no display can be opened after all (a DISPLAY that names no
// server) becomes the line `message` on standard error and exit status 1. It lives while the
// application object is made.
class DisplayStartGuard {
 public:
  explicit DisplayStartGuard(const char* message);
  ~DisplayStartGuard();
  DisplayStartGuard(const DisplayStartGuard&) = delete;
  DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;

 private:
  QtMessageHandler previous_;
};

}  // namespace vorsel
