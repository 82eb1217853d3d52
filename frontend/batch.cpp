#include "frontend/batch.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "frontend/output_name.h"
#include "probing/filetype.h"

namespace vorsel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNothingSelected = "You must select some files to convert!";

std::string FileNameOf(const std::string& path) {
  return fs::path(path).filename().string();
}

// A file (not a folder) is at path.
bool FileExists(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return !error && fs::exists(status) && !fs::is_directory(status);
}

}  // namespace

ConversionBatch::ConversionBatch(const BatchParts& parts) : parts_(parts) {
  parts_.context.BusyTick = [this] { BusyTick(); };
}

void ConversionBatch::Run(const ConversionTarget& target) {
  if (target.direction == Direction::Import) {
    RunImportBatch();
  } else {
    RunExportBatch(target);
  }
}

void ConversionBatch::RunExportBatch(const ConversionTarget& target) {
  if (parts_.view.EntryCount() == 0) {
    log().Append(kNothingSelected);
    return;
  }
  const std::string ext = target.OutputExtension(settings());
  if (const auto problem = OutputNamingProblem(settings(), ext)) {
    log().Append(*problem);
    return;
  }
  log().Append(target.HeaderLine(settings()));
  try {
    const std::vector<std::string> paths = SelectedPaths();
    for (size_t i = 0; i < paths.size(); ++i) {
      if (StopBefore(paths, i)) {
        break;
      }
      const std::string& inputPath = paths[i];
      parts_.view.FileStarting(inputPath);
      BusyTick();
      const std::string outputPath = MakeOutputName(inputPath, ext);
      if (outputPath.empty() && target.BatchLogsCancel) {
        log().Append(FileNameOf(inputPath) + ", CANCELED!");
        continue;
      }
      ShowFileInfo(inputPath);
      if (!MayWrite(outputPath)) {
        continue;
      }
      ShowFileInfo(inputPath);
      if (RefuseSameFile(inputPath, outputPath)) {
        continue;
      }
      CallConverter(target.Convert, inputPath, outputPath);
    }
    EndBatch();
    log().Append("Done");
  } catch (const std::exception& error) {
    EndWithError(error);
  } catch (...) {
    EndWithError(std::runtime_error("Unknown error"));
  }
}

void ConversionBatch::RunImportBatch() {
  if (parts_.view.EntryCount() == 0) {
    log().Append(kNothingSelected);
    return;
  }
  if (const auto problem = OutputNamingProblem(settings(), ".smp")) {
    log().Append(*problem);
    return;
  }
  try {
    const std::vector<std::string> paths = SelectedPaths();
    for (size_t i = 0; i < paths.size(); ++i) {
      if (StopBefore(paths, i)) {
        break;
      }
      ImportOne(paths[i]);
    }
    EndBatch();
    log().Append("Done");
  } catch (const std::exception& error) {
    EndWithError(error);
  } catch (...) {
    EndWithError(std::runtime_error("Unknown error"));
  }
}

void ConversionBatch::ImportOne(const std::string& inputPath) {
  parts_.view.FileStarting(inputPath);
  BusyTick();
  const std::string outputPath = MakeOutputName(inputPath, ".smp");
  ShowFileInfo(inputPath);
  if (!MayWrite(outputPath)) {
    return;
  }
  const ImportRoute* route =
      FindImportRoute(parts_.importRoutes, FileTypeOf(inputPath, ProbeSettingsOf(settings())));
  if (route == nullptr) {
    return;
  }
  if (route->Step == ImportStep::RefuseSMP) {
    parts_.context.dialogs.ShowMessageBox(SMPImportRefusal(), "Cannot IMPORT smp",
                                          mbOk | mbIconExclamation);
    return;
  }
  if (RefuseSameFile(inputPath, outputPath)) {
    return;
  }
  if (route->AssumptionLine) {
    log().Append(route->AssumptionLine(settings()));
  }
  CallConverter(route->Convert, inputPath, outputPath);
}

