#include "frontend/ui/TForm3.h"

#include "frontend/ui/option_dialog_support.h"
#include "ui_TForm3.h"

namespace vorsel {

namespace {

Ui::TForm3* SetUp(QDialog* dialog) {
  auto* form = new Ui::TForm3;
  form->setupUi(dialog);
  return form;
}

// The controls of the "to WAV", "to AU" and "to AIFF" pages.
struct CodingPageControls {
  QGroupBox* encoding;
  QCheckBox* store;
  QCheckBox* fit;
  QCheckBox* dither;
};

std::array<CodingPageControls, 3> CodingPages(const Ui::TForm3& ui) {
  return {{{ui.wavencodingradio, ui.wavstoresmpcheck, ui.wavfitcheck, ui.wavdithercheck},
           {ui.auencodingradio, ui.austoresmpcheck, ui.aufitcheck, ui.audithercheck},
           {ui.aifencodingradio, ui.aifstoresmpcheck, ui.aiffitcheck, ui.aifdithercheck}}};
}

ExportCodingPage ReadPage(const CodingPageControls& page) {
  return {.encoding = CheckedItem(page.encoding),
          .storeSMPHeader = page.store->isChecked(),
          .fitAmplitude = page.fit->isChecked(),
          .ditherNoise = page.dither->isChecked()};
}

void ShowPage(const ExportCodingPage& values, const CodingPageControls& page) {
  CheckItem(page.encoding, values.encoding);
  page.store->setChecked(values.storeSMPHeader);
  page.fit->setChecked(values.fitAmplitude);
  page.dither->setChecked(values.ditherNoise);
}

}  // namespace

TForm3::TForm3(ConversionSettings& settings, ErrorReporter& errors, QWidget* parent)
    : QDialog(parent), ui(SetUp(this)), settings_(settings), errors_(errors) {
  PrepareOptionDialog(this);
  SuppressToolTips(ui->rawheadergroup);
  SuppressToolTips(ui->rawsamplesgroup);
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  OnItemChange(ui->wavencodingradio, this, [this] { wavencodingradioClick(); });
  OnItemChange(ui->auencodingradio, this, [this] { auencodingradioClick(); });
  OnItemChange(ui->aifencodingradio, this, [this] { aifencodingradioClick(); });
  OnItemChange(ui->rawencodingradio, this, [this] { rawencodingradioClick(); });
  connect(ui->wavstoresmpcheck, &QCheckBox::toggled, this, [this] { wavstoresmpcheckClick(); });
  connect(ui->austoresmpcheck, &QCheckBox::toggled, this, [this] { austoresmpcheckClick(); });
}

TForm3::~TForm3() = default;

int TForm3::PageIndex() const {
  return ui->TabbedNotebook1->currentIndex();
}

void TForm3::SetPageIndex(int page) {
  ui->TabbedNotebook1->setCurrentIndex(page);
}

void TForm3::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  FormActivate();
  QDialog::showEvent(event);
}

void TForm3::FormActivate() {
  ShowControls(ShowExportOptions(settings_));
  ApplyAllVisibility(this, OptionsDialog::Export);
}

void TForm3::Button1Click() {
  ExportOptionsControls controls = Controls();
  try {
    StoreExportOptions(controls, settings_);
  } catch (const std::exception& error) {
    // The values stored so far keep their new contents; the user corrects the bad one.
    ShowExtension(controls);
    errors_.HandleException(error);
    return;
  }
  ShowExtension(controls);
  accept();
}

void TForm3::wavencodingradioClick() {
  ApplyVisibility(this, OptionsDialog::Export, "wavencodingradio");
}
void TForm3::wavstoresmpcheckClick() {
  ApplyVisibility(this, OptionsDialog::Export, "wavstoresmpcheck");
}
void TForm3::auencodingradioClick() {
  ApplyVisibility(this, OptionsDialog::Export, "auencodingradio");
}
void TForm3::austoresmpcheckClick() {
  ApplyVisibility(this, OptionsDialog::Export, "austoresmpcheck");
}
void TForm3::aifencodingradioClick() {
  ApplyVisibility(this, OptionsDialog::Export, "aifencodingradio");
}
void TForm3::rawencodingradioClick() {
  ApplyVisibility(this, OptionsDialog::Export, "rawencodingradio");
}

// Storing puts a "." in front of the "other:" text, in the edit as well.
void TForm3::ShowExtension(const ExportOptionsControls& controls) {
  ui->rawextensionedit->setText(FromUtf8(controls.raw.otherExtension));
}

ExportOptionsControls TForm3::Controls() const {
  const auto pages = CodingPages(*ui);
  return {.wav = ReadPage(pages[0]),
          .au = ReadPage(pages[1]),
          .aif = ReadPage(pages[2]),
          .nsp = {.storeSMPHeader = ui->nspstoresmpcheck->isChecked(),
                  .oneChannelType = CheckedItem(ui->nsponegroup),
                  .twoChannelType = CheckedItem(ui->nsptwogroup)},
          .raw = {.headerBytes = ui->rawheaderbytes->text().toStdString(),
                  .encoding = CheckedItem(ui->rawencodingradio),
                  .fitAmplitude = ui->rawfitcheck->isChecked(),
                  .ditherNoise = ui->rawdithercheck->isChecked(),
                  .signedItem = CheckedItem(ui->rawsignedradio),
                  .byteOrder = CheckedItem(ui->rawbyteorderradio),
                  .extensionItem = CheckedItem(ui->rawextensionradio),
                  .otherExtension = ui->rawextensionedit->text().toStdString()}};
}

void TForm3::ShowControls(const ExportOptionsControls& controls) {
  const auto pages = CodingPages(*ui);
  ShowPage(controls.wav, pages[0]);
  ShowPage(controls.au, pages[1]);
  ShowPage(controls.aif, pages[2]);
  ui->nspstoresmpcheck->setChecked(controls.nsp.storeSMPHeader);
  CheckItem(ui->nsponegroup, controls.nsp.oneChannelType);
  CheckItem(ui->nsptwogroup, controls.nsp.twoChannelType);
  const ExportRAWPage& raw = controls.raw;
  ui->rawheaderbytes->setText(FromUtf8(raw.headerBytes));
  CheckItem(ui->rawencodingradio, raw.encoding);
  ui->rawfitcheck->setChecked(raw.fitAmplitude);
  ui->rawdithercheck->setChecked(raw.ditherNoise);
  CheckItem(ui->rawsignedradio, raw.signedItem);
  CheckItem(ui->rawbyteorderradio, raw.byteOrder);
  CheckItem(ui->rawextensionradio, raw.extensionItem);
  ui->rawextensionedit->setText(FromUtf8(raw.otherExtension));
}

}  // namespace vorsel
