// Every case of the malformed-file corpus (tests/data/malformed/) through vorsel-cli, each in an
// empty folder: the exact log lines and message boxes the case expects, a bounded run time and
// peak memory, no crash, and the one-output rule - the run writes or deletes nothing but its
// output file and that output's label file, in its folder or anywhere else in the sandbox
// (the stores, the temporary folder, a file beside the folder). Every SMP file an import
// writes then goes through every export under the same rules.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/folder_snapshot.h"
#include "tests/app/malformed_cases.h"
#include "tests/app/measured_process.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers' shadow memory and slower code say nothing about the program's own needs.
constexpr bool kMeasureMemory = false;
constexpr auto kTimeLimit = std::chrono::milliseconds(10000);
#else
constexpr bool kMeasureMemory = true;
constexpr auto kTimeLimit = std::chrono::milliseconds(1000);
#endif
constexpr long kMemoryLimitKiB = 64 * 1024;

const std::string kCorpus = VORSEL_MALFORMED_CORPUS;

const std::vector<MalformedCase>& Cases() {
  static const std::vector<MalformedCase> cases = ReadMalformedCases(kCorpus + "/cases.txt");
  return cases;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    lines.push_back(line);
  }
  return lines;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    words.push_back(word);
  }
  return words;
}

// The items of an SMP file's head, up to its "=" line.
std::map<std::string, std::string> HeadItems(const std::string& file) {
  std::map<std::string, std::string> items;
  for (const std::string& raw : Lines(file.substr(0, 32768))) {
    const std::string line =
        raw.empty() || raw.back() != '\r' ? raw : raw.substr(0, raw.size() - 1);
    if (line == "=") {
      break;
    }
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      items.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
  }
  return items;
}

long SampleValues(const std::string& file) {
  const std::map<std::string, std::string> items = HeadItems(file);
  const auto head = items.find("head");
  const long headSize = head == items.end() ? 1024 : std::stol(head->second);
  return std::max(0L, static_cast<long>(file.size()) - headSize) / 2;
}

// A root with the run's empty folder, the program's stores, its temporary folder and a file
// beside the run folder, all of which must stay as they are.
class Sandbox {
 public:
  Sandbox() : run_(root_.path() / "run") {
    for (const char* folder :
         {"run", "tmp", "config", "data", "runtime", "machine", "common", "home"}) {
      fs::create_directory(root_.path() / folder);
    }
    fs::permissions(root_.path() / "runtime", fs::perms::owner_all);
    WriteFile(root_ / "outside.txt", "a file beside the run folder\n");
    environment_ = {{"TMPDIR", root_ / "tmp"},
                    {"XDG_CONFIG_HOME", root_ / "config"},
                    {"XDG_DATA_HOME", root_ / "data"},
                    {"XDG_RUNTIME_DIR", root_ / "runtime"},
                    {"VORSEL_MACHINE_DIR", root_ / "machine"},
                    {"VORSEL_COMMON_DIR", root_ / "common"},
                    {"HOME", root_ / "home"},
                    {"LC_ALL", "C"}};
  }

  const fs::path& Run() const { return run_; }
  void Put(const std::string& source, const std::string& name) const {
    fs::copy_file(source, run_ / name);
  }

  // Runs vorsel-cli in the run folder; fails the test unless the files in the sandbox
  // afterwards are those before plus the `allowed` names in the run folder.
  MeasuredRun Convert(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& allowed) const {
    const FolderSnapshot before = SnapshotOf(root_.path());
    const MeasuredRun result =
        RunMeasured(VORSEL_CLI, arguments, run_.string(), capture_.path().string(), environment_);
    std::vector<std::string> stray;
    for (const std::string& difference : Differences(before, SnapshotOf(root_.path()))) {
      const bool allowedNew =
          std::any_of(allowed.begin(), allowed.end(),
                      [&](const std::string& name) { return difference == "new run/" + name; });
      if (!allowedNew) {
        stray.push_back(difference);
      }
    }
    EXPECT_TRUE(stray.empty()) << "the run touched files other than its output: "
                               << ::testing::PrintToString(stray);
    EXPECT_TRUE(result.exited) << "ended by signal " << result.status;
    EXPECT_LT(result.wallTime, kTimeLimit);
    if (kMeasureMemory) {
      EXPECT_LT(result.peakKiB, kMemoryLimitKiB);
    }
    return result;
  }

 private:
  TempDir root_;
  TempDir capture_;  // standard output and error, outside the sandbox
  fs::path run_;
  std::map<std::string, std::string> environment_;
};

