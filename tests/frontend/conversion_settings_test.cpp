#include "frontend/conversion_settings.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

std::string DefaultOf(std::string_view section, std::string_view key) {
  const SettingField* field = FindSettingField(section, key);
  return field ? DefaultSettingText(*field) : "<missing>";
}

TEST(SettingFields, FreshRecordHoldsTheDefaults) {
  EXPECT_EQ(DefaultOf("Common", "FileTypes"), "7");
  EXPECT_EQ(DefaultOf("Common", "AppendString"), "c");
  EXPECT_EQ(DefaultOf("Common", "CustomMask"), "*.*");
  EXPECT_EQ(DefaultOf("Common", "FavouriteImport"), "6");
  EXPECT_EQ(DefaultOf("Common", "LimitTo8+3"), "0");
  EXPECT_EQ(DefaultOf("Common", "SaveSettingsOnExit"), "1");
  EXPECT_EQ(DefaultOf("Common", "Version"), "4.5");
  EXPECT_EQ(DefaultOf("ImportTXT", "RangeLo"), "-32768");
  EXPECT_EQ(DefaultOf("ImportRAW", "SfTot"), "16000");
  EXPECT_EQ(DefaultOf("ExportRAW", "Extension"), ".raw");
  EXPECT_EQ(DefaultOf("ExportNSP", "TwoChannelType"), "1");
  for (const SettingField& field : SettingFields()) {
    if (field.key == "Encoding") {
      EXPECT_EQ(DefaultSettingText(field), field.section == "ExportAIF" ? "1" : "3")
          << field.section;
    }
    if (field.key == "FitAmplitude" || field.key == "DitherNoise") {
      EXPECT_EQ(DefaultSettingText(field), "1") << field.section;
    }
  }
}

TEST(SettingFields, EachSectionAndKeyIsListedOnceAndPointsAtItsOwnField) {
  std::set<std::string> names;
  std::set<const void*> targets;
  ConversionSettings settings;
  for (const SettingField& field : SettingFields()) {
    EXPECT_TRUE(names.insert(std::string(field.section) + "." + std::string(field.key)).second)
        << field.section << "." << field.key;
    const void* target = std::visit([](auto* p) -> const void* { return p; }, field.ref(settings));
    EXPECT_TRUE(targets.insert(target).second) << field.section << "." << field.key;
  }
  EXPECT_EQ(names.size(), 15u + 4 * 7 + 13 + 13 + 4 + 8 + 4 + 4 + 3);
}

TEST(SettingFields, OnlyWindowAndIdentificationFieldsStayInTheUserStore) {
  std::set<std::string> userOnly;
  for (const SettingField& field : SettingFields()) {
    if (field.storage == SettingStorage::UserStoreOnly) {
      userOnly.insert(std::string(field.key));
    }
  }
  EXPECT_EQ(userOnly, (std::set<std::string>{"XPos", "YPos", "FileTypes", "CustomMask",
                                             "UseExtensionAsId", "OverWrite", "FavouriteImport"}));
}

TEST(SettingText, ReadsValuesAsSettingsFilesHoldThem) {
  ConversionSettings s;
  EXPECT_TRUE(SetSettingText(*FindSettingField("exportwav", "encoding"), s, "0"));
  EXPECT_EQ(s.ExportWAV.Encoding, 0);
  EXPECT_TRUE(SetSettingText(*FindSettingField("ImportRAW", "StripBytes"), s, "0x1F"));
  EXPECT_EQ(s.ImportRAW.StripBytes, 31);
  EXPECT_TRUE(SetSettingText(*FindSettingField("Common", "OverWrite"), s, "2"));
  EXPECT_TRUE(s.Common.OverWrite);
  EXPECT_TRUE(SetSettingText(*FindSettingField("ImportTXT", "ViewHi"), s, "0.5"));
  EXPECT_DOUBLE_EQ(s.ImportTXT.ViewHi, 0.5);
  EXPECT_TRUE(SetSettingText(*FindSettingField("ImportWAV", "Unit"), s, "Pa"));
  EXPECT_EQ(s.ImportWAV.Unit, "Pa");
  EXPECT_EQ(s.ImportAU.Unit, "");
  EXPECT_EQ(SettingText(*FindSettingField("ImportTXT", "ViewHi"), s), "0.5");
}

TEST(SettingText, RefusesMalformedValuesAndKeepsTheField) {
  ConversionSettings s;
  const SettingField& encoding = *FindSettingField("ExportWAV", "Encoding");
  EXPECT_FALSE(SetSettingText(encoding, s, "x"));
  EXPECT_FALSE(SetSettingText(encoding, s, "12abc"));
  EXPECT_FALSE(SetSettingText(encoding, s, ""));
  EXPECT_FALSE(SetSettingText(encoding, s, "99999999999"));
  EXPECT_EQ(s.ExportWAV.Encoding, 3);
  EXPECT_FALSE(SetSettingText(*FindSettingField("ImportRAW", "SfTot"), s, "1,5"));
  EXPECT_DOUBLE_EQ(s.ImportRAW.SfTot, 16000);
  EXPECT_EQ(FindSettingField("Nosuch", "Key"), nullptr);
}

}  // namespace
}  // namespace vorsel
