#include "platform/qt/termination_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "platform/qt/readable_watch.h"

namespace vorsel {

namespace {

int pipeEnds[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing is lost.
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

void InstallTerminationHandler() {
  if (pipeEnds[0] >= 0) {
    return;
  }
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error("cannot create the pipe for SIGTERM");
  }
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
}

std::unique_ptr<ReadableWatch> WatchTermination(std::function<void()> onTerminate) {
  if (pipeEnds[0] < 0) {
    throw std::logic_error("the SIGTERM handler is not installed");
  }
  return std::make_unique<ReadableWatch>(pipeEnds[0], [handler = std::move(onTerminate)] {
    char bytes[64];
    while (read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    handler();
  });
}

}  // namespace vorsel