std::string StemOf(const std::string& name) {
  return name.substr(0, name.rfind('.'));
}

// The exports of an SMP file that an import wrote: no crash, bounded, one output each.
void ExportEverywhere(const std::string& smpPath) {
  const std::string name = fs::path(smpPath).filename().string();
  for (const auto& [action, extension] :
       std::vector<std::pair<std::string, std::string>>{{"to-wav", "wav"},
                                                        {"to-au", "au"},
                                                        {"to-aiff", "aif"},
                                                        {"to-nsp", "nsp"},
                                                        {"to-raw", "raw"}}) {
    SCOPED_TRACE(action + " of the import's output");
    const Sandbox sandbox;
    sandbox.Put(smpPath, name);
    const MeasuredRun run = sandbox.Convert({action, name}, {StemOf(name) + "." + extension});
    EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
    const std::vector<std::string> log = Lines(run.out);
    EXPECT_TRUE(!log.empty() && log.back() == "Done") << run.out << run.err;
  }
}

}  // namespace

void PrintTo(const MalformedCase& c, std::ostream* out) {
  *out << c.path << " " << c.action;
}

namespace {

class MalformedCorpus : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedCorpus, GivesItsOutcomeAndNoOtherFile) {
  const MalformedCase& c = GetParam();
  const Sandbox sandbox;
  sandbox.Put(kCorpus + "/" + c.path, c.FileName());
  for (const std::string& companion : c.companions) {
    sandbox.Put(kCorpus + "/" + companion, companion.substr(companion.find('/') + 1));
  }
  std::vector<std::string> arguments = {"--set", "Common.UseExtensionAsId=1"};
  for (const std::string& word : Words(c.args)) {
    arguments.push_back(word);
  }
  arguments.push_back(c.action);
  arguments.push_back(c.FileName());
  std::vector<std::string> allowed;
  if (c.output) {
    allowed = {*c.output, StemOf(*c.output) + ".csv"};
  }

  const MeasuredRun run = sandbox.Convert(arguments, allowed);

  const std::string dir = sandbox.Run().string();
  std::vector<std::string> out;
  for (const std::string& line : c.out) {
    out.push_back(Replaced(line, "{dir}", dir));
  }
  std::vector<std::string> err;
  for (const std::string& line : c.err) {
    err.push_back(Replaced(line, "{dir}", dir));
  }
  EXPECT_EQ(Lines(run.out), out);
  EXPECT_EQ(Lines(run.err), err);
  EXPECT_EQ(run.status, c.status);
  if (!c.output) {
    return;
  }
  const std::string output = (sandbox.Run() / *c.output).string();
  ASSERT_TRUE(fs::exists(output)) << *c.output;
  if (StemOf(*c.output) + ".smp" != *c.output) {
    return;
  }
  const std::string file = ReadFile(output);
  if (c.samples) {
    EXPECT_EQ(SampleValues(file), *c.samples);
  }
  const std::map<std::string, std::string> items = HeadItems(file);
  for (const std::string& item : c.items) {
    const size_t eq = item.find('=');
    const auto found = items.find(item.substr(0, eq));
    EXPECT_EQ(found == items.end() ? "" : found->second, item.substr(eq + 1)) << item;
  }
  ExportEverywhere(output);
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedCorpus, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<MalformedCase>& info) {
                           return info.param.TestName();
                         });

// Each importer meets at least 15 cases; the export side has its own SMP cases.
TEST(MalformedCorpusCoverage, HoldsFifteenCasesPerImporter) {
  std::map<std::string, int> perFolder;
  for (const MalformedCase& c : Cases()) {
    ++perFolder[c.path.substr(0, c.path.find('/'))];
  }
  for (const char* folder : {"wav", "au", "aiff", "nsp", "raw", "txt"}) {
    EXPECT_GE(perFolder[folder], 15) << folder;
  }
}

// The committed corpus is what its generator writes now.
TEST(MalformedCorpusCoverage, IsTheGeneratorsOutput) {
  const TempDir fresh;
  const std::string command =
      "python3 '" + kCorpus + "/generate.py' '" + fresh.path().string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  FolderSnapshot committed = SnapshotOf(kCorpus);
  committed.erase("generate.py");
  FolderSnapshot made = SnapshotOf(fresh.path());
  ASSERT_EQ(committed.size(), made.size());
  for (const auto& [path, state] : made) {
    const auto it = committed.find(path);
    ASSERT_NE(it, committed.end()) << path << " is not committed";
    EXPECT_TRUE(it->second.contents == state.contents) << path << " differs from the generator's";
  }
}

}  // namespace
}  // namespace vorsel::test
