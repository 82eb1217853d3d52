#include "fuzz/fuzz_import.h"

#include <filesystem>
#include <string>

#include "fuzz/fuzz_workspace.h"

namespace vorsel::fuzz {

void FuzzImport(Converter importer, std::string_view name, std::string_view inputName,
                std::span<const uint8_t> file, Conversion& conversion, int64_t bytesPerInputByte) {
  const Workspace& workspace = TheWorkspace();
  const std::string input = workspace.Write(inputName, file);
  const std::string output = workspace.Path("out.smp");
  RunConverter(importer, name, conversion, input, output);
  workspace.ExpectOnly({inputName, "out.smp", "out.csv"});
  if (std::filesystem::exists(output)) {
    ExpectBoundedOutput(input, output, bytesPerInputByte);
    SamplesOf(output);
  }
  workspace.Clear();
}

void FuzzImportView(ImportViewSettings& settings, uint8_t choice) {
  settings.MSBFirst = (choice & 1) != 0;
  if ((choice & 2) != 0) {
    settings.ViewLo = -5;
    settings.ViewHi = 5;
    settings.Unit = "V";
    settings.RangeLo = -32768;
    settings.RangeHi = 32767;
  }
}

}  // namespace vorsel::fuzz
