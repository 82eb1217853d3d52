#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "frontend/cli.h"
#include "frontend/cli_outcomes.h"

int main(int argc, char** argv) {
  vorsel::InstallStopSignalHandlers();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const vorsel::CliStreams io{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) == 1,
                              isatty(STDERR_FILENO) == 1};
  return vorsel::RunCommandLine(args, io);
}
