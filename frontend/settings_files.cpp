#include "frontend/settings_files.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>
#include <type_traits>
#include <variant>

#include "frontend/version.h"
#include "kit/sini.h"
#include "platform/dotnum.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

constexpr std::string_view kCommon = "Common";
constexpr std::string_view kOverWrite = "OverWrite";

// Reads one field with the default that `defaults` holds for it. A malformed real is
// reported with the place where it was found, so that a user can correct it.
void ReadField(TCustomIni& ini, const SettingField& field, ConversionSettings& settings,
               ConversionSettings& defaults, const std::string& where) {
  const std::string section(field.section);
  const std::string key(field.key);
  std::visit(
      [&](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        const T fallback = *std::get<T*>(field.ref(defaults));
        if constexpr (std::is_same_v<T, int32_t>) {
          *value = ini.ReadInteger(section, key, fallback);
        } else if constexpr (std::is_same_v<T, bool>) {
          *value = ini.ReadBool(section, key, fallback);
        } else if constexpr (std::is_same_v<T, double>) {
          try {
            *value = ini.ReadFloat(section, key, fallback);
          } catch (const EConvertError& error) {
            throw EConvertError(std::string(error.what()) + " (" + section + "." + key + " in " +
                                where + ")");
          }
        } else {
          *value = ini.ReadString(section, key, fallback);
        }
      },
      field.ref(settings));
}

void WriteField(TCustomIni& ini, const SettingField& field, ConversionSettings& settings) {
  const std::string section(field.section);
  const std::string key(field.key);
  std::visit(
      [&](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          ini.WriteInteger(section, key, *value);
        } else if constexpr (std::is_same_v<T, bool>) {
          ini.WriteBool(section, key, *value);
        } else if constexpr (std::is_same_v<T, double>) {
          ini.WriteFloat(section, key, *value);
        } else {
          ini.WriteString(section, key, *value);
        }
      },
      field.ref(settings));
}

bool IsOverWrite(const SettingField& field) {
  return field.section == kCommon && field.key == kOverWrite;
}

// Which fields a load reads from this kind of store.
bool LoadsFrom(const SettingField& field, bool userStore) {
  switch (field.storage) {
    case SettingStorage::Everywhere:
      return true;
    case SettingStorage::UserStoreOnly:
      return userStore || IsOverWrite(field);
    case SettingStorage::OwnCommand:
    case SettingStorage::WrittenOnly:
      return false;
  }
  return false;
}

void ReadFields(TCustomIni& ini, ConversionSettings& settings, ConversionSettings& defaults,
                const std::string& where, const std::function<bool(const SettingField&)>& wanted) {
  for (const SettingField& field : SettingFields()) {
    if (wanted(field)) {
      ReadField(ini, field, settings, defaults, where);
    }
  }
}

std::string Absolute(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace

void ConfigureProgId1(TProgId& ProgId1) {
  ProgId1.SetProductName("Vorsel");
  ProgId1.SetAutoVersion(false);
  ProgId1.SetVersion(std::string(kProgramVersion));
  ProgId1.SetCompany("QuorvikData");
  ProgId1.SetCopyright("Copyright (c) QuorvikData");
}

void ConfigureRecentFiles1(TRecentFiles& RecentFiles1, TProgId& ProgId1, MenuItem& settingsMenu) {
  RecentFiles1.SetName("RecentFiles1");
  RecentFiles1.SetMenu(&settingsMenu);
  RecentFiles1.SetMaxItems(5);
  RecentFiles1.SetMenuPos(100);
  RecentFiles1.SetBarBefore(true);
  RecentFiles1.SetIncludeClearItem(true);
  RecentFiles1.SetClearCaption("&Clear list...");
  RecentFiles1.SetAllowFileOnRemovable(false);
  RecentFiles1.SetAllowFileOnRemote(true);
  RecentFiles1.SetAllowFileOnFixed(true);
  RecentFiles1.SetAllowFileOnCDROM(false);
  RecentFiles1.SetAllowFileOnRAMDisk(false);
  RecentFiles1.SetProgId(&ProgId1);
}

HeadlessSettingsWindow::HeadlessSettingsWindow(const ConversionSettings& settings)
    : left_(settings.Common.XPos),
      top_(settings.Common.YPos),
      filter_(-1),
      action_(-1),
      importPage_(settings.Common.ImportIndex),
      exportPage_(settings.Common.ExportIndex),
      alwaysSave_(settings.Common.SaveSettingsOnExit) {
  SelectFilter(settings.Common.FileTypes);
  SelectAction(settings.Common.Action);
}

void HeadlessSettingsWindow::MoveTo(int32_t left, int32_t top) {
  left_ = left;
  top_ = top;
}

void HeadlessSettingsWindow::SelectFilter(int32_t index) {
  filter_ = index >= 0 && index < kFilterItems ? index : -1;
}

void HeadlessSettingsWindow::SelectAction(int32_t index) {
  action_ = index >= 0 && index < kActionItems ? index : -1;
}

std::optional<std::string> SettingsFileRefusal(const std::string& fileName) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(fileName, error);
  if (status.type() == fs::file_type::not_found) {
    return std::nullopt;
  }
  if (error) {
    return fileName + " cannot be read: " + error.message();
  }
  if (!fs::is_regular_file(status)) {
    return fileName + " is not a file";
  }
  if (fs::file_size(fileName, error) > kMaxSettingsFileBytes && !error) {
    return fileName + " is too large for a settings file";
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    return fileName + " cannot be read: " + std::generic_category().message(errno);
  }
  // UTF-16 text (with its byte-order mark) is full of zero bytes; other text has none.
  std::string block(65536, '\0');
  bool first = true;
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const std::string_view got(block.data(), static_cast<size_t>(in.gcount()));
    if (first && got.starts_with("\xFF\xFE")) {
      return std::nullopt;
    }
    first = false;
    if (got.find('\0') != std::string_view::npos) {
      return fileName + " is not a text file";
    }
  }
  if (in.bad()) {
    return fileName + " cannot be read: " + std::generic_category().message(errno);
  }
  return std::nullopt;
}

