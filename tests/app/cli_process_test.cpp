#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

struct ProcessResult {
  int status;
  std::string out;
  std::string err;
};

// Runs the installed tool as a script would: no terminal on any stream.
ProcessResult RunCli(const std::string& arguments) {
  test::TempDir dir;
  const std::string command = "cd '" + dir.path().string() + "' && '" VORSEL_CLI "' " + arguments +
                              " </dev/null >out.txt 2>err.txt";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFile(dir / "out.txt"),
          test::ReadFile(dir / "err.txt")};
}

TEST(VorselCli, ConvertsNothingWithoutFiles) {
  const ProcessResult r = RunCli("to-smp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "You must select some files to convert!\n");
  EXPECT_EQ(r.err, "");
}

TEST(VorselCli, RefusesBadSettingsWithExitStatusTwo) {
  ProcessResult r = RunCli("--set ExportWAV.Encoding=x to-wav f.smp");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("ExportWAV.Encoding"), std::string::npos) << r.err;
  r = RunCli("--set Nosuch.Key=1 to-wav f.smp");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Nosuch.Key"), std::string::npos) << r.err;
}

TEST(VorselCli, PrintsUsageAndVersion) {
  ProcessResult r = RunCli("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: vorsel-cli", 0), 0u) << r.out;
  r = RunCli("--version");
  EXPECT_EQ(r.out, "4.50\n");
}

}  // namespace
}  // namespace vorsel
