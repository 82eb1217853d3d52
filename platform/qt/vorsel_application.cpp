#include "platform/qt/vorsel_application.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace vorsel {

namespace {

const char* displayMessage = nullptr;
QtMessageHandler previousHandler = nullptr;

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

void FatalHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (previousHandler != nullptr) {
      previousHandler(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    return;
  }
  std::fprintf(stderr, "%s\n", displayMessage);
  std::_Exit(1);
}

}  // namespace

VorselApplication::VorselApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VorselApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    if (errors_ == nullptr) {
      throw;
    }
    errors_->HandleException(error);
  } catch (...) {
    if (errors_ == nullptr) {
      throw;
    }
    errors_->HandleException(std::runtime_error("Unknown error"));
  }
  return false;
}

bool DisplayAvailable() {
  return EnvironmentSet("QT_QPA_PLATFORM") || EnvironmentSet("WAYLAND_DISPLAY") ||
         EnvironmentSet("DISPLAY");
}

DisplayStartGuard::DisplayStartGuard(const char* message) {
  displayMessage = message;
  previous_ = qInstallMessageHandler(&FatalHandler);
  previousHandler = previous_;
}

DisplayStartGuard::~DisplayStartGuard() {
  qInstallMessageHandler(previous_);
}

}  // namespace vorsel
