#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/keystore.h"

namespace vorsel {

namespace {

struct Notices {
  std::mutex mutex;
  StoreNoticeHandler handler;
  std::vector<std::string> kept;
};

Notices& TheNotices() {
  static Notices notices;
  return notices;
}

}  // namespace

StoreNoticeHandler SetStoreNoticeHandler(StoreNoticeHandler handler) {
  Notices& notices = TheNotices();
  std::vector<std::string> kept;
  StoreNoticeHandler previous;
  {
    const std::lock_guard lock(notices.mutex);
    previous = std::exchange(notices.handler, handler);
    if (handler) {
      kept = std::exchange(notices.kept, {});
    }
  }
  for (const std::string& text : kept) {
    handler(text);
  }
  return previous;
}

void ReportStoreNotice(const std::string& text) {
  Notices& notices = TheNotices();
  StoreNoticeHandler handler;
  {
    const std::lock_guard lock(notices.mutex);
    if (!notices.handler) {
      notices.kept.push_back(text);
      return;
    }
    handler = notices.handler;
  }
  // Called outside the lock: a handler may show a message box that opens a store again.
  handler(text);
}

}  // namespace vorsel
