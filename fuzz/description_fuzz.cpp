// FileDescription on any bytes, and the header detail of every format's type on the same bytes,
// so that each header parser sees every input whatever its magic.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fileio/byteio.h"
#include "frontend/format_probes.h"
#include "fuzz/probe_fuzz_common.h"
#include "probing/description.h"
#include "probing/filetype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorsel;
  const ProbeSettings settings{.formats = ForeignFormatProbes()};
  const NumberFormat format{",", "."};
  fuzz::ProbeFile("in.dat", std::span(data, size), "FileDescription", [&](const std::string& path) {
    FileDescription(path, settings, format);
    for (const FormatProbe& probe : settings.formats) {
      for (const ProbeType& type : probe.types) {
        ByteReader reader(path);
        HeaderDetail(settings.formats, type.code, reader, reader.Size(), format);
      }
    }
  });
  return 0;
}
