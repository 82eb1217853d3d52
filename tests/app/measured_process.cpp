#include "tests/app/measured_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace vorsel::test {

namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& changes) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const size_t eq = text.find('=');
    if (eq != std::string::npos) {
      merged[text.substr(0, eq)] = text.substr(eq + 1);
    }
  }
  for (const auto& [name, value] : changes) {
    merged[name] = value;
  }
  std::vector<std::string> lines;
  for (const auto& [name, value] : merged) {
    lines.push_back(name + "=" + value);
  }
  return lines;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

MeasuredRun RunMeasured(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& folder, const std::string& captureFolder,
                        const std::map<std::string, std::string>& environment) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = MergedEnvironment(environment);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envpPointers = Pointers(envp);
  const std::string outPath = captureFolder + "/stdout.txt";
  const std::string errPath = captureFolder + "/stderr.txt";

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    throw std::runtime_error("fork failed");
  }
  if (child == 0) {
    // Only async-signal-safe calls until exec.
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(folder.c_str()) != 0) {
      _exit(127);
    }
    execve(program.c_str(), argvPointers.data(), envpPointers.data());
    _exit(127);
  }
  int raw = 0;
  rusage usage{};
  while (wait4(child, &raw, 0, &usage) < 0) {
  }
  MeasuredRun run;
  run.wallTime = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  run.exited = WIFEXITED(raw);
  run.status = run.exited ? WEXITSTATUS(raw) : WTERMSIG(raw);
  run.peakKiB = usage.ru_maxrss;
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

}  // namespace vorsel::test
