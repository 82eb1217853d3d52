#include "formats/batch_words.h"

#include <array>

namespace vorsel {

std::string_view CodingWord(int32_t encoding) {
  static constexpr std::array<std::string_view, 4> kWords = {"u-law", "A-law", "8-bit", "16-bit"};
  if (encoding < 0 || encoding >= static_cast<int32_t>(kWords.size())) {
    return {};
  }
  return kWords[static_cast<size_t>(encoding)];
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

}  // namespace vorsel
