#pragma once

#include <QIcon>
#include <QWidget>

#include "kit/about.h"

namespace vorsel {

// The about dialog over Qt: one control per element of the TAbout, named as the element,
// placed and captioned as the elements say. The kit picture sits on the panel.
class QtAboutDialogView : public AboutDialogView {
 public:
  explicit QtAboutDialogView(QWidget* parent = nullptr) : parent_(parent) {}

  int WrappedTextHeight(std::string_view text, int width) override;
  void ShowModal(TAbout& about) override;

 private:
  QWidget* parent_;
};

// The program's icon, for its windows and the about dialog.
QIcon ProgramIcon();

}  // namespace vorsel