std::string ConversionBatch::MakeOutputName(const std::string& inputPath, const std::string& ext) {
  return vorsel::MakeOutputName(inputPath, ext, settings(), parts_.fileDialogs);
}

void ConversionBatch::ShowFileInfo(const std::string& path) {
  if (path.empty() || !FileExists(path)) {
    parts_.view.SetFileNameLabel("");
    parts_.view.SetInfoLabel("");
    return;
  }
  parts_.view.SetFileNameLabel(path);
  parts_.view.SetInfoLabel(parts_.describe ? parts_.describe(path, settings()) : std::string());
}

void ConversionBatch::BusyTick() {
  if (!parts_.pacer.TickDue(300)) {
    return;
  }
  ++busyPhase_;
  if (busyPhase_ == 1) {
    parts_.view.SetImage2Visible(true);
  } else if (busyPhase_ == 2) {
    parts_.view.SetImage2Visible(false);
  } else {
    busyPhase_ = 0;
  }
  parts_.view.SetImage1Visible(!parts_.view.Image2Visible());
  parts_.view.Repaint();
  parts_.link.SetHeavyLoad(true);
  parts_.view.ProcessMessages();
}

void ConversionBatch::EndBatch() {
  StopBusyIndicator();
  parts_.view.SetInfoLabel("");
  parts_.link.AnnounceNewFiles();
}

bool ConversionBatch::MayWrite(const std::string& outputPath) {
  const CommonSettings& common = settings().Common;
  if (outputPath.empty() || common.Naming == 3 || common.OverWrite || !FileExists(outputPath)) {
    return true;
  }
  return parts_.context.dialogs.ShowMessageBox(outputPath + " exists!\rOverwrite?",
                                               "Confirm overwrite",
                                               mbYesNo | mbIconQuestion) == idYes;
}

bool ConversionBatch::RefuseSameFile(const std::string& inputPath, const std::string& outputPath) {
  std::error_code error;
  if (outputPath.empty() || !fs::equivalent(inputPath, outputPath, error) || error) {
    return false;
  }
  log().Append(inputPath + " - not converted, the output would overwrite the input");
  return true;
}

void ConversionBatch::CallConverter(Converter convert, const std::string& inputPath,
                                    const std::string& outputPath) {
  parts_.view.ConversionStarting(inputPath, outputPath);
  parts_.context.OverWrite = settings().Common.OverWrite;
  convert(parts_.context, settings(), inputPath, outputPath);
  parts_.view.ConversionFinished(inputPath, outputPath);
}

bool ConversionBatch::StopBefore(const std::vector<std::string>& paths, size_t next) {
  if (!parts_.view.StopRequested()) {
    return false;
  }
  const size_t left = paths.size() - next;
  log().Append("Stopped: " + std::to_string(left) + (left == 1 ? " file was" : " files were") +
               " not converted, starting with " + FileNameOf(paths[next]));
  return true;
}

std::vector<std::string> ConversionBatch::SelectedPaths() const {
  // Taken once: the view may re-read its list while the batch lets it process messages.
  std::vector<std::string> paths;
  const fs::path directory = fs::absolute(parts_.view.Directory());
  for (size_t i = 0; i < parts_.view.EntryCount(); ++i) {
    if (parts_.view.Selected(i)) {
      paths.push_back((directory / parts_.view.Entry(i)).lexically_normal().string());
    }
  }
  return paths;
}

void ConversionBatch::StopBusyIndicator() {
  parts_.view.SetImage1Visible(false);
  parts_.view.SetImage2Visible(false);
  busyPhase_ = 0;
  parts_.link.SetHeavyLoad(false);
}

void ConversionBatch::EndWithError(const std::exception& error) {
  // The batch stops here: no "Done", no new-file notice, but no busy icon left behind either.
  StopBusyIndicator();
  parts_.errors.HandleException(error);
}

}  // namespace vorsel
