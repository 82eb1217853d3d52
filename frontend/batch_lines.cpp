#include "frontend/batch_lines.h"

#include <array>

namespace vorsel {

namespace {

// Shared by WAV and AU, whose export options are alike.
std::string CodingHeaderLine(std::string_view format, const ExportCodingSettings& options) {
  std::string line = std::string(format) + ": " + std::string(CodingWord(options.Encoding));
  if (options.FitAmplitude && options.Encoding < 3) {
    line += ", fit";
  }
  if (options.DitherNoise && options.Encoding == 2) {
    line += ", dither";
  }
  if (options.StoreSMPHeader) {
    line += ", smphead";
  }
  return line;
}

std::string HeaderBytesPart(int32_t bytes) {
  return bytes > 0 ? std::to_string(bytes) + " hdbytes " : std::string();
}

std::string_view SignedWord(bool isSigned) {
  return isSigned ? " Signed" : " Unsigned";
}

std::string_view ByteOrderWord(bool msbFirst) {
  return msbFirst ? ", Motorola" : ", Intel";
}

}  // namespace

std::string_view CodingWord(int32_t encoding) {
  static constexpr std::array<std::string_view, 4> kWords = {"u-law", "A-law", "8-bit", "16-bit"};
  if (encoding < 0 || encoding >= static_cast<int32_t>(kWords.size())) {
    return {};
  }
  return kWords[static_cast<size_t>(encoding)];
}

std::string_view AIFCodingWord(int32_t encoding) {
  switch (encoding) {
    case 0:
      return "8-bit";
    case 1:
      return "16-bit";
    default:
      return {};
  }
}

std::string WAVHeaderLine(const ConversionSettings& settings) {
  return CodingHeaderLine("WAV", settings.ExportWAV);
}

std::string AUHeaderLine(const ConversionSettings& settings) {
  return CodingHeaderLine("AU", settings.ExportAU);
}

std::string AIFFHeaderLine(const ConversionSettings& settings) {
  const ExportAIFSettings& options = settings.ExportAIF;
  std::string line = "AIFF: " + std::string(AIFCodingWord(options.Encoding));
  if (options.FitAmplitude && options.Encoding == 0) {
    line += ", fit";
  }
  if (options.DitherNoise && options.Encoding == 0) {
    line += ", dither";
  }
  if (options.StoreSMPHeader) {
    line += ", smphead";
  }
  return line;
}

std::string NSPHeaderLine(const ConversionSettings& settings) {
  return settings.ExportNSP.StoreSMPHeader ? "NSP:  smphead" : "NSP: ";
}

std::string RAWHeaderLine(const ConversionSettings& settings) {
  const ExportRAWSettings& options = settings.ExportRAW;
  std::string line =
      "RAW: " + HeaderBytesPart(options.HeaderBytes) + std::string(CodingWord(options.Encoding)) +
      std::string(SignedWord(options.Signed)) + std::string(ByteOrderWord(options.MSBFirst));
  if (options.FitAmplitude && options.Encoding < 3) {
    line += ", fit";
  }
  if (options.DitherNoise && options.Encoding == 2) {
    line += ", dither";
  }
  return line;
}

std::string RawAssumptionLine(const ConversionSettings& settings) {
  const ImportRAWSettings& options = settings.ImportRAW;
  return "Assuming:" + HeaderBytesPart(options.StripBytes) +
         std::string(CodingWord(options.Encoding)) + std::string(SignedWord(options.Signed)) +
         std::string(ByteOrderWord(options.ByteOrder == 1));
}

}  // namespace vorsel
