#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kit/cProgId.h"
#include "kit/tfont.h"
#include "platform/folders.h"
#include "platform/keystore.h"

namespace vorsel {

class IniFile;

// A product setting used without the product's identity, or a component loaded without it.
class ESettingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where TSetting stores its values; the ordinals are stored by owners, so they stay fixed.
enum tsettinglocation {
  sluser,            // the key/value store, HKEY_CURRENT_USER
  slmachine,         // the key/value store, HKEY_LOCAL_MACHINE
  slroaming,         // an INI file in the roaming folder; sluser without it
  slnonroaming,      // an INI file in the local folder; sluser without it
  slcommonadmin,     // an INI file in the common folder; slmachine without it
  slcommoninsecure,  // an INI file in the common folder's "insecure"; the Windows directory
                     // without it
  slfile,            // the INI file named by Filename
};

// Typed values per product, company and version, in the store or in an INI file that its
// Location chooses. Registry locations keep values under
// \Software\<Company>\<ProductName>\<Version>\<section>; folder locations in
// <folder>/<Company>/<ProductName>/<Version>/<program>.ini.
//
// Reads never fail (a missing or unreadable value gives the default); writes throw
// ERegistryException or EIniFileException ("Unable to write to <file>"). Any use without a
// ProgId throws ESettingError "Nothing assigned to ProgId".
class TSetting {
 public:
  // The folders are those of the environment unless a caller passes others.
  explicit TSetting(const Folders& folders = SystemFolders());
  ~TSetting();  // flushes what ManualIniClose held back; a failure then is lost
  TSetting(const TSetting&) = delete;
  TSetting& operator=(const TSetting&) = delete;

  const std::string& Name() const { return fName; }
  void SetName(std::string name) { fName = std::move(name); }
  // Runs once the owner has set the properties; throws ESettingError without a ProgId.
  void Loaded();

  tsettinglocation Location() const { return fLocation; }
  void SetLocation(tsettinglocation value);
  TProgId* ProgId() const { return fProgId; }
  void SetProgId(TProgId* value) { fProgId = value; }
  const std::string& Filename() const { return fFilename; }
  void SetFilename(std::string value);
  // The full name last computed, or the root's name for the registry locations.
  std::string IniFilename();
  void SetIniFilename(std::string value);
  bool ManualIniClose() const { return fManualIniClose; }
  void SetManualIniClose(bool value);

  std::string Company();
  std::string ProductName();
  std::string Version();

  bool ReadBool(const std::string& section, const std::string& key, bool defaultvalue);
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultvalue);
  // The default also for a stored empty text.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultvalue);
  double ReadFloat(const std::string& section, const std::string& key, double defaultvalue);
  TFont& ReadFont(const std::string& section, const std::string& key, TFont& font);

  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void WriteFont(const std::string& section, const std::string& key, const TFont& font);

  void ReadSection(const std::string& Section, std::vector<std::string>& Strings);
  void ReadSections(std::vector<std::string>& Strings);
  void DeleteKey(const std::string& Section, const std::string& Key);
  void DeleteSection(const std::string& Section);

  // Whether this store can be written; never throws.
  bool OkToWrite();
  // Writes what ManualIniClose held back.
  void IniClose();

 private:
  struct Place {
    bool registry;
    RegistryRoot root;
    std::string file;
  };

  void SyncIdentity();
  void FixPaths();
  tsettinglocation EffectiveLocation() const;
  Place Resolve();
  std::string ProductKey();
  std::string SectionKey(const std::string& section);
  IniFile& BindIni(const std::string& file);
  void AfterIniOperation();
  std::string ReadText(const std::string& section, const std::string& key,
                       const std::string& defaultvalue);

  const Folders& fFolders;
  std::string fName;
  tsettinglocation fLocation = sluser;
  TProgId* fProgId = nullptr;
  std::string fFilename;
  std::string fIniFilename;
  bool fManualIniClose = false;

  std::string fCompany;
  std::string fProductName;
  std::string fVersion;
  std::string fautodir;
  bool dirfound = false;
  std::string fautofilename;
  std::string fwindir;
  bool inifilenamedirty = true;
  bool fixingpaths = false;
  std::unique_ptr<IniFile> fIni;
};

// The fixed-width float text TSetting stores: sign or blank, one digit, ".", 14 digits, "E",
// sign and four exponent digits (" 1.00000000000000E+0000").
std::string SettingFloatText(double value);

}  // namespace vorsel
