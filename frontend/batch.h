#pragma once

#include <span>
#include <string>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/batch_view.h"
#include "frontend/error_reporter.h"
#include "frontend/suite_link.h"
#include "frontend/targets.h"
#include "frontend/tick_pacer.h"
#include "platform/filedialog.h"

namespace vorsel {

// Makes the one-line description of a file for infolabel.
using FileDescriber = std::string (*)(const std::string& path, const ConversionSettings& settings);

// What the owner (the main window or the command-line tool) lends its batch.
struct BatchParts {
  const ConversionSettings& settings;
  ConversionContext& context;  // the batch installs its BusyTick here
  BatchView& view;
  FileDialogs& fileDialogs;
  TickPacer& pacer;  // shared with every other paced caller of the program
  SuiteLink& link;
  ErrorReporter& errors;
  FileDescriber describe = nullptr;  // infolabel stays empty without one
  std::span<const ImportRoute> importRoutes = ImportRoutes();
};

// The conversion behind the target buttons: walks the selected entries of the view, names
// each output, guards existing files and calls one converter per entry.
class ConversionBatch {
 public:
  explicit ConversionBatch(const BatchParts& parts);
  ConversionBatch(const ConversionBatch&) = delete;
  ConversionBatch& operator=(const ConversionBatch&) = delete;

  // The import or the export batch, as the target's direction says.
  void Run(const ConversionTarget& target);
  void RunExportBatch(const ConversionTarget& target);
  void RunImportBatch();

  // Empty when the user cancelled the save dialog of naming mode 3.
  std::string MakeOutputName(const std::string& inputPath, const std::string& ext);
  void ShowFileInfo(const std::string& path);
  // Animates the busy icons and lets the view breathe, at most every 300 ms.
  void BusyTick();
  void EndBatch();

  int BusyPhase() const { return busyPhase_; }

 private:
  bool MayWrite(const std::string& outputPath);
  void CallConverter(Converter convert, const std::string& inputPath,
                     const std::string& outputPath);
  // One log line and true when the converter would read and write the same file.
  bool RefuseSameFile(const std::string& inputPath, const std::string& outputPath);
  void ImportOne(const std::string& inputPath);
  std::vector<std::string> SelectedPaths() const;
  // True, with a log line naming what is left, when the view asks the batch to stop.
  bool StopBefore(const std::vector<std::string>& paths, size_t next);
  void StopBusyIndicator();
  void EndWithError(const std::exception& error);

  const ConversionSettings& settings() const { return parts_.settings; }
  ConversionLog& log() { return parts_.context.log; }

  BatchParts parts_;
  int busyPhase_ = 0;
};

}  // namespace vorsel
