#include "platform/qt/qt_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace vorsel {

bool QtOpener::OpenDocument(const std::string& addressOrPath) {
  const QString text = QString::fromStdString(addressOrPath);
  // A path is no URL: its blanks and "#" must not be read as parts of one.
  const QUrl url = addressOrPath.starts_with('/') ? QUrl::fromLocalFile(text) : QUrl(text);
  return QDesktopServices::openUrl(url);
}

}  // namespace vorsel
