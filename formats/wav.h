#pragma once

#include <string>

#include "codings/fit.h"
#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

// WAV leaves samples whose minimum and maximum have equal magnitudes unscaled.
inline constexpr FitRule kWAVFitRule{.equalMagnitudesUnscaled = true};

// One RIFF WAVE file (PCM 8 and 16 bits, A-law, mu-law) to one SMP file. The sample frames are
// carried over in file order; an SMP head embedded by an earlier export ("kelm" chunk) is
// restored, otherwise the head is built from the format chunk and the ImportWAV settings.
// A file that is no such WAV file gets a message box and no output.
void ImportWAV(ConversionContext& context, const ImportViewSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

// One SMP file to one RIFF WAVE file in the coding of ExportWAV.Encoding (8-bit mu-law, 8-bit
// A-law, 8-bit offset-binary PCM or 16-bit PCM), fitted and dithered for the 8-bit codings as
// the settings say, with the SMP head embedded when ExportWAV.StoreSMPHeader is on. Split-rate
// files and sources that cannot be opened are refused with a log line and no output.
void ExportWAV(ConversionContext& context, const ExportCodingSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

inline constexpr int32_t ftWAV = 2;

struct WAVSettings {
  ImportViewSettings ImportWAV;
  ExportCodingSettings ExportWAV;
};

// "WAV: 8-bit, fit, dither, smphead".
std::string WAVHeaderLine(const ForeignFormatSettings& settings);

struct WAVFormat {
  using Settings = WAVSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
