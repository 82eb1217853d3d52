// FileTypeOf on any bytes, with the text test's strip count picked by the first byte, and the
// detection by extension on a name made of the input.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "frontend/format_probes.h"
#include "fuzz/fuzz_settings.h"
#include "fuzz/probe_fuzz_common.h"
#include "probing/filetype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorsel;
  if (size < 1) {
    return 0;
  }
  ProbeSettings settings{.formats = ForeignFormatProbes()};
  settings.StripLines = fuzz::PickCount(data[0]);
  const std::span<const uint8_t> file(data + 1, size - 1);
  fuzz::ProbeFile("in.dat", file, "FileTypeOf", [&](const std::string& path) {
    const int32_t byContent = FileTypeOf(path, settings);
    if (byContent !=
        FileTypeOfBytes(file.first(std::min(file.size(), kFileTypeProbeBytes)), settings)) {
      fuzz::Fail("FileTypeOf and FileTypeOfBytes disagree");
    }
    if (FileTypeCodeName(byContent, settings.formats).empty()) {
      fuzz::Fail("FileTypeOf gave the unknown code " + std::to_string(byContent));
    }
    FileTypeName(path, settings);
    settings.UseExtensionAsId = true;
    FileTypeOf(path, settings);
  });
  FileTypeOfExtension(std::string(reinterpret_cast<const char*>(file.data()), file.size()),
                      settings.formats);
  return 0;
}
