// The WAV converters as the batch runs them: vorsel-cli to-smp and to-wav in a separate process,
// with sox writing the input.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::ItemValue;
using test::ReadFile;
using test::RunPeer;
using test::SmpHead;
using test::SmpItems;
using test::SmpSamples;
using test::WriteFile;

class WavCli : public ::testing::Test {
 protected:
  // The tool's standard output; its stores live in the temporary folder.
  std::string Cli(const std::string& arguments) {
    const std::string root = dir.path().string();
    const std::string command = "cd '" + root + "' && XDG_CONFIG_HOME='" + root +
                                "' XDG_DATA_HOME='" + root + "' '" VORSEL_CLI "' " + arguments +
                                " </dev/null >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments << "\n"
                                                               << ReadFile(dir / "err.txt");
    return ReadFile(dir / "out.txt");
  }

  test::TempDir dir;
};

TEST_F(WavCli, SoxSixteenBitFileComesBackBitExactly) {
  RunPeer("sox -V1 -n -r 48000 -c 2 -b 16 '" + (dir / "take.wav") +
          "' synth 1.5 whitenoise vol 0.9");
  EXPECT_EQ(Cli("to-smp take.wav"), "take.wav -> take.smp\nDone\n");
  EXPECT_EQ(Cli("--set Common.Naming=2 --set Common.AppendString=_back to-wav take.smp"),
            "WAV: 16-bit\ntake.smp -> take_back.wav\nDone\n");
  EXPECT_EQ(ReadFile(dir / "take_back.wav"), ReadFile(dir / "take.wav"));
}

TEST_F(WavCli, StoredHeadComesBackWithEveryItem) {
  const std::vector<std::string> items = {"head=1024",      "file=samp",   "sftot=22050",
                                          "nchans=1",       "msb=last",    "view=-3,3,V",
                                          "range=-900,900", "date=today",  "proc0=recorder",
                                          "L1=0,2,onset",   "speaker=anna"};
  WriteFile(dir / "note.smp", SmpHead(items) + SmpSamples({4, -4, 400, -400}, false));
  EXPECT_EQ(Cli("--set ExportWAV.StoreSMPHeader=1 to-wav note.smp"),
            "WAV: 16-bit, smphead\nnote.smp -> note.wav\nDone\n");
  EXPECT_EQ(Cli("--set Common.Naming=2 --set Common.AppendString=_in to-smp note.wav"),
            "note.wav -> note_in.smp\nDone\n");

  std::vector<std::string> back = SmpItems(ReadFile(dir / "note_in.smp"));
  EXPECT_EQ(ItemValue(back, "proc1"), "Vorsel from " + (dir / "note.wav"));
  std::vector<std::string> expected = items;
  expected.push_back("proc1=Vorsel from " + (dir / "note.wav"));
  std::sort(back.begin(), back.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(back, expected);
}

}  // namespace
}  // namespace vorsel
