#pragma once

// Runs vorsel-cli as a child process with a chosen folder, environment and arguments, and
// measures it: exit status, wall time and peak resident memory (getrusage of the child).

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace vorsel::test {

struct MeasuredRun {
  bool exited = false;  // false when a signal ended the process
  int status = -1;      // exit status, or the signal number
  std::chrono::milliseconds wallTime{0};
  long peakKiB = 0;  // ru_maxrss of the child
  std::string out;
  std::string err;
};

// Runs `program` with `arguments` in `folder`, standard input from /dev/null and the two output
// streams captured in files of `captureFolder`. `environment` entries replace or add variables.
MeasuredRun RunMeasured(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& folder, const std::string& captureFolder,
                        const std::map<std::string, std::string>& environment);

}  // namespace vorsel::test
