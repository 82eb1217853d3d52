#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "formats/conversion_settings.h"
#include "platform/messagebox.h"

namespace vorsel {

class TSMPfile;

// The conversion log: converters and the batch only append to it.
class ConversionLog {
 public:
  virtual ~ConversionLog() = default;
  virtual void Append(std::string_view line) = 0;
};

// What a converter may reach; the owner (the main window or the command-line tool) holds it.
struct ConversionContext {
  const ConversionSettings& settings;
  TSMPfile& SMPfile1;
  ConversionLog& log;
  MessageBoxes& dialogs;
  std::function<void()> BusyTick;
};

// Every importer and exporter has this shape. An empty outputPath means the user cancelled
// the save dialog. Operating-system errors are thrown and end the batch.
using Converter = void (*)(ConversionContext& context, const std::string& inputPath,
                           const std::string& outputPath);

}  // namespace vorsel
