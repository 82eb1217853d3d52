// The RAW importer on any bytes. The first four bytes of the input pick the ImportRAW settings
// (coding, representation, byte orders, channels, rate, bytes to strip); the rest is the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/raw.h"
#include "fuzz/fuzz_import.h"
#include "fuzz/fuzz_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorsel::fuzz;
  if (size < 4) {
    return 0;
  }
  Conversion conversion;
  vorsel::ImportRAWSettings& raw = conversion.settings.ImportRAW;
  raw.Encoding = data[0] % 6;  // 4 and 5 have no conversion
  raw.Signed = (data[0] & 0x08) != 0;
  raw.ByteOrder = (data[0] & 0x10) != 0 ? 1 : 0;
  FuzzImportView(raw, static_cast<uint8_t>(data[0] >> 5));
  raw.nChans = PickChannels(data[1]);
  raw.SfTot = PickRate(data[2]);
  raw.StripBytes = PickCount(data[3]);
  FuzzImport(&vorsel::WithSection<&vorsel::ConversionSettings::ImportRAW, &vorsel::ImportRAW>,
             "ImportRAW", "in.raw", std::span(data + 4, size - 4), conversion);
  return 0;
}
