#pragma once

namespace vorsel {

// Makes ProcessPendingEvents handle Qt's pending events (repaint, input, watched sockets).
void InstallQtEventPump();

}  // namespace vorsel
