#pragma once

#include <string>

#include "formats/conversion_context.h"

namespace vorsel {

// A text file of numbers, one scan per line, to SMP. The numbers are in the user's units: the
// ImportTXT view and range map them to sample values. Invalid numbers and values beyond the
// 16-bit range are handled by ImportTXT.InvalidNumberAction and ImportTXT.OverloadAction and
// counted in summary lines. Lines end in LF or CR LF.
void ImportTXT(ConversionContext& context, const std::string& inputPath,
               const std::string& outputPath);

}  // namespace vorsel
