#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/batch_view.h"
#include "frontend/cli_terminal.h"

namespace vorsel {

// The file list of the command-line tool: its FILE arguments, all selected, relative to the
// current folder. Instead of icons it keeps a progress line of files done and bytes written.
// After SIGINT or SIGTERM its next message processing throws, which ends the batch.
class CommandLineView : public BatchView {
 public:
  CommandLineView(std::vector<std::string> files, std::string directory, TerminalOutput& output,
                  FileOutcomes* outcomes = nullptr);

  size_t EntryCount() const override { return files_.size(); }
  std::string Entry(size_t index) const override { return files_.at(index); }
  bool Selected(size_t) const override { return true; }
  std::string Directory() const override { return directory_; }

  void SetFileNameLabel(const std::string&) override {}
  void SetInfoLabel(const std::string&) override {}
  void SetImage1Visible(bool) override {}
  void SetImage2Visible(bool visible) override { image2Visible_ = visible; }
  bool Image2Visible() const override { return image2Visible_; }
  void Repaint() override {}
  void ProcessMessages() override;

  void FileStarting(const std::string& inputPath) override;

  void ConversionStarting(const std::string& inputPath, const std::string& outputPath) override;
  void ConversionFinished(const std::string& inputPath, const std::string& outputPath) override;

  // "2 of 5 files done, 1048576 bytes written".
  std::string ProgressText() const;
  // Of the outputs finished so far.
  uint64_t BytesWritten() const { return bytesDone_; }

 private:
  std::vector<std::string> files_;
  std::string directory_;
  TerminalOutput& output_;
  FileOutcomes* outcomes_;
  bool image2Visible_ = false;
  size_t filesDone_ = 0;
  uint64_t bytesDone_ = 0;
  std::string currentOutput_;
};

}  // namespace vorsel
