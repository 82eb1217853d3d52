#pragma once

#include <string>

#include "codings/fit.h"
#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

inline constexpr FitRule kAUFitRule{};

// One AU (".snd") file of encoding 1 (mu-law), 2 (8-bit linear), 3 (16-bit linear) or 27
// (A-law) to one SMP file. The samples run from the header's data offset to the end of the
// file; an SMP head embedded right after the 24-byte header is restored. Any other file gets a
// message box and no output.
void ImportAU(ConversionContext& context, const ImportViewSettings& settings,
              const std::string& inputPath, const std::string& outputPath);

// One SMP file to one AU file in the coding of ExportAU.Encoding: 8-bit mu-law, A-law or
// signed linear, 16-bit linear, or 24- and 32-bit linear (the scaled sample in the top 16
// bits), with the SMP head embedded when ExportAU.StoreSMPHeader is on. Coding numbers without
// a sample conversion and sources that cannot be opened are refused with a log line and no
// output.
void ExportAU(ConversionContext& context, const ExportCodingSettings& settings,
              const std::string& inputPath, const std::string& outputPath);

inline constexpr int32_t ftAU = 3;

struct AUSettings {
  ImportViewSettings ImportAU;
  ExportCodingSettings ExportAU;
};

// "AU: A-law, smphead".
std::string AUHeaderLine(const ForeignFormatSettings& settings);

struct AUFormat {
  using Settings = AUSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
