#include "frontend/targets.h"

#include <algorithm>
#include <vector>

#include "formats/format_list.h"

namespace vorsel {

namespace {

std::string SMPExtension(const ConversionSettings&) {
  return ".smp";
}

std::vector<ConversionTarget> BuildTargets() {
  std::vector<ConversionTarget> targets = {{"smpbutton", "SMP !", "SMP", "to-smp",
                                            "import the files into SMP files", Direction::Import,
                                            &SMPExtension, nullptr, false, nullptr}};
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (const std::optional<FormatExport>& out = format->exporter) {
      targets.push_back({out->buttonName, out->caption, format->format, out->cliAction,
                         out->cliHelp, Direction::Export, out->extension, out->headerLine,
                         out->batchLogsCancel, out->convert});
    }
  }
  return targets;
}

std::vector<ImportRoute> BuildImportRoutes() {
  std::vector<ImportRoute> routes = {{"SMP", FileTypeBit(ftSMP), ImportStep::RefuseSMP, nullptr}};
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (const std::optional<FormatImport>& in = format->importer) {
      uint32_t types = 0;
      for (const FormatFileType& type : format->types) {
        types |= FileTypeBit(type.code);
      }
      // A null line builder leaves the route without an assumption line.
      routes.push_back(
          {format->format, types, ImportStep::Convert, in->convert, in->assumptionLine});
    }
  }
  return routes;
}

// "Only .au, .wav, .aif, .nsp and .raw files can be imported!"
std::string BuildSMPImportRefusal() {
  std::vector<const FormatExport*> exports;
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (format->exporter) {
      exports.push_back(&*format->exporter);
    }
  }
  std::stable_sort(exports.begin(), exports.end(),
                   [](const FormatExport* a, const FormatExport* b) {
                     return a->refusalPlace < b->refusalPlace;
                   });
  std::string text = "Only ";
  for (size_t i = 0; i < exports.size(); ++i) {
    if (i > 0) {
      text += i + 1 == exports.size() ? " and " : ", ";
    }
    text += exports[i]->refusalExtension;
  }
  return text + " files can be imported!";
}

const std::vector<ConversionTarget>& Targets() {
  static const std::vector<ConversionTarget> targets = BuildTargets();
  return targets;
}

}  // namespace

std::span<const ConversionTarget> ConversionTargets() {
  return Targets();
}

const ConversionTarget* FindTargetByName(std::string_view name) {
  for (const ConversionTarget& target : Targets()) {
    if (target.Name == name) {
      return &target;
    }
  }
  return nullptr;
}

const ConversionTarget* FindTargetByCliAction(std::string_view action) {
  for (const ConversionTarget& target : Targets()) {
    if (target.CliAction == action) {
      return &target;
    }
  }
  return nullptr;
}

std::span<const ImportRoute> ImportRoutes() {
  static const std::vector<ImportRoute> routes = BuildImportRoutes();
  return routes;
}

const std::string& SMPImportRefusal() {
  static const std::string text = BuildSMPImportRefusal();
  return text;
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
