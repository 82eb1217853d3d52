#pragma once

#include <string>

#include "formats/conversion_context.h"

namespace vorsel {

// Headerless sample data to SMP, under the assumptions of the ImportRAW settings: StripBytes
// bytes are ignored, then every byte to the end of the file is sample data in the coding
// ImportRAW.Encoding. Any content converts; a coding number outside 0 to 3 is refused with a
// log line and no output.
void ImportRAW(ConversionContext& context, const std::string& inputPath,
               const std::string& outputPath);

// SMP to headerless samples: ExportRAW.HeaderBytes zero bytes, then the interleaved samples in
// the coding, representation and byte order of the ExportRAW settings. Split-rate files are
// written as they are stored.
void ExportRAW(ConversionContext& context, const std::string& inputPath,
               const std::string& outputPath);

}  // namespace vorsel
