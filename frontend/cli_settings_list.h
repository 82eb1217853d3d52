#pragma once

#include <span>
#include <string>
#include <string_view>

#include "frontend/conversion_settings.h"

namespace vorsel {

// What a value of this type looks like as --set and settings files take it.
std::string_view SettingTypeHint(SettingType type);

// The numbered choices of an integer field ("0 Intel, 1 Motorola"), written as a user reads
// them. A key without a section applies to every section that has it.
struct SettingChoices {
  std::string_view section;  // empty: any section
  std::string_view key;
  std::string_view choices;
};
std::span<const SettingChoices> SettingChoiceTable();

// One line per field of the record, in settings-file order:
// "Section.Key=value  # type; allowed values".
std::string SettingsListing(ConversionSettings& settings);

}  // namespace vorsel
