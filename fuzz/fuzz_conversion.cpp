#include "fuzz/fuzz_conversion.h"

#include <exception>
#include <filesystem>
#include <memory>

#include "fuzz/fuzz_workspace.h"

namespace vorsel::fuzz {

void RunConverter(Converter convert, std::string_view name, Conversion& conversion,
                  const std::string& inputPath, const std::string& outputPath) {
  ConversionContext context = conversion.Context();
  try {
    convert(context, conversion.settings, inputPath, outputPath);
  } catch (const std::exception& error) {
    Fail(std::string(name) + " raised: " + error.what());
  }
}

std::vector<int16_t> SamplesOf(const std::string& smpPath) {
  TSMPfile smp;
  std::vector<int16_t> samples;
  try {
    if (!smp.open_file(smpPath, true)) {
      Fail("cannot open the SMP file " + smpPath);
    }
    const auto chunk = std::make_unique<tsamplechunk>();
    for (;;) {
      smp.GetChunk(*chunk);
      if (chunk->used <= 0) {
        break;
      }
      samples.insert(samples.end(), chunk->data, chunk->data + chunk->used);
    }
  } catch (const std::exception& error) {
    Fail("reading " + smpPath + " raised: " + error.what());
  }
  smp.close_file();
  return samples;
}

void ExpectBoundedOutput(const std::string& inputPath, const std::string& outputPath,
                         int64_t bytesPerInputByte) {
  std::error_code error;
  const auto outputBytes = std::filesystem::file_size(outputPath, error);
  if (error) {
    return;
  }
  const auto inputBytes = std::filesystem::file_size(inputPath);
  if (outputBytes > 32768 + static_cast<uintmax_t>(bytesPerInputByte) * inputBytes) {
    Fail(outputPath + " has " + std::to_string(outputBytes) + " bytes from an input of " +
         std::to_string(inputBytes));
  }
}

}  // namespace vorsel::fuzz
