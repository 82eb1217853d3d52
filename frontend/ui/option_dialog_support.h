#pragma once

// What the option dialogs share: radio groups as item lists, the visibility rules applied to
// widgets, and the dialogs' look.

#include <QDialog>
#include <QGroupBox>
#include <QRadioButton>
#include <QString>
#include <string_view>

#include "frontend/option_dialogs.h"

namespace vorsel {

// The item selected in a group box of radio buttons, in their order; -1 when none is.
int CheckedItem(const QGroupBox* group);
// Selects an item of the group; -1 selects none.
void CheckItem(QGroupBox* group, int item);
// Calls the handler whenever the group's selection changes.
template <typename Handler>
void OnItemChange(QGroupBox* group, QObject* receiver, Handler handler) {
  for (QRadioButton* item : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
    QObject::connect(item, &QRadioButton::toggled, receiver, [handler](bool checked) {
      if (checked) {
        handler();
      }
    });
  }
}

// Fixed border, 8-point font; the size is the form's.
void PrepareOptionDialog(QDialog* dialog);
void CentreOnScreen(QWidget* window);
// No tool tip shows for the group's controls, whatever their hints say.
void SuppressToolTips(QWidget* group);

// Shows or hides the controls of the rules of this control by its state.
void ApplyVisibility(QWidget* dialog, OptionsDialog which, std::string_view control);
// Every rule of the dialog.
void ApplyAllVisibility(QWidget* dialog, OptionsDialog which);

QString FromUtf8(std::string_view text);

}  // namespace vorsel
