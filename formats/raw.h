#pragma once

#include <cstdint>
#include <string>

#include "codings/fit.h"
#include "formats/conversion_context.h"
#include "formats/format_descriptor.h"
#include "formats/format_settings.h"

namespace vorsel {

struct ImportRAWSettings : ImportViewSettings {
  int32_t ByteOrder = 0;  // 0 Intel, 1 Motorola
  bool Signed = true;
  double SfTot = 16000;
  int32_t nChans = 1;
  int32_t StripBytes = 0;
  int32_t Encoding = 3;
};

struct ExportRAWSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  int32_t HeaderBytes = 0;
  bool MSBFirst = false;
  bool Signed = true;
  int32_t Encoding = 3;
  std::string Extension = ".raw";
  std::string OtherExtension = ".raw";
};

// RAW holds its fit factor in double precision.
inline constexpr FitRule kRAWFitRule{.precision = FactorPrecision::Float64};

// Headerless sample data to SMP, under the assumptions of the ImportRAW settings: StripBytes
// bytes are ignored, then every byte to the end of the file is sample data in the coding
// ImportRAW.Encoding. Any content converts; a coding number outside 0 to 3 is refused with a
// log line and no output.
void ImportRAW(ConversionContext& context, const ImportRAWSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

// SMP to headerless samples: ExportRAW.HeaderBytes zero bytes, then the interleaved samples in
// the coding, representation and byte order of the ExportRAW settings. Split-rate files are
// written as they are stored.
void ExportRAW(ConversionContext& context, const ExportRAWSettings& settings,
               const std::string& inputPath, const std::string& outputPath);

// Headerless data is also what every unrecognised file is taken for.
inline constexpr int32_t ftRAW = 0;

struct RAWSettings {
  ImportRAWSettings ImportRAW;
  ExportRAWSettings ExportRAW;
};

// "RAW: 44 hdbytes 16-bit Signed, Intel, fit, dither".
std::string RAWHeaderLine(const ForeignFormatSettings& settings);

// The line before each RAW import: "Assuming:16-bit Signed, Intel".
std::string RawAssumptionLine(const ForeignFormatSettings& settings);

struct RAWFormat {
  using Settings = RAWSettings;
  static const FormatDescriptor descriptor;
};

}  // namespace vorsel
