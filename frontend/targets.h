#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "formats/conversion_context.h"
#include "frontend/conversion_settings.h"

namespace vorsel {

// Every importer and exporter is called in this shape and reads its own sections of the
// settings. An empty outputPath means the user cancelled the save dialog. Operating-system
// errors are thrown and end the batch.
using Converter = std::function<void(ConversionContext& context, const ConversionSettings& settings,
                                     const std::string& inputPath, const std::string& outputPath)>;
using SettingsText = std::function<std::string(const ConversionSettings& settings)>;

enum class Direction { Import, Export };

// One target button of the main window and what its batch does.
struct ConversionTarget {
  std::string_view Name;       // the button's name, "wavbutton"
  std::string_view Caption;    // "WAV !"
  std::string_view Format;     // how log lines name it, "WAV"
  std::string_view CliAction;  // the command-line action, "to-wav"
  std::string_view CliHelp;    // its line in the command-line usage
  Direction direction;
  SettingsText OutputExtension;
  SettingsText HeaderLine;  // exports only
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
  Convert,    // call the importer, after the assumption line when there is one
  RefuseSMP,  // an SMP file cannot be imported: tell the user
};

// One row of the import's dispatch by file type.
struct ImportRoute {
  std::string_view Format;  // how log lines name it, "AIFF"
  uint32_t FileTypes;       // FileTypeBit of every file type code it takes
  ImportStep Step;
  Converter Convert;  // empty for a refusal
  // The line logged before the importer is called (what RAW assumes); empty for none.
  SettingsText AssumptionLine = nullptr;
};

constexpr uint32_t FileTypeBit(int32_t code) {
  return 1u << code;
}

std::span<const ImportRoute> ImportRoutes();
// The message box text of an SMP file given to the import, naming what can be imported.
const std::string& SMPImportRefusal();
// The route that takes fileType, or nullptr when none does.
const ImportRoute* FindImportRoute(std::span<const ImportRoute> routes, int32_t fileType);

}  // namespace vorsel
