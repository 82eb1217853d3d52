#include "frontend/ui/window_link.h"

#include <QMetaObject>
#include <QPointer>

namespace vorsel {

void WindowLinkOwner::BringToFront() {
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  window_.raise();
  window_.activateWindow();
}

void WindowLinkOwner::CloseMainForm() {
  QMetaObject::invokeMethod(
      &window_,
      [window = QPointer<QWidget>(&window_)] {
        if (window) {
          window->close();
        }
      },
      Qt::QueuedConnection);
}

void LinkComponent::Loaded() {
  link_.Loaded();
  if (link_.ReceiveDescriptor() >= 0) {
    watch_.emplace(link_.ReceiveDescriptor(), [this] { link_.ReceivePending(); });
  }
}

}  // namespace vorsel
