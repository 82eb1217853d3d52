#include "frontend/conversion_settings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "frontend/format_probes.h"
#include "platform/dotnum.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

template <auto Field>
SettingRef CommonRef(CommonSettings& common) {
  return &(common.*Field);
}

std::vector<SettingField> BuildFields() {
  using S = SettingStorage;
  using C = CommonSettings;
  std::vector<SettingField> fields = {
      {"Common", "XPos", S::UserStoreOnly, &CommonRef<&C::XPos>},
      {"Common", "YPos", S::UserStoreOnly, &CommonRef<&C::YPos>},
      {"Common", "FileTypes", S::UserStoreOnly, &CommonRef<&C::FileTypes>},
      {"Common", "CustomMask", S::UserStoreOnly, &CommonRef<&C::CustomMask>},
      {"Common", "UseExtensionAsId", S::UserStoreOnly, &CommonRef<&C::UseExtensionAsId>},
      {"Common", "OverWrite", S::UserStoreOnly, &CommonRef<&C::OverWrite>},
      {"Common", "FavouriteImport", S::UserStoreOnly, &CommonRef<&C::FavouriteImport>},
      {"Common", "Version", S::WrittenOnly, &CommonRef<&C::Version>},
      {"Common", "Action", S::Everywhere, &CommonRef<&C::Action>},
      {"Common", "ImportIndex", S::Everywhere, &CommonRef<&C::ImportIndex>},
      {"Common", "ExportIndex", S::Everywhere, &CommonRef<&C::ExportIndex>},
      {"Common", "Naming", S::Everywhere, &CommonRef<&C::Naming>},
      {"Common", "AppendString", S::Everywhere, &CommonRef<&C::AppendString>},
      {"Common", "LimitTo8+3", S::Everywhere, &CommonRef<&C::LimitTo8Plus3>},
      {"Common", "SaveSettingsOnExit", S::OwnCommand, &CommonRef<&C::SaveSettingsOnExit>},
  };
  std::vector<const SettingsSection*> sections;
  for (const FormatDescriptor* format : ForeignFormats()) {
    for (const SettingsSection& section : format->settings) {
      sections.push_back(&section);
    }
  }
  std::stable_sort(
      sections.begin(), sections.end(),
      [](const SettingsSection* a, const SettingsSection* b) { return a->place < b->place; });
  for (const SettingsSection* section : sections) {
    for (const SettingRow& row : section->rows) {
      fields.push_back(
          {.section = section->name, .key = row.key, .storage = row.storage, .formatRef = row.ref});
    }
  }
  return fields;
}

// Decimal without "+", or hexadecimal after "0x" as settings files may hold it.
std::optional<int32_t> ParseInteger(std::string_view text) {
  if (text.empty() || text.front() == '+') {
    return std::nullopt;
  }
  if (text.size() <= 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
    return DecimalInt32(text);
  }
  text.remove_prefix(2);
  if (text.front() == '+') {
    return std::nullopt;
  }
  int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  if (value >= 0 && value <= 0xFFFFFFFF) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  if (value < INT32_MIN || value > INT32_MAX) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

}  // namespace

ProbeSettings ProbeSettingsOf(const ConversionSettings& settings) {
  return {.UseExtensionAsId = settings.Common.UseExtensionAsId,
          .StripLines = settings.ImportTXT.StripLines,
          .formats = ForeignFormatProbes()};
}

std::span<const SettingField> SettingFields() {
  static const std::vector<SettingField> fields = BuildFields();
  return fields;
}

SettingType SettingTypeOf(const SettingField& field) {
  ConversionSettings probe;
  return std::visit(
      [](auto* p) {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          return SettingType::Int;
        } else if constexpr (std::is_same_v<T, bool>) {
          return SettingType::Bool;
        } else if constexpr (std::is_same_v<T, double>) {
          return SettingType::Real;
        } else {
          return SettingType::String;
        }
      },
      field.ref(probe));
}

const SettingField* FindSettingField(std::string_view section, std::string_view key) {
  for (const SettingField& field : SettingFields()) {
    if (EqualNoCase(field.section, section) && EqualNoCase(field.key, key)) {
      return &field;
    }
  }
  return nullptr;
}

std::string SettingText(const SettingField& field, ConversionSettings& settings) {
  return std::visit(
      [](auto* p) -> std::string {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          return std::to_string(*p);
        } else if constexpr (std::is_same_v<T, bool>) {
          return *p ? "1" : "0";
        } else if constexpr (std::is_same_v<T, double>) {
          return FloatToStrDot(*p);
        } else {
          return *p;
        }
      },
      field.ref(settings));
}

std::string DefaultSettingText(const SettingField& field) {
  ConversionSettings fresh;
  return SettingText(field, fresh);
}

bool SetSettingText(const SettingField& field, ConversionSettings& settings,
                    std::string_view text) {
  return std::visit(
      [text](auto* p) -> bool {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          const auto value = ParseInteger(text);
          if (!value) {
            return false;
          }
          *p = *value;
        } else if constexpr (std::is_same_v<T, bool>) {
          const auto value = ParseInteger(text);
          if (!value) {
            return false;
          }
          *p = *value != 0;
        } else if constexpr (std::is_same_v<T, double>) {
          try {
            *p = StrToFloatDot(text);
          } catch (const EConvertError&) {
            return false;
          }
        } else {
          *p = std::string(text);
        }
        return true;
      },
      field.ref(settings));
}

}  // namespace vorsel
