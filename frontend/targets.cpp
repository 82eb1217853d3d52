#include "frontend/targets.h"

#include <array>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/nsp.h"
#include "formats/raw.h"
#include "formats/txt.h"
#include "formats/wav.h"
#include "frontend/batch_lines.h"
#include "probing/filetype.h"

namespace vorsel {

namespace {

std::string SMPExtension(const ConversionSettings&) {
  return ".smp";
}
std::string WAVExtension(const ConversionSettings&) {
  return ".wav";
}
std::string AUExtension(const ConversionSettings&) {
  return ".au";
}
std::string AIFFExtension(const ConversionSettings&) {
  return ".aif";
}
std::string NSPExtension(const ConversionSettings&) {
  return ".nsp";
}
std::string RAWExtension(const ConversionSettings& settings) {
  return settings.ExportRAW.Extension;
}

using S = ConversionSettings;

// A new format is one row here (and one in the import routes when it can be read).
constexpr std::array<ConversionTarget, 6> kTargets = {{
    {"smpbutton", "SMP !", "SMP", "to-smp", "import the files into SMP files", Direction::Import,
     &SMPExtension, nullptr, false, nullptr},
    {"wavbutton", "WAV !", "WAV", "to-wav", "export SMP files to WAV", Direction::Export,
     &WAVExtension, &WAVHeaderLine, true, &WithSection<&S::ExportWAV, &ExportWAV>},
    {"aubutton", "AU !", "AU", "to-au", "export SMP files to AU", Direction::Export, &AUExtension,
     &AUHeaderLine, false, &WithSection<&S::ExportAU, &ExportAU>},
    {"aifbutton", "AIFF !", "AIFF", "to-aiff", "export SMP files to AIFF", Direction::Export,
     &AIFFExtension, &AIFFHeaderLine, false, &WithSection<&S::ExportAIF, &ExportAIFF>},
    {"nspbutton", "NSP !", "NSP", "to-nsp", "export SMP files to NSP", Direction::Export,
     &NSPExtension, &NSPHeaderLine, false, &WithSection<&S::ExportNSP, &ExportNSP>},
    {"rawbutton", "RAW !", "RAW", "to-raw", "export SMP files to headerless RAW data",
     Direction::Export, &RAWExtension, &RAWHeaderLine, false,
     &WithSection<&S::ExportRAW, &ExportRAW>},
}};

constexpr std::array<ImportRoute, 7> kImportRoutes = {{
    {"RAW", FileTypeBit(ftRAW), ImportStep::AssumeRawCoding,
     &WithSection<&S::ImportRAW, &ImportRAW>},
    {"SMP", FileTypeBit(ftSMP), ImportStep::RefuseSMP, nullptr},
    {"WAV", FileTypeBit(ftWAV), ImportStep::Convert, &WithSection<&S::ImportWAV, &ImportWAV>},
    {"AU", FileTypeBit(ftAU), ImportStep::Convert, &WithSection<&S::ImportAU, &ImportAU>},
    {"AIFF", FileTypeBit(ftAIFF) | FileTypeBit(ftAIFC), ImportStep::Convert,
     &WithSection<&S::ImportAIF, &ImportAIFF>},
    {"NSP", FileTypeBit(ftNSP), ImportStep::Convert, &WithSection<&S::ImportNSP, &ImportNSP>},
    {"TXT", FileTypeBit(ftTXT), ImportStep::Convert, &WithSection<&S::ImportTXT, &ImportTXT>},
}};

}  // namespace

std::span<const ConversionTarget> ConversionTargets() {
  return kTargets;
}

const ConversionTarget* FindTargetByName(std::string_view name) {
  for (const ConversionTarget& target : kTargets) {
    if (target.Name == name) {
      return &target;
    }
  }
  return nullptr;
}

const ConversionTarget* FindTargetByCliAction(std::string_view action) {
  for (const ConversionTarget& target : kTargets) {
    if (target.CliAction == action) {
      return &target;
    }
  }
  return nullptr;
}

std::span<const ImportRoute> ImportRoutes() {
  return kImportRoutes;
}

const ImportRoute* FindImportRoute(std::span<const ImportRoute> routes, int32_t fileType) {
  if (fileType < 0 || fileType >= 32) {
    return nullptr;
  }
  for (const ImportRoute& route : routes) {
    if ((route.FileTypes & FileTypeBit(fileType)) != 0) {
      return &route;
    }
  }
  return nullptr;
}

}  // namespace vorsel
