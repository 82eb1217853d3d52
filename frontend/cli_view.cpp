#include "frontend/cli_view.h"

#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace vorsel {

namespace {

uint64_t SizeOf(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<uint64_t>(size);
}

}  // namespace

CommandLineView::CommandLineView(std::vector<std::string> files, std::string directory,
                                 TerminalOutput& output, FileOutcomes* outcomes)
    : files_(std::move(files)),
      directory_(std::move(directory)),
      output_(output),
      outcomes_(outcomes) {}

void CommandLineView::ProcessMessages() {
  if (gStopSignal != 0) {
    const std::string reason = gStopSignal == SIGINT ? "interrupted (SIGINT)" : "stopped (SIGTERM)";
    throw std::runtime_error(currentOutput_.empty() ? "Conversion " + reason
                                                    : currentOutput_ + " is incomplete: " + reason);
  }
  output_.ShowProgress(ProgressText());
}

void CommandLineView::FileStarting(const std::string&) {
  if (outcomes_ != nullptr) {
    outcomes_->FileStarting();
  }
}

void CommandLineView::ConversionStarting(const std::string&, const std::string& outputPath) {
  currentOutput_ = outputPath;
}

void CommandLineView::ConversionFinished(const std::string&, const std::string& outputPath) {
  ++filesDone_;
  bytesDone_ += outputPath.empty() ? 0 : SizeOf(outputPath);
  currentOutput_.clear();
}

std::string CommandLineView::ProgressText() const {
  const uint64_t current = currentOutput_.empty() ? 0 : SizeOf(currentOutput_);
  return std::to_string(filesDone_) + " of " + std::to_string(files_.size()) + " files done, " +
         std::to_string(bytesDone_ + current) + " bytes written";
}

}  // namespace vorsel
