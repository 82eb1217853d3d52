#include "frontend/cli_outcomes.h"

#include <algorithm>
#include <array>

namespace vorsel {

volatile std::sig_atomic_t gStopSignal = 0;

namespace {

// How the converters and the batch end a file without its output.
constexpr std::array<std::string_view, 6> kRefusalEndings = {
    "Conversion aborted.",  " - not converted, the output would overwrite the input",
    "; not converted",      ", CANCELED!",
    " - cancelled by user", "Data chunk skipped.",
};

void StopOnSignal(int signal) {
  gStopSignal = signal;
}

}  // namespace

void FileOutcomes::LogLine(std::string_view line) {
  for (const std::string_view ending : kRefusalEndings) {
    if (line.ends_with(ending)) {
      CurrentFailed();
      return;
    }
  }
}

void FileOutcomes::CurrentFailed() {
  if (started_ == 0) {
    return;
  }
  const size_t current = started_ - 1;
  if (std::find(notConverted_.begin(), notConverted_.end(), current) == notConverted_.end()) {
    notConverted_.push_back(current);
  }
}

void FileOutcomes::BatchEnded() {
  ended_ = true;
  for (size_t i = started_ == 0 ? 0 : started_ - 1; i < files_.size(); ++i) {
    if (std::find(notConverted_.begin(), notConverted_.end(), i) == notConverted_.end()) {
      notConverted_.push_back(i);
    }
  }
}

std::string FileOutcomes::NotConvertedLine() const {
  if (notConverted_.empty()) {
    return "";
  }
  std::vector<size_t> order = notConverted_;
  std::sort(order.begin(), order.end());
  std::string line = "Not converted:";
  for (size_t i = 0; i < order.size(); ++i) {
    line += (i == 0 ? " " : ", ") + files_[order[i]];
  }
  return line;
}

void InstallStopSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = StopOnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM}) {
    // A signal ignored by the starter (a background job, nohup) stays ignored.
    struct sigaction inherited {};
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler != SIG_IGN) {
      sigaction(signal, &action, nullptr);
    }
  }
  // Past a file-size limit a write fails with EFBIG, reported as any write error, instead of
  // killing the program with its output half written.
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace vorsel
