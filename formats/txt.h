#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

struct ImportTXTSettings : ImportViewSettings {
  double SfTot = 16000;
  int32_t nChans = 1;
  int32_t StripLines = 0;
  int32_t InvalidNumberAction = 0;  // 0 alert, 1 insert zero, 2 skip
  int32_t OverloadAction = 0;       // 0 clip, 1 wrap, 2 insert zero
  bool CommaIsSeparator = false;
};

// A text file of numbers, one scan per line, to SMP. The numbers are in the user's units: the
// ImportTXT view and range map them to sample values. Invalid numbers and values beyond the
// 16-bit range are handled by ImportTXT.InvalidNumberAction and ImportTXT.OverloadAction and
// counted in summary lines. Lines end in LF or CR LF.
void ImportTXT(ConversionContext& context, const ImportTXTSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

inline constexpr int32_t ftTXT = 7;

struct TXTSettings {
  ImportTXTSettings ImportTXT;
};

// True when, after stripLines lines, the bytes hold only number characters and white space
// and at least one digit.
bool HoldsNumberText(std::span<const uint8_t> bytes, int32_t stripLines);

struct TXTFormat {
  using Settings = TXTSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
