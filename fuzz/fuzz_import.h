#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "fuzz/fuzz_conversion.h"

namespace vorsel::fuzz {

// Writes `file` as the workspace file `inputName`, imports it into "out.smp" with the
// conversion's settings, and checks what the import left: nothing but the input, the output
// and the output's label file; an output that opens, reads and stays within its bound
// (ExpectBoundedOutput).
void FuzzImport(Converter importer, std::string_view name, std::string_view inputName,
                std::span<const uint8_t> file, Conversion& conversion,
                int64_t bytesPerInputByte = 16);

// The part of the settings every import reads: byte order of the SMP file and its view.
void FuzzImportView(ImportViewSettings& settings, uint8_t choice);

}  // namespace vorsel::fuzz
