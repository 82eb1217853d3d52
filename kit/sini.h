#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kit/tfont.h"
#include "platform/keystore.h"

namespace vorsel {

class IniFile;

// A write to an INI file that the platform refused: "Unable to write to <file>".
class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure of the key/value store: "Failed to create key <section>", "Failed to set data for
// '<key>'", "Invalid data type for '<key>'".
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The executable's file name without its folder, cut before its first "." ("Vorsel.exe" gives
// "Vorsel", "a.b.exe" gives "a"); a name without a "." is kept whole, so that programs
// without an extension each keep a key of their own.
std::string ExeBase(std::string_view programFileName);

// Typed values addressed by section and key, stored in an INI file when a file name is given
// (file mode) and in a key of the key/value store otherwise (registry mode). Every value is
// stored as text in both: integers as decimal text, Booleans "1" and "0", reals as
// FloatToStrDot writes them, fonts as seven values. Nothing is cached: each object serves one
// batch of reads or writes, and every write reaches the store at once.
//
// Reads give the default for a missing file, section or key; reading a real whose text is
// empty or malformed throws EConvertError. File-mode writes that fail throw
// EIniFileException; registry-mode writes throw ERegistryException, also when the class's
// own key could not be opened at construction or was opened read-only.
class TCustomIni {
 public:
  virtual ~TCustomIni();
  TCustomIni(const TCustomIni&) = delete;
  TCustomIni& operator=(const TCustomIni&) = delete;

  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue);
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue);
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue);
  double ReadFloat(const std::string& section, const std::string& key, double defaultValue);
  // Fills in and returns the font passed as the default.
  virtual TFont& ReadFont(const std::string& section, const std::string& key, TFont& font);

  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void WriteFont(const std::string& section, const std::string& key, const TFont& font);

  // Key names of the section.
  void ReadSection(const std::string& section, std::vector<std::string>& strings);
  // Section names.
  void ReadSections(std::vector<std::string>& strings);
  // One "name=value" line per key of the section.
  void ReadSectionValues(const std::string& section, std::vector<std::string>& strings);
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);

  // Holds the writes that follow until UpdateFile stores them together: one replacement of
  // the file, or one transaction of the store, instead of one per value. Reads see them
  // meanwhile; a write that fails still raises at once. Held writes are also stored when the
  // object goes, a failure then being lost.
  void BeginUpdate();
  void UpdateFile();

  // The file name given; empty in registry mode.
  const std::string& ffilename() const { return fFileName; }

  // The store's file when another program held it locked for longer than the store waits, so
  // that reads gave their defaults and writes failed; empty otherwise.
  const std::string& LockedStore() const { return fLockedStore; }

 protected:
  // File mode when the name is not empty; a name without a folder lies in the folder that
  // stands in for the Windows directory.
  TCustomIni(std::string fileName, RegistryRoot root, std::string keyPath, bool readOnly);

 private:
  bool FileMode() const { return !fFileName.empty(); }
  std::string SectionPath(const std::string& section) const;
  void CheckWritable(const std::string& section) const;
  void NoteStoreError(const StoreError& error);

  std::string fFileName;
  std::unique_ptr<IniFile> inifile;
  std::unique_ptr<KeyValueStore> setting;
  std::string fKeyPath;
  std::string fLockedStore;
  bool fReadOnly = false;
  bool fOpened = false;
  bool fUpdating = false;
};

// The program's own settings: an INI file, or HKEY_CURRENT_USER\SoftWare\QuorvikData\<ExeBase>
// (created when missing, unless opened read-only).
class TIni : public TCustomIni {
 public:
  explicit TIni(std::string fname = "", bool readOnly = false);
};

// Machine-wide settings: an INI file, or HKEY_LOCAL_MACHINE\SoftWare\QuorvikData\<ExeBase>,
// read-only when asked, else created when missing.
class TQuorvikMachineIni : public TCustomIni {
 public:
  TQuorvikMachineIni(std::string fileName, bool readOnly);

 protected:
  TQuorvikMachineIni(std::string fileName, bool readOnly, std::string_view company);
};

// The same under the company key SoftWare\Brannow.
class TBrannowMachineIni : public TQuorvikMachineIni {
 public:
  TBrannowMachineIni(std::string fileName, bool readOnly);
};

// The kit's own key, HKEY_CURRENT_USER\SoftWare\QuorvikData\Dravel, shared by its components.
class TDravelIni : public TCustomIni {
 public:
  TDravelIni();
  // Reads the colour right after the size and keeps the font's colour when it reads 0.
  TFont& ReadFont(const std::string& section, const std::string& key, TFont& font) override;
};

// The kit's debug flag: the 32-bit integer DebugMode in the kit's key; off when it is missing
// or not an integer.
bool KitDebugMode();

// Decides once, at program start, which root file-type registration uses: HKEY_CLASSES_ROOT
// when a key can be created and deleted there, else HKEY_CURRENT_USER. Never fails.
void ProbeRegistryRoot();
// HKEY_CLASSES_ROOT until a probe found it unwritable.
RegistryRoot ProbedRegistryRoot();

}  // namespace vorsel