SettingsFiles::SettingsFiles(ConversionSettings& settings, SettingsWindow& window,
                             TRecentFiles* RecentFiles1, MessageBoxes& boxes)
    : fsettings(settings), fwindow(window), frecentfiles(RecentFiles1), fboxes(boxes) {
  fformerNotices = SetStoreNoticeHandler([this](const std::string& text) { Tell(text); });
  if (frecentfiles != nullptr) {
    frecentfiles->SetOnClick([this](MenuItem& sender, int32_t ItemNo, const std::string& FileName) {
      RecentFiles1Click(sender, ItemNo, FileName);
    });
  }
}

SettingsFiles::~SettingsFiles() {
  SetStoreNoticeHandler(std::move(fformerNotices));
}

void SettingsFiles::Tell(const std::string& text) {
  fboxes.ShowMessageBox(text, kVorselCaption, mbOk | mbIconExclamation);
}

void SettingsFiles::ShowFileOrigin(const std::string& fileName) {
  if (frecentfiles != nullptr) {
    frecentfiles->add(fileName);
  }
  fwindow.SetCaption(std::string(kVorselCaption) + " - " + fileName);
  fwindow.ProposeSettingsFileName(fileName);
}

void SettingsFiles::TakeWindowState() {
  CommonSettings& common = fsettings.Common;
  common.XPos = fwindow.Left();
  common.YPos = fwindow.Top();
  common.FileTypes = fwindow.FilterIndex();
  common.Action = fwindow.ActionIndex();
  common.ImportIndex = fwindow.ImportPage();
  common.ExportIndex = fwindow.ExportPage();
}

void SettingsFiles::LoadSettings(const std::string& fileName) {
  const bool userStore = fileName.empty();
  const std::string where = userStore ? std::string("the per-user store") : fileName;
  ConversionSettings defaults;
  defaults.Common.XPos = fwindow.Left();  // a missing position leaves the window where it is
  defaults.Common.YPos = fwindow.Top();
  if (!userStore) {
    if (const auto refusal = SettingsFileRefusal(fileName)) {
      Tell(*refusal + ".\rThe settings were not loaded.");
      return;
    }
  }
  {
    TIni ini(fileName, floadonly);
    if (!ini.LockedStore().empty()) {
      Tell(ini.LockedStore() + " is locked by another program; the settings were not read");
      return;
    }
    if (!userStore) {
      ShowFileOrigin(fileName);
    }
    ReadFields(ini, fsettings, defaults, where, [userStore](const SettingField& field) {
      return field.section == kCommon && LoadsFrom(field, userStore);
    });

    CommonSettings& common = fsettings.Common;
    if (userStore) {
      fwindow.MoveTo(common.XPos, common.YPos);
      fwindow.SelectFilter(common.FileTypes);
      if (fwindow.FilterIndex() == 10) {
        fwindow.SelectFilter(0);  // "Custom" is never where the program starts
      }
      common.FileTypes = fwindow.FilterIndex();
      fwindow.SetCaption(std::string(kVorselCaption));
    }
    fwindow.SelectAction(common.Action);
    common.Action = fwindow.ActionIndex();
    fwindow.ShowImportPage(common.ImportIndex);
    fwindow.ShowExportPage(common.ExportIndex);

    ReadFields(ini, fsettings, defaults, where,
               [](const SettingField& field) { return field.section != kCommon; });
    // Locked between two reads: the fields after it kept their defaults.
    if (!ini.LockedStore().empty()) {
      Tell(ini.LockedStore() + " is locked by another program; the settings were not read");
    }
  }
  if (!userStore) {
    TBrannowMachineIni machine("", true);
    fbrannowinfo.URL = machine.ReadString("BrannowInfo", "URL", MakerAddresses().URL);
    fbrannowinfo.EMail = machine.ReadString("BrannowInfo", "EMail", MakerAddresses().EMail);
  }
  fwindow.Repaint();
}

