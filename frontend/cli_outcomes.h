#pragma once

#include <csignal>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorsel {

// Which FILE arguments of a command-line batch produced their output completely. The batch
// announces each file; a refusal line in the log, a refusal box, a declined question or an
// error that ends the batch marks the file (and, for the error, every later one) as not
// converted.
class FileOutcomes {
 public:
  explicit FileOutcomes(std::vector<std::string> files) : files_(std::move(files)) {}

  void FileStarting() { ++started_; }
  // Looks at a log line of the current file: the log lines of a refusal mark it.
  void LogLine(std::string_view line);
  void CurrentFailed();
  // The current file and all after it.
  void BatchEnded();

  bool AllConverted() const { return notConverted_.empty() && !ended_; }
  // "Not converted: a.wav, b.wav"; empty when every file was converted.
  std::string NotConvertedLine() const;

 private:
  std::vector<std::string> files_;
  size_t started_ = 0;
  std::vector<size_t> notConverted_;
  bool ended_ = false;
};

// SIGINT and SIGTERM set the signal number here; the batch stops at its next busy tick.
extern volatile std::sig_atomic_t gStopSignal;
void InstallStopSignalHandlers();

}  // namespace vorsel
