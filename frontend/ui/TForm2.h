#pragma once

#include <QDialog>
#include <memory>

#include "frontend/conversion_settings.h"
#include "frontend/error_reporter.h"
#include "frontend/option_dialogs.h"

namespace Ui {
class TForm2;
}

namespace vorsel {

// The import options dialog Form2: one page per input format with the view and range items
// an import gives the new SMP file, and how RAW and text files are read.
class TForm2 : public QDialog {
 public:
  TForm2(ConversionSettings& settings, ErrorReporter& errors, QWidget* parent);
  ~TForm2() override;
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  int PageIndex() const;
  void SetPageIndex(int page);

  void FormShow();
  void Button1Click();
  void Button2Click() { reject(); }
  void rawencodingradioClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ImportOptionsControls Controls() const;
  void ShowControls(const ImportOptionsControls& controls);

  std::unique_ptr<Ui::TForm2> ui;
  ConversionSettings& settings_;
  ErrorReporter& errors_;
};

}  // namespace vorsel
