#include "kit/sini.h"

#include <charconv>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "kit/ini_values.h"
#include "platform/charset.h"
#include "platform/dotnum.h"
#include "platform/folders.h"
#include "platform/inifile.h"

namespace vorsel {

namespace {

// A profile read returns at most this many characters.
constexpr size_t kMaxFileValueLength = 2047;

constexpr std::string_view kProbeKey = "Software\\QuorvikXII13425843592";

RegistryRoot& ProbedRoot() {
  static RegistryRoot root = RegistryRoot::HKEY_CLASSES_ROOT;
  return root;
}

std::string ProgramKey(std::string_view company) {
  return "SoftWare\\" + std::string(company) + "\\" + ExeBase(ProgramFileName());
}

std::string InWindowsDirectory(const std::string& fileName) {
  if (fileName.empty() || fileName.find('/') != std::string::npos) {
    return fileName;
  }
  const std::string folder = SystemFolders().WindowsDirectory();
  return folder.empty() ? fileName : folder + "/" + fileName;
}

}  // namespace

std::optional<int32_t> IntegerFromText(std::string_view text, bool hexAfter0x) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  if (hexAfter0x && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    uint32_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (result.ec != std::errc{} || result.ptr != digits.data() + digits.size() ||
        digits.front() == '-' || digits.front() == '+') {
      return std::nullopt;
    }
    return static_cast<int32_t>(value);
  }
  return DecimalInt32(text);
}

std::string FontNameCut(std::string_view name) {
  return std::string(Utf8Prefix(name, 255));
}

std::string ExeBase(std::string_view programFileName) {
  const size_t slash = programFileName.find_last_of("/\\");
  std::string_view name =
      slash == std::string_view::npos ? programFileName : programFileName.substr(slash + 1);
  return std::string(name.substr(0, name.find('.')));
}

TCustomIni::TCustomIni(std::string fileName, RegistryRoot root, std::string keyPath, bool readOnly)
    : fFileName(std::move(fileName)), fKeyPath(std::move(keyPath)), fReadOnly(readOnly) {
  if (FileMode()) {
    inifile = std::make_unique<IniFile>(InWindowsDirectory(fFileName));
    return;
  }
  setting = OpenRegistryRoot(root, readOnly ? StoreAccess::ReadOnly : StoreAccess::ReadWrite);
  try {
    fOpened = setting->KeyExists(fKeyPath);
    if (!fOpened && !readOnly) {
      setting->CreateKey(fKeyPath);
      fOpened = true;
    }
  } catch (const StoreError& error) {
    NoteStoreError(error);
    // Reads then give their defaults and writes fail with their own message.
    fOpened = false;
  }
}

TCustomIni::~TCustomIni() {
  try {
    UpdateFile();
  } catch (const std::exception&) {
    // Nothing is left to report to at destruction.
  }
}

void TCustomIni::BeginUpdate() {
  fUpdating = true;
  if (FileMode()) {
    inifile->SetDeferred(true);
  } else {
    setting->BeginBatch();
  }
}

void TCustomIni::UpdateFile() {
  if (!fUpdating) {
    return;
  }
  fUpdating = false;
  if (FileMode()) {
    try {
      inifile->SetDeferred(false);
    } catch (const IniWriteError&) {
      throw EIniFileException("Unable to write to " + fFileName);
    }
    return;
  }
  try {
    setting->CommitBatch();
  } catch (const StoreError& error) {
    NoteStoreError(error);
    throw ERegistryException("Unable to write to " + fKeyPath);
  }
}

void TCustomIni::NoteStoreError(const StoreError& error) {
  if (const auto* locked = dynamic_cast<const StoreLockedError*>(&error)) {
    fLockedStore = locked->File();
  }
}

std::string TCustomIni::SectionPath(const std::string& section) const {
  return fKeyPath + "\\" + section;
}

void TCustomIni::CheckWritable(const std::string& section) const {
  if (fReadOnly || !fOpened) {
    throw ERegistryException("Failed to create key " + section);
  }
}

std::string TCustomIni::ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) {
  if (FileMode()) {
    const auto value = inifile->Read(section, key);
    return value ? std::string(Utf8Prefix(*value, kMaxFileValueLength)) : defaultValue;
  }
  std::optional<StoreValue> value;
  try {
    value = setting->ReadValue(SectionPath(section), key);
  } catch (const StoreError& error) {
    NoteStoreError(error);
    return defaultValue;
  }
  if (!value) {
    return defaultValue;
  }
  if (!std::holds_alternative<std::string>(*value)) {
    throw ERegistryException("Invalid data type for '" + key + "'");
  }
  return std::get<std::string>(*value);
}

int32_t TCustomIni::ReadInteger(const std::string& section, const std::string& key,
                                int32_t defaultValue) {
  return IntegerFromText(ReadString(section, key, ""), FileMode()).value_or(defaultValue);
}

bool TCustomIni::ReadBool(const std::string& section, const std::string& key, bool defaultValue) {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TCustomIni::ReadFloat(const std::string& section, const std::string& key,
                             double defaultValue) {
  return StrToFloatDot(ReadString(section, key, FloatToStrDot(defaultValue)));
}

TFont& TCustomIni::ReadFont(const std::string& section, const std::string& key, TFont& font) {
  return ReadFontFrom(*this, section, key, font);
}

void TCustomIni::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
  if (FileMode()) {
    try {
      inifile->Write(section, key, value);
    } catch (const IniWriteError&) {
      throw EIniFileException("Unable to write to " + fFileName);
    }
    return;
  }
  CheckWritable(section);
  try {
    setting->CreateKey(SectionPath(section));
  } catch (const StoreError& error) {
    NoteStoreError(error);
    throw ERegistryException("Failed to create key " + section);
  }
  try {
    setting->WriteValue(SectionPath(section), key, value);
  } catch (const StoreError& error) {
    NoteStoreError(error);
    throw ERegistryException("Failed to set data for '" + key + "'");
  }
}

