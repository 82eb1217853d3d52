#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "frontend/conversion_settings.h"

class QRadioButton;

namespace Ui {
class TForm5;
}

namespace vorsel {

// The naming options dialog Form5: how output files are named, whether existing ones are
// replaced without a question, and how input file types are identified.
class TForm5 : public QDialog {
 public:
  TForm5(ConversionSettings& settings, QWidget* parent);
  ~TForm5() override;
  TForm5(const TForm5&) = delete;
  TForm5& operator=(const TForm5&) = delete;

  void FormActivate();
  void Button1Click();
  void Button2Click() { reject(); }
  void namingeditClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The naming buttons by Common.Naming: same, start with, end with, ask.
  std::array<QRadioButton*, 4> NamingButtons() const;
  int SelectedNaming() const;
  void SelectNaming(int naming);

  std::unique_ptr<Ui::TForm5> ui;
  ConversionSettings& settings_;
};

}  // namespace vorsel
