// vorsel-cli under faults of its environment: full disks, signals, unreadable inputs, hostile
// file names. Each case runs the real program in a child process.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/keystore.h"
#include "tests/support/store_locker.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return out + "'";
}

// Runs `shell` (which names the tool as $CLI) in dir, without a terminal on any stream.
Result RunShell(const test::TempDir& dir, const std::string& shell) {
  const std::string command = "cd " + Quoted(dir.path().string()) +
                              " && CLI='" VORSEL_CLI "' sh -c " + Quoted(shell) +
                              " </dev/null >out.txt 2>err.txt";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFile(dir / "out.txt"),
          test::ReadFile(dir / "err.txt")};
}

std::string Le16(uint16_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v) {
  return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16));
}

// A mono WAV of 8000 Hz whose samples ramp; riffSize and dataSize stand as given.
std::string Wav(uint32_t samples, uint16_t bits = 16, int64_t riffSize = -1,
                int64_t dataSize = -1) {
  std::string data;
  for (uint32_t i = 0; i < samples; ++i) {
    data += Le16(static_cast<uint16_t>(i * 37));
  }
  const uint16_t align = bits / 8;
  std::string fmt = Le16(1) + Le16(1) + Le32(8000) + Le32(8000u * align) + Le16(align) + Le16(bits);
  std::string body = "WAVEfmt " + Le32(16) + fmt + "data" +
                     Le32(static_cast<uint32_t>(dataSize >= 0 ? dataSize : int64_t(data.size()))) +
                     data;
  return "RIFF" + Le32(static_cast<uint32_t>(riffSize >= 0 ? riffSize : int64_t(body.size()))) +
         body;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string LastLine(const std::string& text) {
  const size_t end = text.find_last_not_of('\n');
  const size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// Runs the tool on a disk that fills up after about `freeKiB`: a tmpfs in a private mount
// namespace where this process may mount one, else a file-size limit (writes then fail with
// EFBIG, since the tool ignores SIGXFSZ).
Result RunOnFullDisk(const test::TempDir& dir, const std::string& arguments, int freeKiB) {
  fs::create_directory(dir / "disk");
  fs::create_directory(dir / "in");
  uintmax_t inputKiB = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != "out.txt" && name != "err.txt") {
      fs::copy_file(entry.path(), dir.path() / "in" / name);
      inputKiB += (entry.file_size() + 4095) / 4096 * 4;
    }
  }
  const std::string size = std::to_string(inputKiB + static_cast<uintmax_t>(freeKiB)) + "k";
  Result result = RunShell(
      dir, "unshare -m sh -c " +
               Quoted("mount -t tmpfs -o size=" + size +
                      " tmpfs disk 2>/dev/null || exit 99; cd disk && cp ../in/* . && \"$CLI\" " +
                      arguments + "; s=$?; cp -r . ../seen; exit $s"));
  if (result.status != 99 && fs::exists(dir / "seen")) {
    return result;
  }
  // No mount namespace here. The limit counts only what the tool writes, not the inputs.
  return RunShell(dir, "cd in && ulimit -f " + std::to_string(freeKiB) + " && \"$CLI\" " +
                           arguments + "; s=$?; cp -r . ../seen; exit $s");
}