void TCustomIni::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TCustomIni::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TCustomIni::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FloatToStrDot(value));
}

void TCustomIni::WriteFont(const std::string& section, const std::string& key, const TFont& font) {
  WriteFontTo(*this, section, key, font);
}

void TCustomIni::ReadSection(const std::string& section, std::vector<std::string>& strings) {
  strings.clear();
  if (FileMode()) {
    strings = inifile->KeyNames(section);
    return;
  }
  try {
    strings = setting->ValueNames(SectionPath(section));
  } catch (const StoreError& error) {
    NoteStoreError(error);
    strings.clear();
  }
}

void TCustomIni::ReadSections(std::vector<std::string>& strings) {
  strings.clear();
  if (FileMode()) {
    strings = inifile->SectionNames();
    return;
  }
  try {
    strings = setting->SubkeyNames(fKeyPath);
  } catch (const StoreError& error) {
    NoteStoreError(error);
    strings.clear();
  }
}

void TCustomIni::ReadSectionValues(const std::string& section, std::vector<std::string>& strings) {
  std::vector<std::string> keys;
  ReadSection(section, keys);
  strings.clear();
  for (const std::string& key : keys) {
    std::string text;
    if (FileMode()) {
      text = ReadString(section, key, "");
    } else {
      // A listing shows an integer value as its number rather than failing on its type.
      std::optional<StoreValue> value;
      try {
        value = setting->ReadValue(SectionPath(section), key);
      } catch (const StoreError& error) {
        NoteStoreError(error);
      }
      if (value) {
        text = std::visit(
            [](const auto& v) {
              if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
                return v;
              } else {
                return std::to_string(v);
              }
            },
            *value);
      }
    }
    strings.push_back(key + "=" + text);
  }
}

void TCustomIni::EraseSection(const std::string& section) {
  if (FileMode()) {
    try {
      inifile->EraseSection(section);
    } catch (const IniWriteError&) {
      throw EIniFileException("Unable to write to " + fFileName);
    }
    return;
  }
  CheckWritable(section);
  try {
    setting->DeleteKey(SectionPath(section));
  } catch (const StoreError& error) {
    NoteStoreError(error);
    throw ERegistryException("Failed to delete key " + section);
  }
}

void TCustomIni::DeleteKey(const std::string& section, const std::string& ident) {
  if (FileMode()) {
    try {
      inifile->DeleteKey(section, ident);
    } catch (const IniWriteError&) {
      throw EIniFileException("Unable to write to " + fFileName);
    }
    return;
  }
  CheckWritable(section);
  try {
    setting->DeleteValue(SectionPath(section), ident);
  } catch (const StoreError& error) {
    NoteStoreError(error);
    throw ERegistryException("Failed to delete value '" + ident + "'");
  }
}

TIni::TIni(std::string fname, bool readOnly)
    : TCustomIni(std::move(fname), RegistryRoot::HKEY_CURRENT_USER, ProgramKey("QuorvikData"),
                 readOnly) {}

TQuorvikMachineIni::TQuorvikMachineIni(std::string fileName, bool readOnly)
    : TQuorvikMachineIni(std::move(fileName), readOnly, "QuorvikData") {}

TQuorvikMachineIni::TQuorvikMachineIni(std::string fileName, bool readOnly,
                                       std::string_view company)
    : TCustomIni(std::move(fileName), RegistryRoot::HKEY_LOCAL_MACHINE, ProgramKey(company),
                 readOnly) {}

TBrannowMachineIni::TBrannowMachineIni(std::string fileName, bool readOnly)
    : TQuorvikMachineIni(std::move(fileName), readOnly, "Brannow") {}

TDravelIni::TDravelIni()
    : TCustomIni("", RegistryRoot::HKEY_CURRENT_USER, "SoftWare\\QuorvikData\\Dravel", false) {}

TFont& TDravelIni::ReadFont(const std::string& section, const std::string& key, TFont& font) {
  const std::string name = FontNameCut(ReadString(section, key + std::string(kFontName), ""));
  if (!name.empty()) {
    font.Name = name;
  }
  const int32_t size = ReadInteger(section, key + std::string(kFontSize), 0);
  if (size != 0) {
    font.Size = size;
  }
  const int32_t color = ReadInteger(section, key + std::string(kFontColor), 0);
  if (color != 0) {
    font.Color = color;
  }
  ReadFontStyles(*this, section, key, font);
  return font;
}

bool KitDebugMode() {
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER, StoreAccess::ReadOnly);
    const auto value = store->ReadValue("\\SOFTWARE\\QuorvikData\\Dravel", "DebugMode");
    return value && std::holds_alternative<int32_t>(*value) && std::get<int32_t>(*value) != 0;
  } catch (const StoreError&) {
    return false;
  }
}

void ProbeRegistryRoot() {
  ProbedRoot() = RegistryRoot::HKEY_CLASSES_ROOT;
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT);
    store->CreateKey("\\Software\\");
    store->CreateKey(kProbeKey);
    if (store->KeyExists(kProbeKey)) {
      try {
        store->DeleteKey(kProbeKey);
      } catch (const StoreError&) {
        // The root could be written; whether the test key went again does not matter.
      }
      return;
    }
  } catch (const StoreError&) {
    // Falls back below, as for any other failure.
  }
  ProbedRoot() = RegistryRoot::HKEY_CURRENT_USER;
}

RegistryRoot ProbedRegistryRoot() {
  return ProbedRoot();
}

}  // namespace vorsel
