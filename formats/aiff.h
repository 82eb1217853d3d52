#pragma once

#include <cstdint>
#include <string>

#include "codings/fit.h"
#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

struct ExportAIFSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  bool StoreSMPHeader = false;
  int32_t Encoding = 1;  // 0 8-bit linear, 1 16-bit linear
};

inline constexpr FitRule kAIFFFitRule{};

// One AIFF or uncompressed AIFC file (8- to 16-bit samples) to one SMP file. The AES/EBU
// channel status of an "AESD" chunk becomes the AES/EBUchstatus item (and the emphasis items
// when its emphasis bit is set); an SMP head in an "APPL" chunk of signature "kelm" is
// restored. Other files get a message box and no output; so do compressed AIFC files.
void ImportAIFF(ConversionContext& context, const ImportViewSettings& settings,
                const std::string& inputPath, const std::string& outputPath);

// One SMP file to one AIFF file, 8-bit signed (fitted and dithered as ExportAIF says) or
// 16-bit, with an "AESD" chunk made from the AES/EBUchstatus item when it holds numbers and the
// SMP head in an "APPL" chunk when ExportAIF.StoreSMPHeader is on. Split-rate files and sources
// that cannot be opened are refused with a log line and no output.
void ExportAIFF(ConversionContext& context, const ExportAIFSettings& settings,
                const std::string& inputPath, const std::string& outputPath);

inline constexpr int32_t ftAIFF = 4;
inline constexpr int32_t ftAIFC = 5;

struct AIFFSettings {
  ImportViewSettings ImportAIF;
  ExportAIFSettings ExportAIF;
};

// The AIFF numbering of ExportAIF.Encoding: "8-bit" for 0, "16-bit" for 1; empty otherwise.
std::string_view AIFCodingWord(int32_t encoding);

// "AIFF: 8-bit, fit, dither, smphead".
std::string AIFFHeaderLine(const ForeignFormatSettings& settings);

struct AIFFFormat {
  using Settings = AIFFSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
