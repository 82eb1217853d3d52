#pragma once

#include <functional>
#include <memory>

namespace vorsel {

class ReadableWatch;

// Turns SIGTERM into a call from the event loop, so that the program can end as its own Exit
// command ends it. Install the handler first thing in main, so that a signal that comes early
// waits in the pipe until the loop runs.
void InstallTerminationHandler();

// Calls onTerminate from the event loop after each SIGTERM; needs the handler installed.
std::unique_ptr<ReadableWatch> WatchTermination(std::function<void()> onTerminate);

}  // namespace vorsel
