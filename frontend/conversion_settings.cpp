#include "frontend/conversion_settings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "platform/dotnum.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

template <auto Section, auto Field>
SettingRef RefTo(ConversionSettings& s) {
  return &((s.*Section).*Field);
}

template <auto Section>
void AddViewKeys(std::vector<SettingField>& fields, std::string_view section) {
  using S = SettingStorage;
  fields.insert(
      fields.end(),
      {
          {section, "ViewLo", S::Everywhere, &RefTo<Section, &ImportViewSettings::ViewLo>},
          {section, "ViewHi", S::Everywhere, &RefTo<Section, &ImportViewSettings::ViewHi>},
          {section, "Unit", S::Everywhere, &RefTo<Section, &ImportViewSettings::Unit>},
          {section, "AxisText", S::Everywhere, &RefTo<Section, &ImportViewSettings::AxisText>},
          {section, "RangeLo", S::Everywhere, &RefTo<Section, &ImportViewSettings::RangeLo>},
          {section, "RangeHi", S::Everywhere, &RefTo<Section, &ImportViewSettings::RangeHi>},
          {section, "MSBFirst", S::Everywhere, &RefTo<Section, &ImportViewSettings::MSBFirst>},
      });
}

std::vector<SettingField> BuildFields() {
  using S = SettingStorage;
  using C = ConversionSettings;
  std::vector<SettingField> f = {
      {"Common", "XPos", S::UserStoreOnly, &RefTo<&C::Common, &CommonSettings::XPos>},
      {"Common", "YPos", S::UserStoreOnly, &RefTo<&C::Common, &CommonSettings::YPos>},
      {"Common", "FileTypes", S::UserStoreOnly, &RefTo<&C::Common, &CommonSettings::FileTypes>},
      {"Common", "CustomMask", S::UserStoreOnly, &RefTo<&C::Common, &CommonSettings::CustomMask>},
      {"Common", "UseExtensionAsId", S::UserStoreOnly,
       &RefTo<&C::Common, &CommonSettings::UseExtensionAsId>},
      {"Common", "OverWrite", S::UserStoreOnly, &RefTo<&C::Common, &CommonSettings::OverWrite>},
      {"Common", "FavouriteImport", S::UserStoreOnly,
       &RefTo<&C::Common, &CommonSettings::FavouriteImport>},
      {"Common", "Version", S::WrittenOnly, &RefTo<&C::Common, &CommonSettings::Version>},
      {"Common", "Action", S::Everywhere, &RefTo<&C::Common, &CommonSettings::Action>},
      {"Common", "ImportIndex", S::Everywhere, &RefTo<&C::Common, &CommonSettings::ImportIndex>},
      {"Common", "ExportIndex", S::Everywhere, &RefTo<&C::Common, &CommonSettings::ExportIndex>},
      {"Common", "Naming", S::Everywhere, &RefTo<&C::Common, &CommonSettings::Naming>},
      {"Common", "AppendString", S::Everywhere, &RefTo<&C::Common, &CommonSettings::AppendString>},
      {"Common", "LimitTo8+3", S::Everywhere, &RefTo<&C::Common, &CommonSettings::LimitTo8Plus3>},
      {"Common", "SaveSettingsOnExit", S::OwnCommand,
       &RefTo<&C::Common, &CommonSettings::SaveSettingsOnExit>},
  };
  AddViewKeys<&C::ImportWAV>(f, "ImportWAV");
  AddViewKeys<&C::ImportAU>(f, "ImportAU");
  AddViewKeys<&C::ImportAIF>(f, "ImportAIF");
  AddViewKeys<&C::ImportNSP>(f, "ImportNSP");
  AddViewKeys<&C::ImportRAW>(f, "ImportRAW");
  f.insert(
      f.end(),
      {
          {"ImportRAW", "ByteOrder", S::Everywhere,
           &RefTo<&C::ImportRAW, &ImportRAWSettings::ByteOrder>},
          {"ImportRAW", "Signed", S::Everywhere, &RefTo<&C::ImportRAW, &ImportRAWSettings::Signed>},
          {"ImportRAW", "SfTot", S::Everywhere, &RefTo<&C::ImportRAW, &ImportRAWSettings::SfTot>},
          {"ImportRAW", "nChans", S::Everywhere, &RefTo<&C::ImportRAW, &ImportRAWSettings::nChans>},
          {"ImportRAW", "StripBytes", S::Everywhere,
           &RefTo<&C::ImportRAW, &ImportRAWSettings::StripBytes>},
          {"ImportRAW", "Encoding", S::Everywhere,
           &RefTo<&C::ImportRAW, &ImportRAWSettings::Encoding>},
      });
  AddViewKeys<&C::ImportTXT>(f, "ImportTXT");
  f.insert(
      f.end(),
      {
          {"ImportTXT", "SfTot", S::Everywhere, &RefTo<&C::ImportTXT, &ImportTXTSettings::SfTot>},
          {"ImportTXT", "nChans", S::Everywhere, &RefTo<&C::ImportTXT, &ImportTXTSettings::nChans>},
          {"ImportTXT", "StripLines", S::Everywhere,
           &RefTo<&C::ImportTXT, &ImportTXTSettings::StripLines>},
          {"ImportTXT", "InvalidNumberAction", S::Everywhere,
           &RefTo<&C::ImportTXT, &ImportTXTSettings::InvalidNumberAction>},
          {"ImportTXT", "OverloadAction", S::Everywhere,
           &RefTo<&C::ImportTXT, &ImportTXTSettings::OverloadAction>},
          {"ImportTXT", "CommaIsSeparator", S::Everywhere,
           &RefTo<&C::ImportTXT, &ImportTXTSettings::CommaIsSeparator>},
      });
  using E = ExportCodingSettings;
  f.insert(
      f.end(),
      {
          {"ExportWAV", "FitAmplitude", S::Everywhere, &RefTo<&C::ExportWAV, &E::FitAmplitude>},
          {"ExportWAV", "DitherNoise", S::Everywhere, &RefTo<&C::ExportWAV, &E::DitherNoise>},
          {"ExportWAV", "StoreSMPHeader", S::Everywhere, &RefTo<&C::ExportWAV, &E::StoreSMPHeader>},
          {"ExportWAV", "Encoding", S::Everywhere, &RefTo<&C::ExportWAV, &E::Encoding>},
          {"ExportRAW", "FitAmplitude", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::FitAmplitude>},
          {"ExportRAW", "DitherNoise", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::DitherNoise>},
          {"ExportRAW", "HeaderBytes", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::HeaderBytes>},
          {"ExportRAW", "MSBFirst", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::MSBFirst>},
          {"ExportRAW", "Signed", S::Everywhere, &RefTo<&C::ExportRAW, &ExportRAWSettings::Signed>},
          {"ExportRAW", "Encoding", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::Encoding>},
          {"ExportRAW", "Extension", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::Extension>},
          {"ExportRAW", "OtherExtension", S::Everywhere,
           &RefTo<&C::ExportRAW, &ExportRAWSettings::OtherExtension>},
          {"ExportAU", "FitAmplitude", S::Everywhere, &RefTo<&C::ExportAU, &E::FitAmplitude>},
          {"ExportAU", "DitherNoise", S::Everywhere, &RefTo<&C::ExportAU, &E::DitherNoise>},
          {"ExportAU", "Encoding", S::Everywhere, &RefTo<&C::ExportAU, &E::Encoding>},
          {"ExportAU", "StoreSMPHeader", S::Everywhere, &RefTo<&C::ExportAU, &E::StoreSMPHeader>},
          {"ExportAIF", "FitAmplitude", S::Everywhere,
           &RefTo<&C::ExportAIF, &ExportAIFSettings::FitAmplitude>},
          {"ExportAIF", "DitherNoise", S::Everywhere,
           &RefTo<&C::ExportAIF, &ExportAIFSettings::DitherNoise>},
          {"ExportAIF", "StoreSMPHeader", S::Everywhere,
           &RefTo<&C::ExportAIF, &ExportAIFSettings::StoreSMPHeader>},
          {"ExportAIF", "Encoding", S::Everywhere,
           &RefTo<&C::ExportAIF, &ExportAIFSettings::Encoding>},
          {"ExportNSP", "StoreSMPHeader", S::Everywhere,
           &RefTo<&C::ExportNSP, &ExportNSPSettings::StoreSMPHeader>},
          {"ExportNSP", "OneChannelType", S::Everywhere,
           &RefTo<&C::ExportNSP, &ExportNSPSettings::OneChannelType>},
          {"ExportNSP", "TwoChannelType", S::Everywhere,
           &RefTo<&C::ExportNSP, &ExportNSPSettings::TwoChannelType>},
      });
  return f;
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
          .StripLines = settings.ImportTXT.StripLines};
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
