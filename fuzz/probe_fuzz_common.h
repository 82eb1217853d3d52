#pragma once

// Probing runs on the bytes of one workspace file; a probe may raise only for a file that
// cannot be read, which a fuzz run never provokes.

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>

#include "fuzz/fuzz_workspace.h"

namespace vorsel::fuzz {

template <typename Probe>
void ProbeFile(std::string_view name, std::span<const uint8_t> bytes, std::string_view what,
               Probe probe) {
  const Workspace& workspace = TheWorkspace();
  const std::string path = workspace.Write(name, bytes);
  try {
    probe(path);
  } catch (const std::exception& error) {
    Fail(std::string(what) + " raised: " + error.what());
  }
  workspace.ExpectOnly({name});
  workspace.Clear();
}

}  // namespace vorsel::fuzz
