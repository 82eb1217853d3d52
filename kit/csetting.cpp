#include "kit/csetting.h"

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <utility>
#include <variant>

#include "kit/ini_values.h"
#include "kit/sini.h"
#include "platform/dotnum.h"
#include "platform/inifile.h"

namespace vorsel {

namespace {

constexpr size_t kFloatTextWidth = 23;

// Clears the re-entry guard also when the computation fails.
class GuardFlag {
 public:
  explicit GuardFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~GuardFlag() { flag_ = false; }
  GuardFlag(const GuardFlag&) = delete;
  GuardFlag& operator=(const GuardFlag&) = delete;

 private:
  bool& flag_;
};

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithIniExtension(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + ".ini";
}

std::string FolderOf(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

}  // namespace

std::string SettingFloatText(double value) {
  if (!std::isfinite(value)) {
    const std::string text = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "+INF");
    return std::string(kFloatTextWidth - text.size(), ' ') + text;
  }
  if (value == 0) {
    value = 0;  // no sign for a negative zero
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, 14);
  const std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
  const size_t e = text.find('e');
  std::string out = value < 0 ? "" : " ";
  out += text.substr(0, e);
  out += 'E';
  out += text[e + 1];  // to_chars always writes the exponent's sign
  const std::string_view digits = text.substr(e + 2);
  out.append(4 - std::min<size_t>(4, digits.size()), '0');
  out += digits;
  return out;
}

TSetting::TSetting(const Folders& folders)
    : fFolders(folders), fwindir(folders.WindowsDirectory().substr(0, 260)) {}

TSetting::~TSetting() {
  try {
    IniClose();
  } catch (const std::exception&) {
    // Nothing is left to report to at destruction.
  }
}

void TSetting::Loaded() {
  if (fProgId == nullptr) {
    throw ESettingError("Nothing assigned to " + fName + ".ProgId");
  }
}

void TSetting::SetLocation(tsettinglocation value) {
  fLocation = value;
  inifilenamedirty = true;
  FixPaths();
}

void TSetting::SetFilename(std::string value) {
  fFilename = std::move(value);
  inifilenamedirty = true;
}

void TSetting::SetIniFilename(std::string value) {
  fIniFilename = std::move(value);
  inifilenamedirty = true;
  FixPaths();
}

void TSetting::SetManualIniClose(bool value) {
  fManualIniClose = value;
  if (!value) {
    IniClose();
  }
  if (fIni) {
    fIni->SetDeferred(value);
  }
}

std::string TSetting::Company() {
  if (fProgId == nullptr) {
    throw ESettingError("Nothing assigned to ProgId");
  }
  if (fCompany != fProgId->Company()) {
    fCompany = fProgId->Company();
    inifilenamedirty = true;
    FixPaths();
  }
  return fCompany;
}

std::string TSetting::ProductName() {
  if (fProgId == nullptr) {
    throw ESettingError("Nothing assigned to ProgId");
  }
  if (fProductName != fProgId->ProductName()) {
    fProductName = fProgId->ProductName();
    inifilenamedirty = true;
    FixPaths();
  }
  return fProductName;
}

std::string TSetting::Version() {
  if (fProgId == nullptr) {
    throw ESettingError("Nothing assigned to ProgId");
  }
  if (fVersion != fProgId->Version()) {
    fVersion = fProgId->Version();
    inifilenamedirty = true;
    FixPaths();
  }
  return fVersion;
}

void TSetting::SyncIdentity() {
  Company();
  ProductName();
  Version();
}

void TSetting::FixPaths() {
  // Without an identity there is nothing to compute yet; the next use reports it.
  if (fixingpaths || fProgId == nullptr) {
    return;
  }
  GuardFlag guard(fixingpaths);
  std::optional<std::string> folder;
  switch (fLocation) {
    case slroaming:
      folder = fFolders.AppData(AppDataFolder::Roaming);
      break;
    case slnonroaming:
      folder = fFolders.AppData(AppDataFolder::Local);
      break;
    case slcommonadmin:
    case slcommoninsecure:
      folder = fFolders.AppData(AppDataFolder::Common);
      break;
    case sluser:
    case slmachine:
    case slfile:
      break;
  }
  dirfound = folder.has_value() && !folder->empty();
  fautodir = dirfound ? *folder : std::string();
  if (dirfound) {
    fautofilename = WithSlash(fautodir) + Company() + "/" + ProductName() + "/" + Version() + "/";
  } else {
    fautofilename = WithSlash(fwindir);
  }
}

tsettinglocation TSetting::EffectiveLocation() const {
  if (dirfound) {
    return fLocation;
  }
  switch (fLocation) {
    case slroaming:
    case slnonroaming:
      return sluser;
    case slcommonadmin:
      return slmachine;
    default:
      return fLocation;
  }
}

std::string TSetting::IniFilename() {
  SyncIdentity();
  if (!inifilenamedirty) {
    return fIniFilename;
  }
  FixPaths();
  const tsettinglocation location = EffectiveLocation();
  switch (location) {
    case sluser:
      fIniFilename = std::string(RegistryRootName(RegistryRoot::HKEY_CURRENT_USER));
      break;
    case slmachine:
      fIniFilename = std::string(RegistryRootName(RegistryRoot::HKEY_LOCAL_MACHINE));
      break;
    case slfile:
      fIniFilename = fFilename;
      break;
    default: {
      std::string name = FileNamePart(fIniFilename);
      name = WithIniExtension(name.empty() ? FileNamePart(ProgramFileName()) : name);
      const bool insecure = location == slcommoninsecure && dirfound;
      fIniFilename = fautofilename + (insecure ? "insecure/" : "") + name;
      break;
    }
  }
  inifilenamedirty = false;
  return fIniFilename;
}

TSetting::Place TSetting::Resolve() {
  const std::string name = IniFilename();  // also brings identity and paths up to date
  switch (EffectiveLocation()) {
    case sluser:
      return {true, RegistryRoot::HKEY_CURRENT_USER, {}};
    case slmachine:
      return {true, RegistryRoot::HKEY_LOCAL_MACHINE, {}};
    case slfile:
      // As with the profile functions, a bare file name lies in the Windows directory.
      return {
          false,
          {},
          fFilename.find('/') == std::string::npos ? WithSlash(fwindir) + fFilename : fFilename};
    default:
      return {false, {}, name};
  }
}

std::string TSetting::ProductKey() {
  return "\\Software\\" + Company() + "\\" + ProductName() + "\\" + Version();
}

std::string TSetting::SectionKey(const std::string& section) {
  return ProductKey() + "\\" + section;
}

IniFile& TSetting::BindIni(const std::string& file) {
  if (!fIni || fIni->FileName() != file) {
    IniClose();
    fIni = std::make_unique<IniFile>(file);
    fIni->SetDeferred(fManualIniClose);
  }
  return *fIni;
}

void TSetting::AfterIniOperation() {
  if (!fManualIniClose) {
    IniClose();
  }
}

void TSetting::IniClose() {
  if (!fIni) {
    return;
  }
  try {
    fIni->Flush();
  } catch (const IniWriteError&) {
    throw EIniFileException("Unable to write to " + fIni->FileName());
  }
}

std::string TSetting::ReadText(const std::string& section, const std::string& key,
                               const std::string& defaultvalue) {
  const Place place = Resolve();
  if (place.registry) {
    try {
      const auto store = OpenRegistryRoot(place.root, StoreAccess::ReadOnly);
      const auto value = store->ReadValue(SectionKey(section), key);
      if (value && std::holds_alternative<std::string>(*value)) {
        return std::get<std::string>(*value);
      }
    } catch (const StoreError&) {
      // Any error reads as the empty text.
    }
    return {};
  }
  std::string text = BindIni(place.file).Read(section, key).value_or(defaultvalue);
  AfterIniOperation();
  return text;
}

std::string TSetting::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultvalue) {
  std::string text = ReadText(section, key, defaultvalue);
  return text.empty() ? defaultvalue : text;
}

