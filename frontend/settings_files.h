#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "frontend/conversion_settings.h"
#include "kit/cProgId.h"
#include "kit/srecent.h"
#include "platform/keystore.h"
#include "platform/menu.h"
#include "platform/messagebox.h"

namespace vorsel {

class TCustomIni;

inline constexpr std::string_view kVorselCaption = "Vorsel";
inline constexpr std::string_view kSettingsFileFilter =
    "Vorsel settings (*.vrs)|*.vrs|All files (*.*)|*.*";
inline constexpr std::string_view kSettingsFileExtension = ".vrs";
// The window program's file name; the command-line tool takes it too, so both use one store.
inline constexpr std::string_view kProgramFileName = "vorsel";

// The window's ProgId1 and RecentFiles1 as the main window places them. The window calls
// RecentFiles1.Loaded() once its menu exists.
void ConfigureProgId1(TProgId& ProgId1);
void ConfigureRecentFiles1(TRecentFiles& RecentFiles1, TProgId& ProgId1, MenuItem& settingsMenu);

// The maker's addresses that travel with settings files through the machine-wide store; the
// program keeps them and shows them nowhere.
struct MakerAddresses {
  std::string URL = "https://www.brannow.example/";
  std::string EMail = "mailto:support@brannow.example";
};

// What loading and saving the settings needs of the main window.
class SettingsWindow {
 public:
  virtual ~SettingsWindow() = default;

  // Left and top edges of the window.
  virtual int32_t Left() const = 0;
  virtual int32_t Top() const = 0;
  virtual void MoveTo(int32_t left, int32_t top) = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  // The filter box: selecting an item applies its filter to the file list; an index outside
  // the box selects nothing, which reads back as -1.
  virtual int32_t FilterIndex() const = 0;
  virtual void SelectFilter(int32_t index) = 0;

  // The Action group: a selection takes effect as if the user had chosen it.
  virtual int32_t ActionIndex() const = 0;
  virtual void SelectAction(int32_t index) = 0;

  // The open pages of the import and export option dialogs.
  virtual int32_t ImportPage() const = 0;
  virtual int32_t ExportPage() const = 0;
  virtual void ShowImportPage(int32_t page) = 0;
  virtual void ShowExportPage(int32_t page) = 0;

  // The two settings-file dialogs (kSettingsFileFilter, default extension kSettingsFileExtension):
  // the name they propose, and the chosen path, or nothing when cancelled.
  virtual void ProposeSettingsFileName(const std::string& fileName) = 0;
  virtual std::optional<std::string> ChooseSettingsFileToOpen() = 0;
  virtual std::optional<std::string> ChooseSettingsFileToSave() = 0;

  // The tick of "Always save on exit".
  virtual void SetAlwaysSaveTick(bool ticked) = 0;
  virtual void Repaint() = 0;
};

// A window that only remembers what it is told, for running without a desktop: the
// command-line tool. Its controls start from the record's values.
class HeadlessSettingsWindow : public SettingsWindow {
 public:
  static constexpr int32_t kFilterItems = 11;  // the filter box's items, 10 being "Custom"
  static constexpr int32_t kActionItems = 2;

  explicit HeadlessSettingsWindow(const ConversionSettings& settings);

  int32_t Left() const override { return left_; }
  int32_t Top() const override { return top_; }
  void MoveTo(int32_t left, int32_t top) override;
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  int32_t FilterIndex() const override { return filter_; }
  void SelectFilter(int32_t index) override;
  int32_t ActionIndex() const override { return action_; }
  void SelectAction(int32_t index) override;
  int32_t ImportPage() const override { return importPage_; }
  int32_t ExportPage() const override { return exportPage_; }
  void ShowImportPage(int32_t page) override { importPage_ = page; }
  void ShowExportPage(int32_t page) override { exportPage_ = page; }
  void ProposeSettingsFileName(const std::string& fileName) override { proposed_ = fileName; }
  std::optional<std::string> ChooseSettingsFileToOpen() override { return std::nullopt; }
  std::optional<std::string> ChooseSettingsFileToSave() override { return std::nullopt; }
  void SetAlwaysSaveTick(bool ticked) override { alwaysSave_ = ticked; }
  void Repaint() override {}

  const std::string& Caption() const { return caption_; }

 private:
  int32_t left_;
  int32_t top_;
  std::string caption_{kVorselCaption};
  int32_t filter_;
  int32_t action_;
  int32_t importPage_;
  int32_t exportPage_;
  std::string proposed_;
  bool alwaysSave_;
};

// Settings files are small texts; a larger file or one that is not text is no settings file.
inline constexpr uintmax_t kMaxSettingsFileBytes = uintmax_t{64} << 20;

// Why an existing file cannot be loaded as a settings file ("<file> cannot be read: <reason>",
// "<file> is too large for a settings file", "<file> is not a text file"); nothing when it can,
// or when it does not exist (a missing file gives the defaults).
std::optional<std::string> SettingsFileRefusal(const std::string& fileName);

// Moves the conversion settings record to and from the per-user store (an empty file name)
// and settings files, and carries out the main window's settings commands and its start-up
// and exit steps.
//
// A settings file never receives the per-user-only fields; Common.OverWrite is read from
// either kind of store but never stored by the program. A missing file or key gives the
// record's default; a malformed real stops a load at that key with an EConvertError naming
// the key and the store; a failed write stops a save with the store's error.
//
// A message box (caption "Vorsel") tells of a settings file that exists but cannot be loaded
// (the settings stay as they are), of a per-user store that another program keeps locked
// ("<store> is locked by another program; the settings were not read", or "... were not
// saved"), and, while the object lives, of every notice of the stores (a damaged store).
class SettingsFiles {
 public:
  // Without a recent-files list (as in the command-line tool) settings files are not
  // remembered; with one, its click event loads the chosen file.
  SettingsFiles(ConversionSettings& settings, SettingsWindow& window, TRecentFiles* RecentFiles1,
                MessageBoxes& boxes);
  ~SettingsFiles();
  SettingsFiles(const SettingsFiles&) = delete;
  SettingsFiles& operator=(const SettingsFiles&) = delete;

  void LoadSettings(const std::string& fileName);
  void SaveSettings(const std::string& fileName);

  // First activation of the main window: the "Always save on exit" tick, the per-user store,
  // then a ".vrs" settings file named as the first argument (arguments without the program).
  void FormActivate(std::span<const std::string> arguments);
  void FormClose();

  void Savenow1Click();
  void Always1Click();
  void Openfile1Click();
  void Saveasfile1Click();
  void RecentFiles1Click(MenuItem& sender, int32_t ItemNo, const std::string& FileName);

  const MakerAddresses& BrannowInfo() const { return fbrannowinfo; }

  // A reader that only loads (the command-line tool) leaves a missing per-user store and
  // program key missing instead of creating them.
  void SetLoadOnly(bool value) { floadonly = value; }

 private:
  void ShowFileOrigin(const std::string& fileName);
  void TakeWindowState();
  void Tell(const std::string& text);
  void WriteAll(TCustomIni& ini, bool userStore);

  ConversionSettings& fsettings;
  SettingsWindow& fwindow;
  TRecentFiles* frecentfiles;
  MessageBoxes& fboxes;
  StoreNoticeHandler fformerNotices;
  MakerAddresses fbrannowinfo;
  bool factivated = false;
  bool floadonly = false;
};

// Whether a command-line argument names an existing ".vrs" file (any letter case).
bool IsSettingsFileArgument(const std::string& argument);

}  // namespace vorsel
