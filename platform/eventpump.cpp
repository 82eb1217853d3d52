#include "platform/eventpump.h"

#include <utility>

namespace vorsel {

namespace {

EventPump& InstalledPump() {
  static EventPump pump;
  return pump;
}

}  // namespace

EventPump InstallEventPump(EventPump pump) {
  return std::exchange(InstalledPump(), std::move(pump));
}

void ProcessPendingEvents() {
  // A copy, so that a pump that replaces itself does not destroy the function it runs in.
  const EventPump pump = InstalledPump();
  if (pump) {
    pump();
  }
}

}  // namespace vorsel
