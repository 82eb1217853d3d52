#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frontend/conversion_settings.h"

namespace vorsel {

// "u-law", "A-law", "8-bit", "16-bit" for coding numbers 0 to 3; empty otherwise.
std::string_view CodingWord(int32_t encoding);
// The AIFF numbering: "8-bit" for 0, "16-bit" for 1; empty otherwise.
std::string_view AIFCodingWord(int32_t encoding);

// The first line of an export batch, naming the options in force ("WAV: 8-bit, fit, dither").
std::string WAVHeaderLine(const ConversionSettings& settings);
std::string AUHeaderLine(const ConversionSettings& settings);
std::string AIFFHeaderLine(const ConversionSettings& settings);
std::string NSPHeaderLine(const ConversionSettings& settings);
std::string RAWHeaderLine(const ConversionSettings& settings);

// The line before each RAW import: "Assuming:16-bit Signed, Intel".
std::string RawAssumptionLine(const ConversionSettings& settings);

}  // namespace vorsel
