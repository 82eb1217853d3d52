#include "frontend/ui/TForm2.h"

#include "frontend/ui/option_dialog_support.h"
#include "ui_TForm2.h"

namespace vorsel {

namespace {

Ui::TForm2* SetUp(QDialog* dialog) {
  auto* form = new Ui::TForm2;
  form->setupUi(dialog);
  return form;
}

// The controls of one of the pages "from WAV" to "from NSP".
struct ViewPageControls {
  QCheckBox* msb;
  QLineEdit* view;
  QLineEdit* range;
};

std::array<ViewPageControls, 4> ViewPages(const Ui::TForm2& ui) {
  return {{{ui.wavmsbcheck, ui.wavviewedit, ui.wavrangeedit},
           {ui.aumsbcheck, ui.auviewedit, ui.aurangeedit},
           {ui.aifmsbcheck, ui.aifviewedit, ui.aifrangeedit},
           {ui.nspmsbcheck, ui.nspviewedit, ui.nsprangeedit}}};
}

std::string TextOf(const QLineEdit* edit) {
  return edit->text().toStdString();
}

void ReadPage(ImportViewPage& page, const QCheckBox* msb, const QLineEdit* view,
              const QLineEdit* range) {
  page.msbFirst = msb->isChecked();
  page.view = TextOf(view);
  page.range = TextOf(range);
}

void ShowPage(const ImportViewPage& page, QCheckBox* msb, QLineEdit* view, QLineEdit* range) {
  msb->setChecked(page.msbFirst);
  view->setText(FromUtf8(page.view));
  range->setText(FromUtf8(page.range));
}

}  // namespace

TForm2::TForm2(ConversionSettings& settings, ErrorReporter& errors, QWidget* parent)
    : QDialog(parent), ui(SetUp(this)), settings_(settings), errors_(errors) {
  PrepareOptionDialog(this);
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  OnItemChange(ui->rawencodingradio, this, [this] { rawencodingradioClick(); });
}

TForm2::~TForm2() = default;

int TForm2::PageIndex() const {
  return ui->TabbedNotebook1->currentIndex();
}

void TForm2::SetPageIndex(int page) {
  ui->TabbedNotebook1->setCurrentIndex(page);
}

void TForm2::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  FormShow();
  QDialog::showEvent(event);
}

void TForm2::FormShow() {
  ShowControls(ShowImportOptions(settings_));
  rawencodingradioClick();
}

void TForm2::Button1Click() {
  try {
    StoreImportOptions(Controls(), settings_);
  } catch (const std::exception& error) {
    // The values stored so far keep their new contents; the user corrects the bad one.
    errors_.HandleException(error);
    return;
  }
  accept();
}

void TForm2::rawencodingradioClick() {
  ApplyVisibility(this, OptionsDialog::Import, "rawencodingradio");
}

ImportOptionsControls TForm2::Controls() const {
  ImportOptionsControls controls;
  const auto pages = ViewPages(*ui);
  for (size_t i = 0; i < pages.size(); ++i) {
    ReadPage(controls.view[i], pages[i].msb, pages[i].view, pages[i].range);
  }
  ImportRAWPage& raw = controls.raw;
  ReadPage(raw, ui->rawmsbcheck, ui->rawviewedit, ui->rawrangeedit);
  raw.sfTot = TextOf(ui->rawsftotedit);
  raw.nChans = TextOf(ui->rawnchansedit);
  raw.strip = TextOf(ui->rawstripedit);
  raw.encoding = CheckedItem(ui->rawencodingradio);
  raw.signedItem = CheckedItem(ui->rawsignedradio);
  raw.byteOrder = CheckedItem(ui->rawbyteorderradio);
  ImportTXTPage& txt = controls.txt;
  ReadPage(txt, ui->txtmsbcheck, ui->txtviewedit, ui->txtrangeedit);
  txt.sfTot = TextOf(ui->txtsftotedit);
  txt.nChans = TextOf(ui->txtnchansedit);
  txt.strip = TextOf(ui->txtstripedit);
  txt.commaItem = CheckedItem(ui->txtcommaradio);
  txt.invalidAction = CheckedItem(ui->txtinvalidactionradio);
  txt.overloadAction = CheckedItem(ui->overloadradio);
  return controls;
}

void TForm2::ShowControls(const ImportOptionsControls& controls) {
  const auto pages = ViewPages(*ui);
  for (size_t i = 0; i < pages.size(); ++i) {
    ShowPage(controls.view[i], pages[i].msb, pages[i].view, pages[i].range);
  }
  const ImportRAWPage& raw = controls.raw;
  ShowPage(raw, ui->rawmsbcheck, ui->rawviewedit, ui->rawrangeedit);
  ui->rawsftotedit->setText(FromUtf8(raw.sfTot));
  ui->rawnchansedit->setText(FromUtf8(raw.nChans));
  ui->rawstripedit->setText(FromUtf8(raw.strip));
  CheckItem(ui->rawencodingradio, raw.encoding);
  CheckItem(ui->rawsignedradio, raw.signedItem);
  CheckItem(ui->rawbyteorderradio, raw.byteOrder);
  const ImportTXTPage& txt = controls.txt;
  ShowPage(txt, ui->txtmsbcheck, ui->txtviewedit, ui->txtrangeedit);
  ui->txtsftotedit->setText(FromUtf8(txt.sfTot));
  ui->txtnchansedit->setText(FromUtf8(txt.nChans));
  ui->txtstripedit->setText(FromUtf8(txt.strip));
  CheckItem(ui->txtcommaradio, txt.commaItem);
  CheckItem(ui->txtinvalidactionradio, txt.invalidAction);
  CheckItem(ui->overloadradio, txt.overloadAction);
}

}  // namespace vorsel