TEST(CliFullDisk, ImportAndExportEndWithTheIncompleteOutput) {
  test::TempDir dir;
  const std::string wav = Wav(200000);  // 400 kB
  test::WriteFile(dir / "tone.wav", wav);
  Result r = RunOnFullDisk(dir, "to-smp tone.wav", 128);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "tone.smp is incomplete: ")) << r.err;
  EXPECT_EQ(LastLine(r.err), "Not converted: tone.wav");
  EXPECT_FALSE(Contains(r.out, "Done")) << r.out;
  EXPECT_EQ(test::ReadFile(dir / "seen/tone.wav"), wav) << "the input is unchanged";

  // The complete SMP made outside, then a WAV export onto the full disk.
  fs::remove_all(dir / "seen");
  fs::remove_all(dir / "in");
  fs::remove(dir / "tone.wav");
  test::WriteFile(dir / "tone2.wav", wav);
  ASSERT_EQ(RunShell(dir, "\"$CLI\" to-smp tone2.wav").status, 0);
  fs::remove(dir / "tone2.wav");
  const std::string smp = test::ReadFile(dir / "tone2.smp");
  r = RunOnFullDisk(dir, "to-wav tone2.smp", 128);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "tone2.wav is incomplete: ")) << r.err;
  EXPECT_EQ(LastLine(r.err), "Not converted: tone2.smp");
  EXPECT_EQ(test::ReadFile(dir / "seen/tone2.smp"), smp);
  // The partial WAV's header claims only what it holds.
  const std::string partial = test::ReadFile(dir / "seen/tone2.wav");
  ASSERT_GE(partial.size(), 44u);
  const auto u32At = [&partial](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(partial[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(partial[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(partial[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(partial[at + 3])) << 24;
  };
  EXPECT_LT(partial.size(), 400044u);
  EXPECT_EQ(u32At(4), partial.size() - 8);
  EXPECT_EQ(u32At(40), partial.size() - 44);
}

uint32_t U32At(const std::string& bytes, size_t at, bool bigEndian) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    const auto byte = static_cast<uint8_t>(bytes.at(at + (bigEndian ? i : 3 - i)));
    value = value << 8 | byte;
  }
  return value;
}

// Runs the sox tool (soxi) on a file and gives its first line of output.
std::string Soxi(const test::TempDir& dir, const std::string& options, const fs::path& file) {
  const Result r = RunShell(dir, "soxi " + options + " " + Quoted(file.string()));
  return r.out.substr(0, r.out.find('\n'));
}

TEST(CliFullDisk, ExportHeadersClaimWhatThePartialFileHolds) {
  test::TempDir dir;
  test::WriteFile(dir / "tone.wav", Wav(200000));  // 400 kB of samples
  ASSERT_EQ(RunShell(dir, "\"$CLI\" to-smp tone.wav").status, 0);
  fs::remove(dir / "tone.wav");
  const std::string smp = test::ReadFile(dir / "tone.smp");

  struct Case {
    std::string action;
    std::string output;
    size_t headerBytes;
  };
  for (const Case& c : {Case{"to-au", "tone.au", 24}, Case{"to-aiff", "tone.aif", 54},
                        Case{"to-nsp", "tone.nsp", 0},
                        // The header chunk "HDR8" with one sample chunk per channel.
                        Case{"--set ExportNSP.OneChannelType=1 to-nsp", "tone.nsp", 0}}) {
    SCOPED_TRACE(c.action);
    fs::remove_all(dir / "seen");
    fs::remove_all(dir / "in");
    const Result r = RunOnFullDisk(dir, c.action + " tone.smp", 128);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(Contains(r.err, c.output + " is incomplete: ")) << r.err;
    EXPECT_EQ(test::ReadFile(dir / "seen/tone.smp"), smp) << "the input is unchanged";
    const fs::path file = dir.path() / "seen" / c.output;
    const std::string partial = test::ReadFile(file);
    ASSERT_GT(partial.size(), 1000u);
    ASSERT_LT(partial.size(), 300000u);
    if (c.action == "to-au") {
      EXPECT_EQ(U32At(partial, 8, true), partial.size() - c.headerBytes);
    } else if (c.action == "to-aiff") {
      EXPECT_EQ(U32At(partial, 4, true), partial.size() - 8);
      EXPECT_EQ(U32At(partial, 22, true), (partial.size() - c.headerBytes) / 2);
      EXPECT_EQ(U32At(partial, c.headerBytes - 12, true), partial.size() - c.headerBytes + 8);
    } else {
      // "FORM", "DS16" and the size that counts from there; the sample chunk comes last.
      EXPECT_EQ(U32At(partial, 8, false), partial.size() - 12);
      const size_t dataStart = partial.rfind("SDA_") + 8;
      EXPECT_EQ(U32At(partial, dataStart - 4, false), partial.size() - dataStart);
      EXPECT_EQ(U32At(partial, 44, false), (partial.size() - dataStart) / 2) << "frames";
      continue;  // sox does not read NSP
    }
    // sox takes the partial file for what it holds, without a complaint.
    EXPECT_EQ(Soxi(dir, "-s", file), std::to_string((partial.size() - c.headerBytes) / 2));
  }
}

TEST(CliExitStatus, NamesTheFilesThatWereNotConverted) {
  test::TempDir dir;
  test::WriteFile(dir / "ok.wav", Wav(100));
  test::WriteFile(dir / "b20.wav", Wav(0, 20) + std::string(30, '\0'));
  Result r = RunShell(dir, "\"$CLI\" to-smp b20.wav ok.wav");
  EXPECT_TRUE(Contains(r.out, "Bits per sample of 20is not supported. Conversion aborted."));
  EXPECT_TRUE(Contains(r.out, "Done")) << "a refusal does not end the batch";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(LastLine(r.err), "Not converted: b20.wav");

  // A declined question skips the file.
  r = RunShell(dir, "\"$CLI\" --set Common.OverWrite=0 to-smp ok.wav");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(LastLine(r.err), "Not converted: ok.wav");
  r = RunShell(dir, "\"$CLI\" --yes --set Common.OverWrite=0 to-smp ok.wav");
  EXPECT_EQ(r.status, 0) << r.err;

  // An input that cannot be opened (a path through a folder that is not there once the tool
  // runs) ends the batch with the reason; the later files are named too.
  fs::create_directory(dir / "gone");
  test::WriteFile(dir / "gone/x.wav", Wav(10));
  r = RunShell(dir,
               "chmod 777 . gone; chmod 0 gone/x.wav; if [ \"$(id -u)\" = 0 ]; then exec setpriv "
               "--reuid=65534 --regid=65534 --clear-groups \"$CLI\" to-smp gone/x.wav ok.wav; "
               "fi; exec \"$CLI\" to-smp gone/x.wav ok.wav");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "x.wav: Permission denied")) << r.err;
  EXPECT_EQ(LastLine(r.err), "Not converted: gone/x.wav, ok.wav");

  // Standard output that cannot be written.
  r = RunShell(dir, "\"$CLI\" describe ok.wav >/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "cannot write to standard output")) << r.err;
}

TEST(CliSignals, InterruptStopsTheBatchAndGivesBackReservedSpace) {
  test::TempDir dir;
  // An SMP of 800 MB of silence (a sparse file) coded to 400 MB of dithered mu-law: long enough
  // to be interrupted while the output is written.
  std::string head = "head=1024\r\nmsb=last\r\nfile=samp\r\nsftot=8000\r\nnchans=1\r\n=\r\n";
  head.resize(1024, '\0');
  test::WriteFile(dir / "long.smp", head);
  fs::resize_file(dir / "long.smp", 1024 + 800000000);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chdir(dir.path().c_str()) != 0) {
      _exit(126);
    }
    const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, STDERR_FILENO);
    execl(VORSEL_CLI, VORSEL_CLI, "--set", "ExportWAV.Encoding=0", "--set",
          "ExportWAV.DitherNoise=1", "--set", "ExportWAV.FitAmplitude=1", "to-wav", "long.smp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // As soon as the output has begun to fill.
  const auto begun = [&dir] {
    std::error_code error;
    const uintmax_t size = fs::file_size(dir / "long.wav", error);
    return !error && size > 0;
  };
  for (int i = 0; i < 20000 && !begun(); ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  kill(child, SIGINT);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const std::string err = test::ReadFile(dir / "err.txt");
  EXPECT_TRUE(Contains(err, "long.wav is incomplete: interrupted (SIGINT)")) << err;
  EXPECT_EQ(LastLine(err), "Not converted: long.smp");
  struct stat info {};
  ASSERT_EQ(stat((dir / "long.wav").c_str(), &info), 0);
  EXPECT_LT(info.st_size, 400000058);
  EXPECT_LE(info.st_blocks * 512, info.st_size + 65536) << "reserved space beyond the end";
}

TEST(CliHostileNames, ControlCharactersAndLongPathsKeepTheHeadIntact) {
  test::TempDir dir;
  const std::string hostile = "inj\nsftot=8000\nnchans=2\nmsb=first\nx";
  test::WriteFile(dir / (hostile + ".wav"), Wav(100));
  const std::string deep(240, 'd');
  fs::create_directory(dir / deep);
  test::WriteFile(dir / (deep + "/long.wav"), Wav(100));
  Result r = RunShell(dir,
                      "\"$CLI\" to-smp \"$(printf 'inj\\nsftot=8000\\nnchans=2\\nmsb=first\\n"
                      "x.wav')\" \"$PWD/" +
                          deep + "/long.wav\"");
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunShell(dir,
               "\"$CLI\" describe \"$(printf 'inj\\nsftot=8000\\nnchans=2\\nmsb=first\\n"
               "x.smp')\" " +
                   deep + "/long.smp");
  EXPECT_EQ(r.out,
            "SMP 1,224 bytes, 0.013 s, 8000 Hz tot, 1 channel\n"
            "SMP 1,224 bytes, 0.013 s, 8000 Hz tot, 1 channel\n");
  const std::string head = test::ReadFile(dir / (hostile + ".smp")).substr(0, 1024);
  EXPECT_TRUE(Contains(head, "inj?sftot=8000?nchans=2?msb=first?x.wav")) << head;
}

TEST(CliSettingsFile, ThatCannotBeReadIsAUsageError) {
  test::TempDir dir;
  test::WriteFile(dir / "ok.wav", Wav(10));
  test::WriteFile(dir / "binary.vrs", std::string("[Common]\nNaming=1\0\x01\x02", 20));
  Result r = RunShell(dir, "\"$CLI\" --settings binary.vrs to-smp ok.wav");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Contains(r.err, "binary.vrs is not a text file")) << r.err;
  EXPECT_FALSE(fs::exists(dir / "ok.smp"));

  test::WriteFile(dir / "locked.vrs", "[Common]\n");
  r = RunShell(dir,
               "chmod 777 .; chmod 0 locked.vrs; if [ \"$(id -u)\" = 0 ]; then exec setpriv "
               "--reuid=65534 --regid=65534 --clear-groups \"$CLI\" --settings locked.vrs "
               "to-smp ok.wav; fi; exec \"$CLI\" --settings locked.vrs to-smp ok.wav");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Contains(r.err, "--settings: locked.vrs cannot be read: Permission denied")) << r.err;
}

