#pragma once

#include <QSocketNotifier>
#include <functional>

namespace vorsel {

// Calls a handler from the event loop whenever a file descriptor (a socket, a pipe) has data
// to read, also while a busy tick processes pending events. The descriptor stays the caller's.
class ReadableWatch {
 public:
  ReadableWatch(int fd, std::function<void()> onReadable);
  ReadableWatch(const ReadableWatch&) = delete;
  ReadableWatch& operator=(const ReadableWatch&) = delete;

 private:
  QSocketNotifier notifier_;
};

}  // namespace vorsel
