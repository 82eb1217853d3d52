#include "frontend/ui/TForm5.h"

#include <QMouseEvent>

#include "frontend/option_dialogs.h"
#include "frontend/ui/option_dialog_support.h"
#include "ui_TForm5.h"

namespace vorsel {

namespace {

Ui::TForm5* SetUp(QDialog* dialog) {
  auto* form = new Ui::TForm5;
  form->setupUi(dialog);
  return form;
}

}  // namespace

TForm5::TForm5(ConversionSettings& settings, QWidget* parent)
    : QDialog(parent), ui(SetUp(this)), settings_(settings) {
  PrepareOptionDialog(this);
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  ui->namingedit->installEventFilter(this);
}

TForm5::~TForm5() = default;

std::array<QRadioButton*, 4> TForm5::NamingButtons() const {
  return {ui->sameradio, ui->startradio, ui->endradio, ui->askradio};
}

int TForm5::SelectedNaming() const {
  const auto buttons = NamingButtons();
  for (size_t naming = 0; naming < buttons.size(); ++naming) {
    if (buttons[naming]->isChecked()) {
      return static_cast<int>(naming);
    }
  }
  return -1;
}

void TForm5::SelectNaming(int naming) {
  if (naming >= 0 && naming < static_cast<int>(NamingButtons().size())) {
    NamingButtons()[static_cast<size_t>(naming)]->setChecked(true);
  }
}

void TForm5::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  FormActivate();
  QDialog::showEvent(event);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->namingedit && event->type() == QEvent::MouseButtonPress) {
    namingeditClick();
  }
  return QDialog::eventFilter(watched, event);
}

void TForm5::FormActivate() {
  NamingControls controls;
  controls.naming = SelectedNaming();
  ShowNamingOptions(settings_, controls);
  SelectNaming(controls.naming);
  ui->namingedit->setText(FromUtf8(controls.appendString));
  ui->limitcheck->setChecked(controls.limitTo8Plus3);
  ui->overwritecheck->setChecked(controls.overwrite);
  CheckItem(ui->filetyperadio, controls.fileTypeItem);
}

void TForm5::Button1Click() {
  StoreNamingOptions({.naming = SelectedNaming(),
                      .appendString = ui->namingedit->text().toStdString(),
                      .limitTo8Plus3 = ui->limitcheck->isChecked(),
                      .fileTypeItem = CheckedItem(ui->filetyperadio),
                      .overwrite = ui->overwritecheck->isChecked()},
                     settings_);
  accept();
}

void TForm5::namingeditClick() {
  SelectNaming(NamingAfterEditClick(SelectedNaming()));
}

}  // namespace vorsel