TEST(CliUserSettings, AreReadWithoutCreatingTheStore) {
  test::TempDir dir;
  test::WriteFile(dir / "ok.wav", Wav(10));
  const Result r =
      RunShell(dir, "XDG_CONFIG_HOME=\"$PWD/config\" \"$CLI\" --user-settings to-smp ok.wav");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "ok.smp"));
  EXPECT_FALSE(fs::exists(dir / "config")) << "reading made the store";

  const std::string store = dir / "config/QuorvikData/registry.db";
  OpenSqliteStore(store, StoreAccess::ReadWrite)->WriteValue("SoftWare\\Other", "v", 1);
  EXPECT_EQ(RunShell(dir,
                     "XDG_CONFIG_HOME=\"$PWD/config\" \"$CLI\" --user-settings to-smp "
                     "--yes ok.wav")
                .status,
            0);
  EXPECT_FALSE(OpenSqliteStore(store, StoreAccess::ReadOnly)->KeyExists("SoftWare\\QuorvikData"))
      << "reading made the program key";
}

TEST(CliUserSettings, ADamagedStoreIsSetAsideWithAMessage) {
  test::TempDir dir;
  test::WriteFile(dir / "ok.wav", Wav(10));
  fs::create_directories(dir / "config/QuorvikData");
  test::WriteFile(dir / "config/QuorvikData/registry.db", std::string(4096, '\x01'));
  const std::string store = dir / "config/QuorvikData/registry.db";
  const Result r =
      RunShell(dir, "XDG_CONFIG_HOME=\"$PWD/config\" \"$CLI\" --user-settings to-smp ok.wav");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "Vorsel: " + store + " is damaged; the defaults are used; it was kept as " +
                       store + ".damaged\n");
  EXPECT_TRUE(fs::exists(dir / "ok.smp"));
  EXPECT_FALSE(fs::exists(store)) << "reading made a new store";
  EXPECT_TRUE(fs::exists(store + ".damaged"));
}

