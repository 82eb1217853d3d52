#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vorsel {

// The view and range an import gives the new SMP file; the six import sections share them.
struct ImportViewSettings {
  double ViewLo = -1;
  double ViewHi = 1;
  std::string Unit;
  std::string AxisText;
  double RangeLo = -32768;
  double RangeHi = 32768;
  bool MSBFirst = false;
};

struct ImportRAWSettings : ImportViewSettings {
  int32_t ByteOrder = 0;  // 0 Intel, 1 Motorola
  bool Signed = true;
  double SfTot = 16000;
  int32_t nChans = 1;
  int32_t StripBytes = 0;
  int32_t Encoding = 3;
};

struct ImportTXTSettings : ImportViewSettings {
  double SfTot = 16000;
  int32_t nChans = 1;
  int32_t StripLines = 0;
  int32_t InvalidNumberAction = 0;  // 0 alert, 1 insert zero, 2 skip
  int32_t OverloadAction = 0;       // 0 clip, 1 wrap, 2 insert zero
  bool CommaIsSeparator = false;
};

struct ExportCodingSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  bool StoreSMPHeader = false;
  int32_t Encoding = 3;  // 0 mu-law, 1 A-law, 2 8-bit linear, 3 16-bit linear
};

struct ExportAIFSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  bool StoreSMPHeader = false;
  int32_t Encoding = 1;  // 0 8-bit linear, 1 16-bit linear
};

struct ExportNSPSettings {
  bool StoreSMPHeader = false;
  int32_t OneChannelType = 0;  // 0 HEDR, 1 HDR8
  int32_t TwoChannelType = 1;  // 0 interleaved HEDR, 1 separate chunks HEDR, 2 separate chunks HDR8
};

struct ExportRAWSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  int32_t HeaderBytes = 0;
  bool MSBFirst = false;
  bool Signed = true;
  int32_t Encoding = 3;
  std::string Extension = ".raw";
  std::string OtherExtension = ".raw";
};

struct CommonSettings {
  int32_t XPos = 0;
  int32_t YPos = 0;
  int32_t FileTypes = 7;
  std::string CustomMask = "*.*";
  int32_t FavouriteImport = 6;
  bool UseExtensionAsId = false;
  bool OverWrite = false;
  std::string Version = "4.5";
  int32_t Action = 0;  // 0 Import, 1 Export
  int32_t ImportIndex = 0;
  int32_t ExportIndex = 0;
  int32_t Naming = 0;  // 0 same name, 1 start with, 2 end with, 3 ask
  std::string AppendString = "c";
  bool LimitTo8Plus3 = false;  // stored under the key "LimitTo8+3"
  bool SaveSettingsOnExit = true;
};

// Every option of the converter; the member names follow the storage keys Section.Key.
struct ConversionSettings {
  CommonSettings Common;
  ImportViewSettings ImportWAV;
  ImportViewSettings ImportAU;
  ImportViewSettings ImportAIF;
  ImportViewSettings ImportNSP;
  ImportRAWSettings ImportRAW;
  ImportTXTSettings ImportTXT;
  ExportCodingSettings ExportWAV;
  ExportCodingSettings ExportAU;
  ExportAIFSettings ExportAIF;
  ExportNSPSettings ExportNSP;
  ExportRAWSettings ExportRAW;
};

enum class SettingType { Int, Bool, Real, String };

// Where a field may be stored.
enum class SettingStorage {
  Everywhere,     // the per-user store and settings files
  UserStoreOnly,  // never written into a settings file
  OwnCommand,     // per-user store, read and written only by its own menu command
  WrittenOnly,    // written for other programs, never read back
};

using SettingRef = std::variant<int32_t*, bool*, double*, std::string*>;

struct SettingField {
  std::string_view section;
  std::string_view key;
  SettingStorage storage;
  SettingRef (*ref)(ConversionSettings&);
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
