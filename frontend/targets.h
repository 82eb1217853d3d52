#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formats/conversion_context.h"
#include "frontend/conversion_settings.h"

namespace vorsel {

// Every importer and exporter is called in this shape and reads its own sections of the
// settings. An empty outputPath means the user cancelled the save dialog. Operating-system
// errors are thrown and end the batch.
using Converter = void (*)(ConversionContext& context, const ConversionSettings& settings,
                           const std::string& inputPath, const std::string& outputPath);

// A converter of one format as the batch calls it: given the one section of the settings that
// it reads (WithSection<&ConversionSettings::ExportWAV, &ExportWAV>).
template <auto Section, auto Convert>
void WithSection(ConversionContext& context, const ConversionSettings& settings,
                 const std::string& inputPath, const std::string& outputPath) {
  Convert(context, settings.*Section, inputPath, outputPath);
}

enum class Direction { Import, Export };

// One target button of the main window and what its batch does.
struct ConversionTarget {
  std::string_view Name;       // the button's name, "wavbutton"
  std::string_view Caption;    // "WAV !"
  std::string_view Format;     // how log lines name it, "WAV"
  std::string_view CliAction;  // the command-line action, "to-wav"
  std::string_view CliHelp;    // its line in the command-line usage
  Direction direction;
  std::string (*OutputExtension)(const ConversionSettings& settings);
  std::string (*HeaderLine)(const ConversionSettings& settings);  // exports only
  // The batch itself logs a cancelled save dialog instead of calling the converter.
  bool BatchLogsCancel;
  // The exporter (an import picks its converter from the import routes).
  Converter Convert;
};

// The six targets in button order.
std::span<const ConversionTarget> ConversionTargets();
const ConversionTarget* FindTargetByName(std::string_view name);
const ConversionTarget* FindTargetByCliAction(std::string_view action);

// What the import does with a file of a given type before (or instead of) converting it.
enum class ImportStep {
  Convert,          // call the importer
  AssumeRawCoding,  // log the assumed coding, then call the importer
  RefuseSMP,        // an SMP file cannot be imported: tell the user
};

// One row of the import's dispatch by file type.
struct ImportRoute {
  std::string_view Format;  // how log lines name it, "AIFF"
  uint32_t FileTypes;       // FileTypeBit of every file type code it takes
  ImportStep Step;
  Converter Convert;  // nullptr for a refusal
};

constexpr uint32_t FileTypeBit(int32_t code) {
  return 1u << code;
}

std::span<const ImportRoute> ImportRoutes();
// The route that takes fileType, or nullptr when none does.
const ImportRoute* FindImportRoute(std::span<const ImportRoute> routes, int32_t fileType);

}  // namespace vorsel
