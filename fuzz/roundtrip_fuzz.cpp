// Import any bytes, export the SMP file to every target in 16-bit linear coding (the SMP head
// embedded where the format carries it) and import each export again: the samples must come
// back unchanged. The first byte picks the importer, the second the channels of a RAW or TXT
// import and the export variants; the rest is the file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/format_list.h"
#include "formats/nsp.h"
#include "formats/raw.h"
#include "formats/txt.h"
#include "formats/wav.h"
#include "fuzz/fuzz_conversion.h"
#include "fuzz/fuzz_workspace.h"

namespace {

using namespace vorsel;
using fuzz::Conversion;
using fuzz::Fail;

struct Importer {
  Converter convert;
  std::string name;
  std::string inputName;
};

struct Target {
  Converter exporter;
  Converter importer;
  std::string name;
  std::string fileName;
};

// The extension files of the format are given here: its export's, else its first type's.
std::string ExtensionOf(const FormatDescriptor& format) {
  return format.exporter ? std::string(format.exporter->refusalExtension)
                         : std::string(format.types.front().extensions.front());
}

// Every import route and every export target, in the order of the format list.
const std::vector<Importer>& Importers() {
  static const std::vector<Importer> importers = [] {
    std::vector<Importer> list;
    for (const FormatDescriptor* format : ForeignFormats()) {
      if (format->importer) {
        list.push_back({format->importer->convert, "Import" + std::string(format->format),
                        "in" + ExtensionOf(*format)});
      }
    }
    return list;
  }();
  return importers;
}

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = [] {
    std::vector<Target> list;
    for (const FormatDescriptor* format : ForeignFormats()) {
      if (format->exporter && format->importer) {
        list.push_back({format->exporter->convert, format->importer->convert,
                        std::string(format->format), "out" + ExtensionOf(*format)});
      }
    }
    return list;
  }();
  return targets;
}

// The names of every importer's input, which the workspace may hold, and the others given.
std::vector<std::string> InputsAnd(std::initializer_list<std::string> others) {
  std::vector<std::string> names(others);
  for (const Importer& importer : Importers()) {
    names.push_back(importer.inputName);
  }
  return names;
}

struct Layout {
  std::vector<int16_t> samples;  // whole scans, as stored
  int32_t channels = 0;
  int32_t slots = 0;
  std::string scan;
};

// Nothing when the file cannot be read as samples (a head whose scan item is invalid).
std::optional<Layout> LayoutOf(const std::string& path) {
  TSMPfile smp;
  Layout layout;
  try {
    if (!smp.open_file(path, true)) {
      return std::nullopt;
    }
    layout.channels = smp.nChans();
    layout.slots = smp.ScanCount();
    layout.scan = smp.ScanStr();
    const auto chunk = std::make_unique<tsamplechunk>();
    for (;;) {
      smp.GetChunk(*chunk);
      if (chunk->used <= 0) {
        break;
      }
      layout.samples.insert(layout.samples.end(), chunk->data, chunk->data + chunk->used);
    }
  } catch (const EInvalidSMPHeader&) {
    return std::nullopt;
  }
  smp.close_file();
  return layout;
}

std::string Describe(const Layout& layout) {
  return std::to_string(layout.samples.size()) + " samples of " + std::to_string(layout.channels) +
         " channels in " + std::to_string(layout.slots) + " slots (scan \"" + layout.scan + "\")";
}

void SetLosslessExports(ConversionSettings& settings, uint8_t variant) {
  settings.ExportWAV.Encoding = 3;
  settings.ExportWAV.StoreSMPHeader = true;
  settings.ExportAU.Encoding = 3;
  settings.ExportAU.StoreSMPHeader = true;
  settings.ExportAIF.Encoding = 1;
  settings.ExportAIF.StoreSMPHeader = true;
  settings.ExportNSP.StoreSMPHeader = true;
  settings.ExportNSP.OneChannelType = variant & 1;
  settings.ExportNSP.TwoChannelType = (variant >> 1) % 3;
  settings.ExportRAW.Encoding = 3;
  settings.ExportRAW.Signed = (variant & 0x08) != 0;
  settings.ExportRAW.MSBFirst = (variant & 0x10) != 0;
  settings.ExportRAW.HeaderBytes = (variant & 0x20) != 0 ? 3 : 0;
}

// RAW carries no head: the import is told what the export wrote.
void DescribeRawExport(ConversionSettings& settings, const Layout& source) {
  ImportRAWSettings& raw = settings.ImportRAW;
  raw.Encoding = 3;
  raw.Signed = settings.ExportRAW.Signed;
  raw.ByteOrder = settings.ExportRAW.MSBFirst ? 1 : 0;
  raw.StripBytes = settings.ExportRAW.HeaderBytes;
  raw.nChans = source.slots;
}

void RoundTrip(const Target& target, const Layout& source, uint8_t variant) {
  const fuzz::Workspace& workspace = fuzz::TheWorkspace();
  const std::string smpPath = workspace.Path("a.smp");
  const std::string exported = workspace.Path(target.fileName);
  const std::string again = workspace.Path("b.smp");
  {
    Conversion conversion;
    SetLosslessExports(conversion.settings, variant);
    fuzz::RunConverter(target.exporter, std::string("Export") + target.name, conversion, smpPath,
                       exported);
  }
  workspace.ExpectOnly(InputsAnd({"a.smp", target.fileName}));
  if (!std::filesystem::exists(exported)) {
    return;  // refused with a log line or a message box
  }
  {
    Conversion conversion;
    SetLosslessExports(conversion.settings, variant);
    DescribeRawExport(conversion.settings, source);
    fuzz::RunConverter(target.importer, std::string("Import") + target.name, conversion, exported,
                       again);
  }
  workspace.ExpectOnly(InputsAnd({"a.smp", target.fileName, "b.smp"}));
  const std::optional<Layout> result = LayoutOf(again);
  if (!result) {
    Fail(std::string("the ") + target.name + " export of " + Describe(source) +
         " does not import again");
  }
  if (result->samples != source.samples) {
    Fail(std::string("the ") + target.name + " round trip changed " + Describe(source) + " into " +
         Describe(*result));
  }
  std::filesystem::remove(exported);
  std::filesystem::remove(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) {
    return 0;
  }
  const fuzz::Workspace& workspace = fuzz::TheWorkspace();
  const Importer& importer = Importers()[data[0] % Importers().size()];
  const uint8_t variant = data[1];
  const std::string input = workspace.Write(importer.inputName, std::span(data + 2, size - 2));
  const std::string smpPath = workspace.Path("a.smp");
  {
    Conversion conversion;
    conversion.settings.ImportRAW.nChans = 1 + variant % 8;
    conversion.settings.ImportTXT.nChans = 1 + variant % 8;
    conversion.settings.ImportTXT.InvalidNumberAction = 1;
    fuzz::RunConverter(importer.convert, importer.name, conversion, input, smpPath);
  }
  const std::optional<Layout> source =
      std::filesystem::exists(smpPath) ? LayoutOf(smpPath) : std::nullopt;
  // A file without channels (an NSP header whose peak fields are all absent) or with more
  // slots than a file holds has no layout any export could describe.
  if (source && source->channels >= 1 && source->slots >= 1 && source->slots <= kMaxScanSlots) {
    for (const Target& target : Targets()) {
      RoundTrip(target, *source, variant);
    }
  }
  workspace.Clear();
  return 0;
}
