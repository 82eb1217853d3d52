// vorsel-cli on the suite's link: it tells a listening program about the files it wrote.

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/link_transport.h"
#include "tests/platform/store_environment.h"
#include "tests/support/link_listener.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kNewFile = 1;
constexpr int kVorselId = 23;

// A mono 16-bit AU file of 8000 Hz with four samples.
std::string SmallAu() {
  std::string bytes = ".snd";
  for (const uint32_t word : {24u, 8u, 3u, 8000u, 1u}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes += static_cast<char>((word >> shift) & 0xFF);
    }
  }
  return bytes + std::string("\x00\x01\x7f\xff\x80\x00\xff\xff", 8);
}

class CliLinkTest : public ::testing::Test {
 protected:
  CliLinkTest() {
    fs::create_directories(runtime);
    env.Set("XDG_RUNTIME_DIR", runtime);
    env.Set("TMPDIR", env.dir.path().string());
    test::WriteFile(env.dir / "tone.au", SmallAu());
    test::WriteFile(env.dir / "notes.txt", "not a sample file\n");
  }

  int RunCli(const std::string& arguments) {
    const std::string command = "cd '" + env.dir.path().string() + "' && '" VORSEL_CLI "' " +
                                arguments + " </dev/null >out.txt 2>err.txt";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  test::StoreEnvironment env;
  std::string runtime = env.dir / "run";
};

TEST_F(CliLinkTest, TellsAListeningProgramOnceAboutTheFilesItWroteAndLeavesNoSocket) {
  const auto window = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  ASSERT_EQ(RunCli("to-smp tone.au"), 0);
  ASSERT_TRUE(fs::exists(env.dir / "tone.smp"));
  const test::Datagrams seen = test::Collect(*window, 2s);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(test::KindOf(seen[0]), kNewFile);
  EXPECT_EQ(test::SenderIdOf(seen[0]), kVorselId);
  EXPECT_EQ(seen[0].message, window->MessageNumber());
  EXPECT_NE(seen[0].wparam, window->Handle());
  size_t sockets = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(runtime + "/VERAZIDUZA")) {
    ++sockets;
  }
  EXPECT_EQ(sockets, 1u) << "only the listener's own socket is left";
}

TEST_F(CliLinkTest, ABatchThatWroteNothingTellsNothing) {
  const auto window = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  test::WriteFile(env.dir / "notes.smp", "kept");
  RunCli("to-smp notes.txt");  // the overwrite question is answered No
  ASSERT_EQ(test::ReadFile(env.dir / "notes.smp"), "kept");
  EXPECT_TRUE(test::Collect(*window, 300ms).empty());
}

TEST_F(CliLinkTest, WithoutAListeningProgramNothingIsCreated) {
  ASSERT_EQ(RunCli("to-smp tone.au"), 0);
  EXPECT_TRUE(fs::is_empty(runtime));
}

}  // namespace
}  // namespace vorsel