int32_t TSetting::ReadInteger(const std::string& section, const std::string& key,
                              int32_t defaultvalue) {
  const Place place = Resolve();
  if (place.registry) {
    try {
      const auto store = OpenRegistryRoot(place.root, StoreAccess::ReadOnly);
      const auto value = store->ReadValue(SectionKey(section), key);
      if (value && std::holds_alternative<int32_t>(*value)) {
        return std::get<int32_t>(*value);
      }
    } catch (const StoreError&) {
      // Any error gives the default.
    }
    return defaultvalue;
  }
  const auto text = BindIni(place.file).Read(section, key);
  AfterIniOperation();
  return IntegerFromText(text.value_or(""), true).value_or(defaultvalue);
}

bool TSetting::ReadBool(const std::string& section, const std::string& key, bool defaultvalue) {
  return ReadInteger(section, key, defaultvalue ? 1 : 0) == 1;
}

double TSetting::ReadFloat(const std::string& section, const std::string& key,
                           double defaultvalue) {
  const std::string text = ReadString(section, key, SettingFloatText(defaultvalue));
  try {
    return StrToFloatDot(text);
  } catch (const EConvertError&) {
    return defaultvalue;
  }
}

TFont& TSetting::ReadFont(const std::string& section, const std::string& key, TFont& font) {
  return ReadFontFrom(*this, section, key, font);
}

