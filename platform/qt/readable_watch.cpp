#include "platform/qt/readable_watch.h"

namespace vorsel {

ReadableWatch::ReadableWatch(int fd, std::function<void()> onReadable)
    : notifier_(fd, QSocketNotifier::Read) {
  QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_,
                   [handler = std::move(onReadable)] { handler(); });
}

}  // namespace vorsel
