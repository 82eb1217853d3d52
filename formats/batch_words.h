#pragma once

// The words of the lines an export batch begins with and a RAW import logs, which several
// formats share.

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/format_settings.h"

namespace vorsel {

// "u-law", "A-law", "8-bit", "16-bit" for coding numbers 0 to 3; empty otherwise.
std::string_view CodingWord(int32_t encoding);

// "44 hdbytes " for header bytes above 0, else empty.
std::string HeaderBytesPart(int32_t bytes);

std::string_view SignedWord(bool isSigned);     // " Signed", " Unsigned"
std::string_view ByteOrderWord(bool msbFirst);  // ", Motorola", ", Intel"

// The header line of WAV and AU, whose export options are alike ("WAV: 8-bit, fit, dither").
std::string CodingHeaderLine(std::string_view format, const ExportCodingSettings& options);

}  // namespace vorsel
