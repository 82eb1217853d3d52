#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/batch.h"
#include "smp/sSMP.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {

// A file list with selection flags that records what the batch shows.
class TestView : public BatchView {
 public:
  struct Entry {
    std::string name;
    bool selected;
  };

  size_t EntryCount() const override { return entries.size(); }
  std::string Entry(size_t index) const override { return entries.at(index).name; }
  bool Selected(size_t index) const override { return entries.at(index).selected; }
  std::string Directory() const override { return directory; }

  void SetFileNameLabel(const std::string& caption) override { filenamelabel = caption; }
  void SetInfoLabel(const std::string& caption) override { infolabel = caption; }
  void SetImage1Visible(bool visible) override { image1 = visible; }
  void SetImage2Visible(bool visible) override { image2 = visible; }
  bool Image2Visible() const override { return image2; }
  void Repaint() override { ++repaints; }
  void ProcessMessages() override { ++messageRounds; }
  bool StopRequested() const override { return stopRequested && stopRequested(); }

  std::vector<struct Entry> entries;
  std::string directory;
  std::string filenamelabel = "untouched";
  std::string infolabel = "untouched";
  bool image1 = false;
  bool image2 = false;
  int repaints = 0;
  int messageRounds = 0;
  std::function<bool()> stopRequested;
};

class RecordingLink : public SuiteLink {
 public:
  void SetHeavyLoad(bool busy) override { heavyLoad = busy; }
  void AnnounceNewFiles() override { ++announcements; }
  bool heavyLoad = false;
  int announcements = 0;
};

class RecordingErrors : public ErrorReporter {
 public:
  void HandleException(const std::exception& error) override {
    messages.emplace_back(error.what());
  }
  std::vector<std::string> messages;
};

// Answers save dialogs from a script: a path, or nothing for Cancel.
class ScriptedSaveDialog : public FileDialogs {
 public:
  std::optional<std::string> ExecuteSave(const SaveDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      return std::nullopt;
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<SaveDialogRequest> requests;
  std::deque<std::optional<std::string>> answers;
};

// One converter call as the test converters record it.
struct ConverterCall {
  std::string converter;
  std::string inputPath;
  std::string outputPath;
};

std::vector<ConverterCall>& ConverterCalls();

// Converters that keep the contract: log their line, tick, write the output.
void TestExport(ConversionContext& context, const ConversionSettings& settings,
                const std::string& inputPath, const std::string& outputPath);
void TestImportA(ConversionContext& context, const ConversionSettings& settings,
                 const std::string& inputPath, const std::string& outputPath);
void TestImportB(ConversionContext& context, const ConversionSettings& settings,
                 const std::string& inputPath, const std::string& outputPath);
// Raises an operating-system error instead of converting.
void ThrowingConverter(ConversionContext& context, const ConversionSettings& settings,
                       const std::string& inputPath, const std::string& outputPath);

// Everything a batch needs, with a clock that moves on by 301 ms at every reading so that
// each busy tick fires.
class BatchFixture {
 public:
  BatchFixture();

  // Creates the file in the folder and lists it.
  std::string AddEntry(const std::string& name, std::string_view content, bool selected = true);
  ConversionTarget ExportTarget(Converter convert, bool batchLogsCancel = false) const;

  TempDir dir;
  ConversionSettings settings;
  RecordingLog log;
  FakeMessageBoxes boxes;
  TSMPfile smpFile;
  ConversionContext context{smpFile, log, boxes, {}};
  TestView view;
  ScriptedSaveDialog saveDialog;
  uint32_t now = 1000;
  uint32_t clockStep = 301;
  TickPacer pacer{[this] { return now += clockStep; }};
  RecordingLink link;
  RecordingErrors errors;
  std::vector<ImportRoute> routes;
  FileDescriber describe = nullptr;
  std::unique_ptr<ConversionBatch> batch;

  // Builds the batch over the current routes.
  ConversionBatch& Batch();
};

}  // namespace vorsel::test
