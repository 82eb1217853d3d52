#pragma once

#include <istream>
#include <ostream>
#include <span>
#include <string>

namespace vorsel {

struct CliStreams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool inIsTerminal = false;
  bool errIsTerminal = false;
};

// Exit status of vorsel-cli.
enum CliExitStatus : int {
  kCliSuccess = 0,
  kCliWarned = 1,  // a warning or error box was shown, or an error ended the batch
  kCliUsageError = 2,
  kCliInterrupted = 130,  // 128 + SIGINT
  kCliTerminated = 143,   // 128 + SIGTERM
};

// vorsel-cli [OPTIONS] ACTION FILE...; args without the program name.
int RunCommandLine(std::span<const std::string> args, const CliStreams& io);

std::string CommandLineUsage();

}  // namespace vorsel