TEST(CliUserSettings, ALockedStoreIsWaitedForOnceAndReported) {
  test::TempDir dir;
  test::WriteFile(dir / "ok.wav", Wav(10));
  fs::create_directories(dir / "config/QuorvikData");
  const std::string store = dir / "config/QuorvikData/registry.db";
  test::StoreLocker locker(store);
  ASSERT_TRUE(locker.Locked());
  const auto start = std::chrono::steady_clock::now();
  const Result r = RunShell(dir,
                            "XDG_CONFIG_HOME=\"$PWD/config\" VORSEL_STORE_WAIT_MS=500 \"$CLI\" "
                            "--user-settings to-smp ok.wav");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "Vorsel: " + store + " is locked by another program; the settings were not read\n");
  EXPECT_TRUE(fs::exists(dir / "ok.smp"));
  EXPECT_GE(took, std::chrono::milliseconds(500));
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(CliStreamedWav, ReadsToTheEndOfTheFile) {
  test::TempDir dir;
  test::WriteFile(dir / "piped.wav", Wav(16016, 16, 0xFFFFFFFF, 0xFFFFFFFF));
  const Result r = RunShell(dir, "\"$CLI\" to-smp piped.wav && \"$CLI\" describe piped.smp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "piped.wav -> piped.smp\nDone\nSMP 33,056 bytes, 2.002 s, 8000 Hz tot, 1 channel\n");
}

}  // namespace
}  // namespace vorsel
