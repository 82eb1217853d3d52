#pragma once

#include <functional>

namespace vorsel {

// Lets the user interface handle its pending events in the middle of long work (repaint,
// input). The window program installs its own pump; without one the call does nothing, as in
// the command-line tool and the tests.
using EventPump = std::function<void()>;

// Installs the pump and returns the one it replaces.
EventPump InstallEventPump(EventPump pump);
void ProcessPendingEvents();

}  // namespace vorsel
