#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "formats/format_list.h"
#include "frontend/version.h"
#include "probing/filetype.h"

namespace vorsel {

struct CommonSettings {
  int32_t XPos = 0;
  int32_t YPos = 0;
  int32_t FileTypes = 7;
  std::string CustomMask = "*.*";
  int32_t FavouriteImport = 6;
  bool UseExtensionAsId = false;
  bool OverWrite = false;
  std::string Version = std::string(kSettingsVersion);
  int32_t Action = 0;  // 0 Import, 1 Export
  int32_t ImportIndex = 0;
  int32_t ExportIndex = 0;
  int32_t Naming = 0;  // 0 same name, 1 start with, 2 end with, 3 ask
  std::string AppendString = "c";
  bool LimitTo8Plus3 = false;  // stored under the key "LimitTo8+3"
  bool SaveSettingsOnExit = true;
};

// Every option of the converter; the member names follow the storage keys Section.Key. The
// sections of the formats come from their own structs (ImportWAV, ExportWAV of WAVSettings).
struct ConversionSettings : ForeignFormatSettings {
  CommonSettings Common;
};

// What type detection reads of the record, with the formats it knows.
ProbeSettings ProbeSettingsOf(const ConversionSettings& settings);

enum class SettingType { Int, Bool, Real, String };

struct SettingField {
  std::string_view section;
  std::string_view key;
  SettingStorage storage;
  // A field of the Common section, or one of a format's.
  SettingRef (*commonRef)(CommonSettings& common) = nullptr;
  SettingRef (*formatRef)(ForeignFormatSettings& formats) = nullptr;

  SettingRef ref(ConversionSettings& settings) const {
    return formatRef != nullptr ? formatRef(settings) : commonRef(settings.Common);
  }
};

SettingType SettingTypeOf(const SettingField& field);

// All fields, in the order a new settings file receives them.
std::span<const SettingField> SettingFields();

// Section and key compared without regard to case, as the stores compare them.
const SettingField* FindSettingField(std::string_view section, std::string_view key);

// The field's value as a settings file writes it.
std::string SettingText(const SettingField& field, ConversionSettings& settings);

// The value a fresh record holds, as a settings file writes it.
std::string DefaultSettingText(const SettingField& field);

// Sets the field from text as a settings file holds it; false when the text is not a value of
// the field's type (the field is then unchanged).
bool SetSettingText(const SettingField& field, ConversionSettings& settings, std::string_view text);

}  // namespace vorsel
