// The TXT importer on any bytes. The first four bytes of the input pick the ImportTXT settings
// (channels, number and overload actions, separators, lines to strip, rate and mapping); the
// rest is the text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "formats/txt.h"
#include "fuzz/fuzz_import.h"
#include "fuzz/fuzz_settings.h"

namespace {

// The view and range that map numbers to samples, ordinary and degenerate.
void PickMapping(vorsel::ImportTXTSettings& txt, uint8_t choice) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Mapping {
    double viewLo, viewHi, rangeLo, rangeHi;
  };
  constexpr Mapping kChoices[] = {{-1, 1, -32768, 32768},       {-1, -1, -32768, 32768},
                                  {0, 1e-300, 0, 1e300},        {-kInf, kInf, -32768, 32768},
                                  {-1, 1, -1e308, 1e308},       {1, -1, 32768, -32768},
                                  {-1e-9, 1e-9, -32768, 32768}, {0, 1, 0, 0}};
  const Mapping& mapping = kChoices[choice % 8];
  txt.ViewLo = mapping.viewLo;
  txt.ViewHi = mapping.viewHi;
  txt.RangeLo = mapping.rangeLo;
  txt.RangeHi = mapping.rangeHi;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorsel::fuzz;
  if (size < 4) {
    return 0;
  }
  Conversion conversion;
  vorsel::ImportTXTSettings& txt = conversion.settings.ImportTXT;
  txt.nChans = PickChannels(data[0]);
  txt.MSBFirst = (data[0] & 0x10) != 0;
  txt.CommaIsSeparator = (data[0] & 0x20) != 0;
  txt.InvalidNumberAction = data[1] % 4;  // 3 is no action the dialog offers
  txt.OverloadAction = (data[1] >> 2) % 4;
  txt.StripLines = PickCount(data[2]);
  PickMapping(txt, data[3]);
  txt.SfTot = PickRate(static_cast<uint8_t>(data[3] >> 3));
  // Every line, even an empty one, is a scan of nChans samples.
  const int64_t bytesPerLine = 2 * std::max<int64_t>(txt.nChans, 8);
  FuzzImport(&vorsel::WithSection<&vorsel::ConversionSettings::ImportTXT, &vorsel::ImportTXT>,
             "ImportTXT", "in.txt", std::span(data + 4, size - 4), conversion, bytesPerLine);
  return 0;
}