void SettingsFiles::WriteAll(TCustomIni& ini, bool userStore) {
  // Written together: a program reading the store meanwhile never sees half a save, and
  // the disk is synced once. A failing key still ends the save with the keys before it.
  ini.BeginUpdate();
  if (userStore) {
    for (const SettingField& field : SettingFields()) {
      if (field.storage != SettingStorage::UserStoreOnly) {
        continue;
      }
      if (IsOverWrite(field)) {
        // The options dialog's choice lasts until the program ends; what the store holds
        // (an administrator's value, say) stays.
        const std::string section(field.section);
        const std::string key(field.key);
        ini.WriteBool(section, key, ini.ReadBool(section, key, false));
      } else {
        WriteField(ini, field, fsettings);
      }
    }
    fwindow.SetCaption(std::string(kVorselCaption));
  }
  for (const SettingField& field : SettingFields()) {
    if (field.storage == SettingStorage::Everywhere ||
        field.storage == SettingStorage::WrittenOnly) {
      WriteField(ini, field, fsettings);
    }
  }
  ini.UpdateFile();
}

void SettingsFiles::SaveSettings(const std::string& fileName) {
  const bool userStore = fileName.empty();
  TakeWindowState();
  {
    TIni ini(fileName);
    const auto locked = [&ini] {
      return ini.LockedStore() + " is locked by another program; the settings were not saved";
    };
    if (!ini.LockedStore().empty()) {
      Tell(locked());
      return;
    }
    if (!userStore) {
      ShowFileOrigin(fileName);
    }
    try {
      WriteAll(ini, userStore);
    } catch (const ERegistryException&) {
      if (ini.LockedStore().empty()) {
        throw;
      }
      Tell(locked());
      return;
    }
  }
  if (!userStore) {
    // Only an administrator may write the machine-wide store; for everyone else the settings
    // file is saved all the same.
    try {
      TBrannowMachineIni machine("", false);
      machine.WriteString("BrannowInfo", "URL", fbrannowinfo.URL);
      machine.WriteString("BrannowInfo", "EMail", fbrannowinfo.EMail);
    } catch (const ERegistryException&) {
    }
  }
}

bool IsSettingsFileArgument(const std::string& argument) {
  std::error_code error;
  const std::filesystem::path path(argument);
  return !argument.empty() && std::filesystem::is_regular_file(path, error) &&
         EqualNoCase(path.extension().string(), kSettingsFileExtension);
}

void SettingsFiles::FormActivate(std::span<const std::string> arguments) {
  if (factivated) {
    return;
  }
  factivated = true;
  fsettings.Common.SaveSettingsOnExit = TIni().ReadBool(
      std::string(kCommon), "SaveSettingsOnExit", ConversionSettings().Common.SaveSettingsOnExit);
  fwindow.SetAlwaysSaveTick(fsettings.Common.SaveSettingsOnExit);
  LoadSettings("");
  if (!arguments.empty() && IsSettingsFileArgument(arguments.front())) {
    // A relative name would otherwise be looked up in the Windows directory.
    LoadSettings(Absolute(arguments.front()));
  }
}

void SettingsFiles::FormClose() {
  if (fsettings.Common.SaveSettingsOnExit) {
    SaveSettings("");
  }
}

void SettingsFiles::Savenow1Click() {
  SaveSettings("");
}

void SettingsFiles::Always1Click() {
  fsettings.Common.SaveSettingsOnExit = !fsettings.Common.SaveSettingsOnExit;
  fwindow.SetAlwaysSaveTick(fsettings.Common.SaveSettingsOnExit);
  TIni().WriteBool(std::string(kCommon), "SaveSettingsOnExit", fsettings.Common.SaveSettingsOnExit);
}

void SettingsFiles::Openfile1Click() {
  if (const auto path = fwindow.ChooseSettingsFileToOpen()) {
    LoadSettings(*path);
  }
}

void SettingsFiles::Saveasfile1Click() {
  if (const auto path = fwindow.ChooseSettingsFileToSave()) {
    SaveSettings(*path);
  }
}

void SettingsFiles::RecentFiles1Click(MenuItem&, int32_t, const std::string& FileName) {
  LoadSettings(FileName);
}

}  // namespace vorsel
