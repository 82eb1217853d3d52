#include "platform/qt/qt_event_pump.h"

#include <QCoreApplication>

#include "platform/eventpump.h"

namespace vorsel {

void InstallQtEventPump() {
  InstallEventPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

}  // namespace vorsel
