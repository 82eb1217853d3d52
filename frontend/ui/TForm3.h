#pragma once

#include <QDialog>
#include <memory>

#include "frontend/conversion_settings.h"
#include "frontend/error_reporter.h"
#include "frontend/option_dialogs.h"

namespace Ui {
class TForm3;
}

namespace vorsel {

// The export options dialog Form3: one page per target format with its coding, fitting,
// dither and embedded SMP head, the NSP variants and the RAW layout and extension.
class TForm3 : public QDialog {
 public:
  TForm3(ConversionSettings& settings, ErrorReporter& errors, QWidget* parent);
  ~TForm3() override;
  TForm3(const TForm3&) = delete;
  TForm3& operator=(const TForm3&) = delete;

  int PageIndex() const;
  void SetPageIndex(int page);

  void FormActivate();
  void Button1Click();
  void Button2Click() { reject(); }
  void wavencodingradioClick();
  void wavstoresmpcheckClick();
  void auencodingradioClick();
  void austoresmpcheckClick();
  void aifencodingradioClick();
  void rawencodingradioClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ExportOptionsControls Controls() const;
  void ShowControls(const ExportOptionsControls& controls);
  void ShowExtension(const ExportOptionsControls& controls);

  std::unique_ptr<Ui::TForm3> ui;
  ConversionSettings& settings_;
  ErrorReporter& errors_;
};

}  // namespace vorsel
