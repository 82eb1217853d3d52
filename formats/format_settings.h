#pragma once

// The option structs that several formats share; each format's own ones stand in its header.

#include <cstdint>
#include <string>

namespace vorsel {

// The view and range an import gives the new SMP file; the six import sections share them.
struct ImportViewSettings {
  double ViewLo = -1;
  double ViewHi = 1;
  std::string Unit;
  std::string AxisText;
  double RangeLo = -32768;
  double RangeHi = 32768;
  bool MSBFirst = false;
};

// The options of the WAV and AU exports.
struct ExportCodingSettings {
  bool FitAmplitude = true;
  bool DitherNoise = true;
  bool StoreSMPHeader = false;
  int32_t Encoding = 3;  // 0 mu-law, 1 A-law, 2 8-bit linear, 3 16-bit linear
};

}  // namespace vorsel
