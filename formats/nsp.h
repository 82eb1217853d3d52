#pragma once

#include <cstdint>
#include <string>

#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

struct ExportNSPSettings {
  bool StoreSMPHeader = false;
  int32_t OneChannelType = 0;  // 0 HEDR, 1 HDR8
  int32_t TwoChannelType = 1;  // 0 interleaved HEDR, 1 separate chunks HEDR, 2 separate chunks HDR8
};

// One CompSpeechLab NSP file ("FORM"/"DS16" with a "HEDR" or "HDR8" header) to one SMP file.
// Interleaved ("SDAB") and per-channel ("SDA_", "SD_B", "SD_2" ...) sample chunks are taken in
// file order; an SMP head embedded by an earlier export ("kelm") is restored, otherwise the
// head gets the view and range of the ImportNSP settings. A file that is not NSP gets a
// message box and no output.
void ImportNSP(ConversionContext& context, const ImportViewSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

// One SMP file of 1 to 8 channels to one NSP file: HEDR or HDR8 as the ExportNSP settings
// choose, with the peak of every channel, the date text of the `nspdate` item (else the SMP
// file's modification time), and the SMP head embedded when ExportNSP.StoreSMPHeader is on.
// Split-rate files, sources that cannot be opened and other channel counts are refused with
// no output.
void ExportNSP(ConversionContext& context, const ExportNSPSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

inline constexpr int32_t ftNSP = 6;

struct NSPSettings {
  ImportViewSettings ImportNSP;
  ExportNSPSettings ExportNSP;
};

// "NSP: ", or "NSP:  smphead" with the head embedded.
std::string NSPHeaderLine(const ForeignFormatSettings& settings);

struct NSPFormat {
  using Settings = NSPSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
