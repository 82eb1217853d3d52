#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/messagebox.h"

namespace vorsel {

// Message boxes of Qt, modal over the parent window (the application when it has none).
class QtMessageBoxes : public MessageBoxes {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;

 private:
  QPointer<QWidget> parent_;
};

// The text of a box as Qt shows it: each "\r" (alone or before "\n") one line break.
QString MessageBoxText(std::string_view text);

}  // namespace vorsel
