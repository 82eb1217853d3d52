// GuessCoding and the "Guess file type" line on any bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/probe_fuzz_common.h"
#include "probing/guess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorsel;
  const ProbeSettings settings;
  fuzz::ProbeFile("in.dat", std::span(data, size), "GuessCoding", [&](const std::string& path) {
    if (GuessCoding(path).empty()) {
      fuzz::Fail("GuessCoding gave no text");
    }
    GuessFileTypeLine(path, settings);
  });
  return 0;
}
