#include "frontend/cli_settings_list.h"

#include <array>

#include "platform/textcase.h"

namespace vorsel {

namespace {

constexpr std::string_view kFilterItems =
    "0 Sample files, 1 Wave, 2 Au, 3 Audio IFF, 4 CompSpeechLab, 5 Raw, 6 Text, "
    "7 All importable, 8 All audio, 9 All files, 10 Custom";
constexpr std::string_view kCodings =
    "0 8-bit u-law, 1 8-bit A-law, 2 8-bit linear, 3 16-bit linear";

constexpr std::array<SettingChoices, 16> kChoices = {{
    {"Common", "XPos", "the window's left edge in pixels"},
    {"Common", "YPos", "the window's top edge in pixels"},
    {"Common", "FileTypes", kFilterItems},
    {"Common", "FavouriteImport", kFilterItems},
    {"Common", "Action", "0 Import, 1 Export"},
    {"Common", "ImportIndex", "0 WAV, 1 AU, 2 AIFF, 3 NSP, 4 RAW, 5 TXT (open page)"},
    {"Common", "ExportIndex", "0 WAV, 1 AU, 2 AIFF, 3 NSP, 4 RAW (open page)"},
    {"Common", "Naming",
     "0 same name with the new extension, 1 start with AppendString, 2 end with AppendString, "
     "3 ask for each file"},
    {"ExportAIF", "Encoding", "0 8-bit linear, 1 16-bit linear"},
    {"", "Encoding", kCodings},
    {"ImportRAW", "ByteOrder", "0 Intel (least significant byte first), 1 Motorola"},
    {"ImportTXT", "InvalidNumberAction", "0 alert, 1 insert a zero sample, 2 skip the sample"},
    {"ImportTXT", "OverloadAction", "0 clip to full scale, 1 wrap around, 2 insert zero"},
    {"ExportNSP", "OneChannelType", "0 HEDR, 1 HDR8"},
    {"ExportNSP", "TwoChannelType",
     "0 interleaved (HEDR), 1 separate chunks (HEDR), 2 separate chunks (HDR8)"},
    {"", "nChans", "1 or more"},
}};

std::string_view ChoicesOf(const SettingField& field) {
  for (const SettingChoices& entry : kChoices) {
    if ((entry.section.empty() || EqualNoCase(entry.section, field.section)) &&
        EqualNoCase(entry.key, field.key)) {
      return entry.choices;
    }
  }
  return {};
}

std::string_view StorageNote(SettingStorage storage) {
  switch (storage) {
    case SettingStorage::Everywhere:
      return "";
    case SettingStorage::UserStoreOnly:
      return "; per-user store only, never in a settings file";
    case SettingStorage::OwnCommand:
      return "; per-user store only, set by \"Always save on exit\"";
    case SettingStorage::WrittenOnly:
      return "; written into settings files, never read";
  }
  return "";
}

std::string_view TypeName(SettingType type) {
  switch (type) {
    case SettingType::Int:
      return "int";
    case SettingType::Bool:
      return "bool";
    case SettingType::Real:
      return "real";
    case SettingType::String:
      return "string";
  }
  return "";
}

}  // namespace

std::string_view SettingTypeHint(SettingType type) {
  switch (type) {
    case SettingType::Int:
      return "a whole number";
    case SettingType::Bool:
      return "0 or 1";
    case SettingType::Real:
      return "a number with \".\" as decimal separator";
    case SettingType::String:
      return "a text";
  }
  return "";
}

std::span<const SettingChoices> SettingChoiceTable() {
  return kChoices;
}

std::string SettingsListing(ConversionSettings& settings) {
  std::string listing;
  for (const SettingField& field : SettingFields()) {
    const SettingType type = SettingTypeOf(field);
    const std::string_view choices = ChoicesOf(field);
    listing += std::string(field.section) + "." + std::string(field.key) + "=" +
               SettingText(field, settings) + "  # " + std::string(TypeName(type)) + "; " +
               std::string(choices.empty() ? SettingTypeHint(type) : choices) +
               std::string(StorageNote(field.storage)) + "\n";
  }
  return listing;
}

}  // namespace vorsel
