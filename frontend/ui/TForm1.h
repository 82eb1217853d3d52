#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/batch_view.h"
#include "frontend/conversion_settings.h"
#include "frontend/file_browser.h"
#include "frontend/settings_files.h"
#include "frontend/targets.h"
#include "frontend/tick_pacer.h"
#include "frontend/ui/window_link.h"
#include "frontend/window_components.h"
#include "frontend/window_rules.h"
#include "kit/about.h"
#include "kit/cProgId.h"
#include "kit/chlpmenu.h"
#include "kit/srecent.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/opener.h"
#include "platform/qt/qt_about_dialog.h"
#include "platform/qt/qt_menu_item.h"
#include "smp/sSMP.h"

namespace Ui {
class TForm1;
}

namespace vorsel {

class ConversionBatch;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
struct BatchParts;

// What the program lends its main window.
struct TForm1Parts {
  MessageBoxes& boxes;
  FileDialogs& fileDialogs;
  Opener& opener;                      // the help menu's web pages and mail addresses
  std::vector<std::string> arguments;  // the command line without the program
  TickPacer::Clock clock;              // the system's tick count when empty
};

// The main window Form1: the file browser, the Action choice, the six target buttons, the
// labels that describe the current file, the busy icons and the conversion log Memo1. It owns
// the settings record, SMPfile1 and the kit components, and is the view of its batches.
class TForm1 : public QMainWindow, public BatchView, public SettingsWindow, public ConversionLog {
 public:
  explicit TForm1(TForm1Parts parts);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void SetImportMode(bool importMode);
  void ApplyFilter();
  void FormActivate();
  void actiongroupClick();
  void FilterComboBox1Change();
  void FileListBox1Change();
  void DirectoryListBox1DblClick();
  void DriveComboBox1Change();
  void Link1NewFile();
  void Information1Click();
  void Options2Click();
  void Import1Click();
  void Options1Click();
  void Test1Click();
  void Exit1Click() { close(); }
  void Panel1Resize();
  void Panel2Resize();
  void RunTarget(const ConversionTarget& target);
  void ShowFileInfo(const std::string& path);

  // Shows a folder in the file browser (after the running batch, if one runs).
  void ChangeFolder(const std::string& folder);
  const std::string& FileMask() const { return mask_; }
  bool ImportMode() const { return importMode_; }
  bool BatchRunning() const { return guard_.Running(); }
  const ConversionSettings& Settings() const { return settings_; }
  ErrorReporter& Errors() { return ErrorLog1; }
  TErrorLog& ErrorLog() { return ErrorLog1.Log(); }
  TDravelAbout& About() { return DravelAbout1; }
  TickPacer& Pacer() { return pacer_; }
  // The hex dump viewer, created after the main window; the idle handler redraws it.
  void SetForm4(TForm4& viewer);

  // BatchView
  size_t EntryCount() const override;
  std::string Entry(size_t index) const override;
  bool Selected(size_t index) const override;
  std::string Directory() const override { return directory_; }
  void SetFileNameLabel(const std::string& caption) override;
  void SetInfoLabel(const std::string& caption) override;
  void SetImage1Visible(bool visible) override;
  void SetImage2Visible(bool visible) override;
  bool Image2Visible() const override;
  void Repaint() override;
  void ProcessMessages() override;
  bool StopRequested() const override { return guard_.CloseRequested(); }

  // SettingsWindow
  int32_t Left() const override;
  int32_t Top() const override;
  void MoveTo(int32_t left, int32_t top) override;
  void SetCaption(const std::string& caption) override;
  int32_t FilterIndex() const override;
  void SelectFilter(int32_t index) override;
  int32_t ActionIndex() const override;
  void SelectAction(int32_t index) override;
  int32_t ImportPage() const override { return importPage_; }
  int32_t ExportPage() const override { return exportPage_; }
  void ShowImportPage(int32_t page) override { importPage_ = page; }
  void ShowExportPage(int32_t page) override { exportPage_ = page; }
  void ProposeSettingsFileName(const std::string& fileName) override { proposedName_ = fileName; }
  std::optional<std::string> ChooseSettingsFileToOpen() override;
  std::optional<std::string> ChooseSettingsFileToSave() override;
  void SetAlwaysSaveTick(bool ticked) override;

  // ConversionLog: Memo1
  void Append(std::string_view line) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The kit components in the window's order.
  std::array<WindowComponent*, 6> Components();
  void ConfigureErrorLog1();
  void ConfigureHelp();
  void ConnectControls();
  void EndBatch();
  void ReadFolder();
  void RereadWhenIdle();
  void ShowDrives();
  void FormClose();
  BatchParts PartsFor(const ConversionSettings& settings, ConversionContext& context);
  template <typename Handler>
  void Safely(Handler&& handler);

  std::unique_ptr<Ui::TForm1> ui;
  TForm1Parts fparts;
  ConversionSettings settings_;
  TSMPfile SMPfile1;
  TickPacer pacer_;
  WindowLinkOwner linkOwner_;
  TLink Link1;
  LinkComponent linkComponent_;
  QtAboutDialogView aboutView_;
  TDravelAbout DravelAbout1;
  LoadedComponent<TDravelAbout> aboutComponent_;
  ErrorLogComponent ErrorLog1;
  TProgId ProgId1;
  QtMenuItem settingsMenu_;
  QtMenuItem mainMenu_;  // the menu bar, which must outlive HelpMenu1
  TRecentFiles RecentFiles1;
  RecentFilesComponent recentFilesComponent_;
  TFileAssociate FileAssociate1;
  FileAssociateComponent fileAssociateComponent_;
  THelpMenu HelpMenu1;
  LoadedComponent<THelpMenu> helpMenuComponent_;
  SettingsFiles settingsFiles_;

  BatchGuard guard_;
  bool activated_ = false;
  bool userStoreLoaded_ = false;  // only then may closing save over the user's store
  bool importMode_ = true;
  std::string directory_;
  std::optional<std::string> pendingFolder_;
  std::string mask_ = "*.smp";
  std::vector<DriveEntry> drives_;
  int32_t importPage_ = 0;
  int32_t exportPage_ = 0;
  std::string proposedName_;
  bool positionKnown_;  // false where the platform keeps window positions to itself
  int32_t left_ = 0;
  int32_t top_ = 0;
  QPointer<TForm4> Form4_;
  // The modal option dialogs, children of the window.
  TForm2* Form2_;
  TForm3* Form3_;
  TForm5* Form5_;
  TForm6* Form6_;
};

}  // namespace vorsel
