#include "platform/qt/qt_message_boxes.h"

#include <QMessageBox>

namespace vorsel {

namespace {

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & kMessageBoxIconMask) {
    case mbIconError:
      return QMessageBox::Critical;
    case mbIconQuestion:
      return QMessageBox::Question;
    case mbIconExclamation:
      return QMessageBox::Warning;
    case mbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString MessageBoxText(std::string_view text) {
  QString result = FromUtf8(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

int QtMessageBoxes::ShowMessageBox(std::string_view text, std::string_view caption,
                                   unsigned flags) {
  const bool yesNo = (flags & kMessageBoxButtonMask) == mbYesNo;
  QMessageBox box(IconOf(flags), FromUtf8(caption), MessageBoxText(text),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent_.data());
  box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
  const int pressed = box.exec();
  if (!yesNo) {
    return idOk;
  }
  return pressed == QMessageBox::Yes ? idYes : idNo;
}

}  // namespace vorsel
