// One contract, run over both stores the settings classes use: the SQLite key/value store
// (sections as keys, entries as string values) and INI files.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "platform/inifile.h"
#include "platform/keystore.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

class SqliteSections {
 public:
  explicit SqliteSections(const test::TempDir& dir)
      : store_(OpenSqliteStore(dir / "registry.db", StoreAccess::ReadWrite)) {}

  std::optional<std::string> Read(const std::string& section, const std::string& key) {
    const auto value = store_->ReadValue(Path(section), key);
    return value ? std::optional(std::get<std::string>(*value)) : std::nullopt;
  }
  void Write(const std::string& section, const std::string& key, const std::string& value) {
    store_->WriteValue(Path(section), key, value);
  }
  void DeleteKey(const std::string& section, const std::string& key) {
    store_->DeleteValue(Path(section), key);
  }
  void EraseSection(const std::string& section) { store_->DeleteKey(Path(section)); }
  std::vector<std::string> Keys(const std::string& section) {
    return store_->ValueNames(Path(section));
  }
  std::vector<std::string> Sections() { return store_->SubkeyNames(kBase); }

 private:
  static constexpr const char* kBase = "Software\\QuorvikData\\vorsel";
  static std::string Path(const std::string& section) {
    return std::string(kBase) + "\\" + section;
  }

  std::unique_ptr<KeyValueStore> store_;
};

class IniSections {
 public:
  explicit IniSections(const test::TempDir& dir) : ini_(dir / "settings.ini") {}

  std::optional<std::string> Read(const std::string& section, const std::string& key) {
    return ini_.Read(section, key);
  }
  void Write(const std::string& section, const std::string& key, const std::string& value) {
    ini_.Write(section, key, value);
  }
  void DeleteKey(const std::string& section, const std::string& key) {
    ini_.DeleteKey(section, key);
  }
  void EraseSection(const std::string& section) { ini_.EraseSection(section); }
  std::vector<std::string> Keys(const std::string& section) { return ini_.KeyNames(section); }
  std::vector<std::string> Sections() { return ini_.SectionNames(); }

 private:
  IniFile ini_;
};

template <typename Store>
class StoreContract : public ::testing::Test {
 protected:
  Store Open() { return Store(dir); }

  static std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;
};

using Stores = ::testing::Types<SqliteSections, IniSections>;
TYPED_TEST_SUITE(StoreContract, Stores);

TYPED_TEST(StoreContract, MissingSectionsAndKeysReadAsNothing) {
  auto store = this->Open();
  EXPECT_EQ(store.Read("Common", "Naming"), std::nullopt);
  EXPECT_TRUE(store.Keys("Common").empty());
  EXPECT_TRUE(store.Sections().empty());
  store.Write("Common", "Naming", "1");
  EXPECT_EQ(store.Read("Common", "Other"), std::nullopt);
  EXPECT_EQ(store.Read("Elsewhere", "Naming"), std::nullopt);
}

TYPED_TEST(StoreContract, NamesIgnoreCaseAndKeepTheFirstSpelling) {
  auto store = this->Open();
  store.Write("ImportWAV", "ViewLo", "-1");
  store.Write("IMPORTWAV", "VIEWLO", "-2");
  store.Write("importwav", "\xC3\x84nderung", "yes");  // "Änderung"
  EXPECT_EQ(store.Read("importWav", "viewlo"), "-2");
  EXPECT_EQ(store.Read("ImportWAV", "\xC3\xA4NDERUNG"), "yes");
  EXPECT_EQ(store.Keys("IMPORTwav"), std::vector<std::string>({"ViewLo", "\xC3\x84nderung"}));
  EXPECT_EQ(store.Sections(), std::vector<std::string>({"ImportWAV"}));
}

TYPED_TEST(StoreContract, KeysListInTheOrderTheyWereFirstWritten) {
  auto store = this->Open();
  for (const char* key : {"Version", "Action", "ImportIndex", "ExportIndex"}) {
    store.Write("Common", key, "0");
  }
  store.Write("Common", "Action", "1");
  EXPECT_EQ(store.Keys("Common"),
            std::vector<std::string>({"Version", "Action", "ImportIndex", "ExportIndex"}));
}

TYPED_TEST(StoreContract, EmptyTextsAndUnicodeValuesSurvive) {
  auto store = this->Open();
  store.Write("S", "empty", "");
  store.Write("S", "text", "C:\\Daten\\M\xC3\xBCller & S\xC3\xB6hne.vrs");
  auto again = this->Open();
  EXPECT_EQ(again.Read("S", "empty"), "");
  EXPECT_EQ(again.Read("S", "text"), "C:\\Daten\\M\xC3\xBCller & S\xC3\xB6hne.vrs");
}

TYPED_TEST(StoreContract, DeleteAndEraseTakeOnlyWhatTheyName) {
  auto store = this->Open();
  store.Write("RecentFiles", "nToUse", "5");
  store.Write("RecentFiles", "1", "/a.vrs");
  store.Write("RecentFilesOther", "1", "/b.vrs");
  store.Write("Common", "Naming", "0");

  store.DeleteKey("recentfiles", "NTOUSE");
  EXPECT_EQ(store.Keys("RecentFiles"), std::vector<std::string>({"1"}));
  store.EraseSection("RECENTFILES");
  EXPECT_EQ(store.Read("RecentFiles", "1"), std::nullopt);
  EXPECT_EQ(store.Read("RecentFilesOther", "1"), "/b.vrs");
  EXPECT_EQ(this->Sorted(store.Sections()),
            std::vector<std::string>({"Common", "RecentFilesOther"}));

  store.DeleteKey("Nowhere", "k");
  store.EraseSection("Nowhere");
  EXPECT_EQ(store.Read("Common", "Naming"), "0");
}

TYPED_TEST(StoreContract, EveryChangeIsSeenByANewObjectAtOnce) {
  auto writer = this->Open();
  auto reader = this->Open();
  writer.Write("S", "k", "1");
  EXPECT_EQ(reader.Read("S", "k"), "1");
  writer.Write("S", "k", "2");
  EXPECT_EQ(reader.Read("S", "k"), "2");
  writer.EraseSection("S");
  EXPECT_EQ(reader.Read("S", "k"), std::nullopt);
}

}  // namespace
}  // namespace vorsel
