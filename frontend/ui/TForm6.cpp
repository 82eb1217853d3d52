#include "frontend/ui/TForm6.h"

#include "frontend/ui/option_dialog_support.h"
#include "ui_TForm6.h"

namespace vorsel {

namespace {

Ui::TForm6* SetUp(QDialog* dialog) {
  auto* form = new Ui::TForm6;
  form->setupUi(dialog);
  return form;
}

}  // namespace

TForm6::TForm6(ConversionSettings& settings, QWidget* parent)
    : QDialog(parent), ui(SetUp(this)), settings_(settings) {
  PrepareOptionDialog(this);
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

TForm6::~TForm6() = default;

void TForm6::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  FormShow();
  QDialog::showEvent(event);
}

void TForm6::FormShow() {
  ui->Edit1->setText(FromUtf8(settings_.Common.CustomMask));
  ui->Edit1->selectAll();
  ui->Edit1->setFocus();
}

void TForm6::Button1Click() {
  settings_.Common.CustomMask = ui->Edit1->text().toStdString();
  accept();
}

}  // namespace vorsel
