#pragma once

#include <QDialog>
#include <memory>

#include "frontend/conversion_settings.h"

namespace Ui {
class TForm6;
}

namespace vorsel {

// The custom file mask dialog Form6: the mask of the filter item "Custom". Only "&Ok" stores.
class TForm6 : public QDialog {
 public:
  TForm6(ConversionSettings& settings, QWidget* parent);
  ~TForm6() override;
  TForm6(const TForm6&) = delete;
  TForm6& operator=(const TForm6&) = delete;

  void FormShow();
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm6> ui;
  ConversionSettings& settings_;
};

}  // namespace vorsel