namespace {

void WriteRegistry(RegistryRoot root, const std::string& keyPath, const std::string& name,
                   const StoreValue& value) {
  const auto store = OpenRegistryRoot(root);
  try {
    store->CreateKey(keyPath);
  } catch (const StoreError&) {
    throw ERegistryException("Failed to create key " + keyPath);
  }
  try {
    store->WriteValue(keyPath, name, value);
  } catch (const StoreError&) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

}  // namespace

void TSetting::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  const Place place = Resolve();
  if (place.registry) {
    WriteRegistry(place.root, SectionKey(section), key, value);
    return;
  }
  ForceDirectories(FolderOf(place.file));
  try {
    BindIni(place.file).Write(section, key, value);
  } catch (const IniWriteError&) {
    throw EIniFileException("Unable to write to " + place.file);
  }
  AfterIniOperation();
}

void TSetting::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  const Place place = Resolve();
  if (place.registry) {
    WriteRegistry(place.root, SectionKey(section), key, value);
    return;
  }
  WriteString(section, key, std::to_string(value));
}

void TSetting::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

void TSetting::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, SettingFloatText(value));
}

void TSetting::WriteFont(const std::string& section, const std::string& key, const TFont& font) {
  WriteFontTo(*this, section, key, font);
}

void TSetting::ReadSection(const std::string& Section, std::vector<std::string>& Strings) {
  Strings.clear();
  const Place place = Resolve();
  if (place.registry) {
    try {
      Strings =
          OpenRegistryRoot(place.root, StoreAccess::ReadOnly)->ValueNames(SectionKey(Section));
    } catch (const StoreError&) {
      Strings.clear();
    }
    return;
  }
  Strings = BindIni(place.file).KeyNames(Section);
  AfterIniOperation();
}

void TSetting::ReadSections(std::vector<std::string>& Strings) {
  Strings.clear();
  const Place place = Resolve();
  if (place.registry) {
    try {
      Strings = OpenRegistryRoot(place.root, StoreAccess::ReadOnly)->SubkeyNames(ProductKey());
    } catch (const StoreError&) {
      Strings.clear();
    }
    return;
  }
  Strings = BindIni(place.file).SectionNames();
  AfterIniOperation();
}

void TSetting::DeleteKey(const std::string& Section, const std::string& Key) {
  const Place place = Resolve();
  if (place.registry) {
    try {
      OpenRegistryRoot(place.root)->DeleteValue(SectionKey(Section), Key);
    } catch (const StoreError&) {
      throw ERegistryException("Failed to delete value '" + Key + "'");
    }
    return;
  }
  try {
    BindIni(place.file).DeleteKey(Section, Key);
  } catch (const IniWriteError&) {
    throw EIniFileException("Unable to write to " + place.file);
  }
  AfterIniOperation();
}

void TSetting::DeleteSection(const std::string& Section) {
  const Place place = Resolve();
  if (place.registry) {
    try {
      OpenRegistryRoot(place.root)->DeleteKey(SectionKey(Section));
    } catch (const StoreError&) {
      throw ERegistryException("Failed to delete key " + SectionKey(Section));
    }
    return;
  }
  try {
    BindIni(place.file).EraseSection(Section);
    AfterIniOperation();
  } catch (const std::exception&) {
    // Erasing a section of an INI file ignores every error.
  }
}

bool TSetting::OkToWrite() {
  try {
    const Place place = Resolve();
    if (place.registry) {
      const auto store = OpenRegistryRoot(place.root);
      const std::string key = ProductKey();
      store->CreateKey(key);
      store->WriteValue(key, "~testkey", std::string("test"));
      store->DeleteValue(key, "~testkey");
      return true;
    }
    if (!ForceDirectories(FolderOf(place.file))) {
      return false;
    }
    IniFile& ini = BindIni(place.file);
    ini.Write("~testsection", "~testkey", "test");
    ini.EraseSection("~testsection");
    AfterIniOperation();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vorsel
