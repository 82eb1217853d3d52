#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
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

// Runs the tool in dir as a script would: no terminal on any stream.
ProcessResult RunCliIn(const test::TempDir& dir, const std::string& arguments) {
  const std::string command = "cd '" + dir.path().string() + "' && '" VORSEL_CLI "' " + arguments +
                              " </dev/null >out.txt 2>err.txt";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFile(dir / "out.txt"),
          test::ReadFile(dir / "err.txt")};
}

ProcessResult RunCli(const std::string& arguments) {
  test::TempDir dir;
  return RunCliIn(dir, arguments);
}

// A mono 16-bit AU file of 8000 Hz holding the given samples.
std::string AuFile(std::initializer_list<int16_t> samples) {
  std::string bytes = ".snd";
  const auto be32 = [&bytes](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes += static_cast<char>((v >> shift) & 0xFF);
    }
  };
  be32(24);
  be32(static_cast<uint32_t>(2 * samples.size()));
  be32(3);
  be32(8000);
  be32(1);
  for (const int16_t s : samples) {
    bytes += static_cast<char>((static_cast<uint16_t>(s) >> 8) & 0xFF);
    bytes += static_cast<char>(static_cast<uint16_t>(s) & 0xFF);
  }
  return bytes;
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

TEST(VorselCli, ImportsAndExportsThroughTheRealConverters) {
  test::TempDir dir;
  const std::string au = AuFile({0, 1000, -1000, 32767, -32768});
  test::WriteFile(dir / "tone.au", au);
  ProcessResult r = RunCliIn(dir, "to-smp tone.au");
  EXPECT_EQ(r.out, "tone.au -> tone.smp\nDone\n");
  EXPECT_EQ(r.status, 0) << r.err;

  // The AU output exists: without --yes the question is answered No.
  r = RunCliIn(dir, "to-au tone.smp");
  EXPECT_EQ(r.out, "AU: 16-bit\nDone\n");
  EXPECT_EQ(r.err, "Confirm overwrite: " + dir / "tone.au" +
                       " exists! / Overwrite?\nNot converted: tone.smp\n");
  EXPECT_EQ(r.status, 1);

  r = RunCliIn(dir, "--set Common.Naming=2 --set Common.AppendString=_back to-au tone.smp");
  EXPECT_EQ(r.out, "AU: 16-bit\ntone.smp -> tone_back.au\nDone\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // The samples come back unchanged after the header.
  const std::string back = test::ReadFile(dir / "tone_back.au");
  ASSERT_GE(back.size(), 10u);
  EXPECT_EQ(back.substr(back.size() - 10), au.substr(au.size() - 10));
}

TEST(VorselCli, PrintsUsageAndVersion) {
  ProcessResult r = RunCli("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: vorsel-cli", 0), 0u) << r.out;
  r = RunCli("--version");
  EXPECT_EQ(r.out, "vorsel-cli 4.50\n");
}

}  // namespace
}  // namespace vorsel
