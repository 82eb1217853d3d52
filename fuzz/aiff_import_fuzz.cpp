// The AIFF importer on any bytes. The file is the whole input; its length picks the byte
// order and view settings, so that every seed keeps its own bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/aiff.h"
#include "fuzz/fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vorsel::fuzz::Conversion conversion;
  vorsel::fuzz::FuzzImportView(conversion.settings.ImportAIF, static_cast<uint8_t>(size));
  vorsel::fuzz::FuzzImport(
      &vorsel::WithSection<&vorsel::ConversionSettings::ImportAIF, &vorsel::ImportAIFF>,
      "ImportAIFF", "in.aif", std::span(data, size), conversion);
  return 0;
}
