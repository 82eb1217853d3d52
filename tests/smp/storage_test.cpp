// Creating, opening, saving and closing files; the bytes they leave on disk.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/eventpump.h"
#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using test::HeadBytes;
using test::LittleEndianSamples;
using test::MakeChunk;
using test::Ramp;
using test::ReadFile;
using test::WriteFile;

std::string EmptyHead1024() {
  std::string head("=\r\n\x00\x04\x1A", 6);
  head.resize(1024, '\0');
  return head;
}

// Points $TMPDIR at a folder of the test while it lives.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::string& folder) {
    const char* old = std::getenv("TMPDIR");
    hadOld_ = old != nullptr;
    if (hadOld_) {
      old_ = old;
    }
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempFolderOverride() {
    if (hadOld_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The open-file flags of the descriptor this process holds on `path`, or -1.
long OpenFlagsOf(const std::string& path) {
  const auto wanted = std::filesystem::canonical(path);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error);
    if (error || target != wanted) {
      continue;
    }
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    std::string key;
    std::string value;
    while (info >> key >> value) {
      if (key == "flags:") {
        return std::stol(value, nullptr, 8);
      }
    }
  }
  return -1;
}

TEST(NewFile, ReplacesAnExistingFileWithAnEmptyHead) {
  test::TempDir dir;
  const std::string path = dir / "x.smp";
  WriteFile(path, std::string(5000, 'z'));
  TSMPfile smp;
  smp.add_line("old=item");
  EXPECT_TRUE(smp.new_file(path));
  EXPECT_FALSE(smp.ReadOnly());
  EXPECT_EQ(smp.Filename(), path);
  EXPECT_TRUE(smp.Items().empty());
  EXPECT_EQ(smp.FileBytes(), 1024);
  EXPECT_EQ(smp.nSamples(), 0);
  EXPECT_TRUE(smp.close_file());
  EXPECT_EQ(ReadFile(path), EmptyHead1024());
}

TEST(NewFile, ImportPatternWritesHeadThenSamples) {
  test::TempDir dir;
  const std::string path = dir / "import.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetnChans(2);
  smp.SetSfTot(16000);
  smp.SetChunk(*MakeChunk({1, -2, 300, -32768}));
  smp.SetChunk(*MakeChunk({32767, 5}));
  ASSERT_TRUE(smp.save_file(""));
  ASSERT_TRUE(smp.close_file());
  EXPECT_EQ(ReadFile(path), HeadBytes({"nchans=2", "sftot=16000"}) +
                                LittleEndianSamples({1, -2, 300, -32768, 32767, 5}));
}

TEST(NewFile, FailsWhenTheFileCannotBeCreated) {
  test::TempDir dir;
  TSMPfile smp;
  EXPECT_FALSE(smp.new_file(dir / "missing-folder/x.smp"));
  smp.SetChunk(*MakeChunk({1, 2}));
  EXPECT_FALSE(smp.save_file(""));
  smp.close_file();
  EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

TEST(OpenFile, ParsesTheHeadAndPlacesTheSamplesAtTheHeadSize) {
  test::TempDir dir;
  const std::string path = dir / "in.smp";
  WriteFile(path, HeadBytes({"head=512", "nchans=1", "msb=last"}, 512) +
                      LittleEndianSamples({10, 20, 30}));
  TSMPfile smp;
  smp.SetChunknSamples(2);
  ASSERT_TRUE(smp.open_file(path, true));
  EXPECT_TRUE(smp.ReadOnly());
  EXPECT_EQ(smp.ChunknSamples(), 16384);
  EXPECT_EQ(smp.HeadSize(), 512);
  EXPECT_EQ(smp.nSamples(), 3);
  EXPECT_EQ(smp.FileBytes(), 518);
  EXPECT_EQ(test::ReadAll(smp), (std::vector<int16_t>{10, 20, 30}));
  EXPECT_TRUE(smp.close_file());
  EXPECT_EQ(smp.FileBytes(), -1);
}

TEST(OpenFile, MissingAndEmptyFilesFailAndLeaveTheComponentClosed) {
  test::TempDir dir;
  TSMPfile smp;
  EXPECT_FALSE(smp.open_file(dir / "none.smp", true));
  EXPECT_EQ(smp.FileBytes(), -1);
  WriteFile(dir / "empty.smp", "");
  EXPECT_FALSE(smp.open_file(dir / "empty.smp", false));
  EXPECT_EQ(smp.FileBytes(), -1);
  EXPECT_EQ(smp.Position(), 0);
  EXPECT_EQ(smp.nSamples(), 0);
}

TEST(OpenFile, AnyReadableFileOpensEvenShorterThanItsHead) {
  test::TempDir dir;
  const std::string path = dir / "short.smp";
  WriteFile(path, std::string("nchans=1\r\n", 10) + std::string(90, 'x'));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, true));
  EXPECT_EQ(smp.nSamples(), (100 - 1024) / 2);
  const auto chunk = MakeChunk();
  smp.GetChunk(*chunk);
  EXPECT_EQ(chunk->used, 0);
  smp.close_file();
}

TEST(OpenFile, RefusesFilesOfTwoGibibytes) {
  test::TempDir dir;
  const std::string path = dir / "huge.smp";
  WriteFile(path, HeadBytes({"nchans=1"}));
  std::filesystem::resize_file(path, uintmax_t{1} << 31);
  TSMPfile smp;
  EXPECT_FALSE(smp.open_file(path, true));
  EXPECT_EQ(smp.FileBytes(), -1);
  std::filesystem::resize_file(path, (uintmax_t{1} << 31) - 2);
  EXPECT_TRUE(smp.open_file(path, true));
  EXPECT_EQ(smp.nSamples(), ((int64_t{1} << 31) - 2 - 1024) / 2);
  smp.close_file();
}

TEST(ReadOnly, WritesOfAReadOnlyFileAreIgnored) {
  test::TempDir dir;
  const std::string path = dir / "ro.smp";
  const std::string original = HeadBytes({"nchans=1"}) + LittleEndianSamples({1, 2, 3, 4});
  WriteFile(path, original);
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, true));
  smp.SetChunk(*MakeChunk({9, 9}));
  smp.SetnSamples(1);
  smp.SetChannelChunk(0, *MakeChunk({7}));
  smp.set_item("sftot", "8000");
  EXPECT_FALSE(smp.save_file(""));
  EXPECT_EQ(smp.nSamples(), 4);
  smp.close_file();
  EXPECT_EQ(ReadFile(path), original);
}

TEST(SaveFile, RewritesTheHeadOverTheFirstOne) {
  test::TempDir dir;
  const std::string path = dir / "s.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetChunk(*MakeChunk({7}));
  smp.SetItems({"sftot=8000"});
  smp.SetComment({"note"});
  ASSERT_TRUE(smp.save_file(""));
  smp.set_item("sftot", "");
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({}, 1024, {"note"}) + LittleEndianSamples({7}));
}

TEST(SaveFile, LongValuesAreWrittenWholeAndReadBackCut) {
  test::TempDir dir;
  const std::string path = dir / "long.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.set_item("note", std::string(300, 'n'));
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({"note=" + std::string(300, 'n')}));
  ASSERT_TRUE(smp.open_file(path, true));
  EXPECT_EQ(smp.Items(), std::vector<std::string>{"note=" + std::string(255, 'n')});
  smp.close_file();
}

TEST(SaveFile, WithoutAFileNameWritesNothing) {
  TSMPfile smp;
  smp.add_line("a=1");
  EXPECT_FALSE(smp.save_file(""));
}

TEST(SaveFile, ClosedComponentWritesItsHeadIntoAnExistingFile) {
  test::TempDir dir;
  const std::string path = dir / "c.smp";
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples({5, 6}));
  TSMPfile smp;
  ASSERT_TRUE(smp.open_file(path, false));
  ASSERT_TRUE(smp.close_file());
  smp.set_item("sftot", "8000");
  EXPECT_TRUE(smp.save_file(path));
  EXPECT_EQ(ReadFile(path), HeadBytes({"nchans=1", "sftot=8000"}) + LittleEndianSamples({5, 6}));
  EXPECT_FALSE(smp.save_file(dir / "absent.smp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "absent.smp"));
}

TEST(SaveFile, SaveUnderANewNameCopiesAndContinuesThere) {
  test::TempDir dir;
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(dir / "a.smp"));
  smp.SetChunk(*MakeChunk({1, 2}));
  ASSERT_TRUE(smp.save_file(dir / "b.smp"));
  smp.SetChunk(*MakeChunk({3}));
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(ReadFile(dir / "a.smp"), EmptyHead1024() + LittleEndianSamples({1, 2}));
  EXPECT_EQ(ReadFile(dir / "b.smp"), EmptyHead1024() + LittleEndianSamples({1, 2, 3}));
}

TEST(HeadGrowth, GrowsToAnEvenSizeThatHoldsTheText) {
  // "head=1024" CR LF is 11 bytes, "pad=" 4, CR LF 2, "=" CR LF 3: a value of v characters
  // puts the final 0x1A at index 11 + 4 + v + 2 + 3 + 2.
  for (const int lastIndex : {1100, 1101}) {
    TSMPfile smp;
    test::TempDir dir;
    ASSERT_TRUE(smp.new_file(dir / "g.smp"));
    smp.SetHeadSize(1024);
    smp.set_item("pad", std::string(static_cast<size_t>(lastIndex - 22), 'p'));
    EXPECT_EQ(smp.UsedSize(), lastIndex);
    ASSERT_TRUE(smp.save_file(""));
    const int32_t expected = lastIndex % 2 == 0 ? lastIndex : lastIndex + 1;
    EXPECT_EQ(smp.HeadSize(), expected);
    EXPECT_EQ(smp.get_item("head"), std::to_string(expected));
    EXPECT_EQ(smp.FileBytes(), expected);
    smp.close_file();
    const std::string bytes = ReadFile(dir / "g.smp");
    ASSERT_EQ(bytes.size(), static_cast<size_t>(expected));
    // A head grown to exactly its last index ends one byte before the final 0x1A.
    EXPECT_EQ(bytes.substr(static_cast<size_t>(lastIndex) - 2, 2), std::string("\x00\x04", 2));
  }
}

TEST(HeadGrowth, SamplesMoveBehindAGrownHeadAndStayIntact) {
  test::TempDir dir;
  const std::string path = dir / "grow.smp";
  const std::vector<int16_t> first = Ramp(20000, -10000);
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.insert_nonpresent_defaults();
  smp.SetChunk(*MakeChunk(std::vector<int16_t>(first.begin(), first.begin() + 16384)));
  smp.SetChunk(*MakeChunk(std::vector<int16_t>(first.begin() + 16384, first.end())));
  for (int i = 0; i < 40; ++i) {
    smp.set_proc("step " + std::to_string(i) + " " + std::string(40, 's'));
  }
  ASSERT_TRUE(smp.save_file(""));
  const int32_t grown = smp.HeadSize();
  EXPECT_GT(grown, 1024);
  EXPECT_EQ(smp.Position(), 20000);
  EXPECT_EQ(smp.nSamples(), 20000);
  // Writing goes on where it stopped.
  smp.SetChunk(*MakeChunk({111, 222}));
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();

  const std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(grown) + 2 * 20002);
  std::vector<int16_t> expected = first;
  expected.push_back(111);
  expected.push_back(222);
  EXPECT_EQ(test::SamplesFromLittleEndian(bytes.substr(static_cast<size_t>(grown))), expected);

  TSMPfile reopened;
  ASSERT_TRUE(reopened.open_file(path, true));
  EXPECT_EQ(reopened.HeadSize(), grown);
  EXPECT_EQ(test::ReadAll(reopened), expected);
  reopened.close_file();
}

// Limits the size of files this process may write while it lives, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(HeadGrowth, NoRoomForTheMoveLeavesTheFileAsItWas) {
  test::TempDir dir;
  const std::string path = dir / "full.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetChunk(*MakeChunk(Ramp(10000)));
  const std::string before = ReadFile(path);
  for (int i = 0; i < 40; ++i) {
    smp.set_proc(std::string(60, 'p'));
  }
  {
    const FileSizeLimit limit(before.size() + 100);
    EXPECT_FALSE(smp.save_file(""));
  }
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(smp.Position(), 10000);
  ASSERT_TRUE(smp.save_file(""));
  smp.close_file();
  TSMPfile reopened;
  ASSERT_TRUE(reopened.open_file(path, true));
  EXPECT_GT(reopened.HeadSize(), 1024);
  EXPECT_EQ(test::ReadAll(reopened), Ramp(10000));
  reopened.close_file();
}

TEST(HeadGrowth, SmallerHeadItemMovesTheSamplesForward) {
  test::TempDir dir;
  const std::string path = dir / "shrink.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetChunk(*MakeChunk({4, 5, 6}));
  smp.SetHeadSize(512);
  ASSERT_TRUE(smp.save_file(""));
  smp.SetPosition(1);
  const auto chunk = MakeChunk();
  smp.GetChunk(*chunk);
  EXPECT_EQ(test::Used(*chunk), (std::vector<int16_t>{5, 6}));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), HeadBytes({"head=512"}, 512) + LittleEndianSamples({4, 5, 6}));
}

TEST(HeadGrowth, LargerHeadItemThanTheBufferIsRefused) {
  test::TempDir dir;
  const std::string path = dir / "h.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetChunk(*MakeChunk({1}));
  smp.SetHeadSize(40000);
  EXPECT_FALSE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), EmptyHead1024() + LittleEndianSamples({1}));
}

TEST(WorkingCopy, NewFileWorksInTheTemporaryFolderUntilSaved) {
  test::TempDir dir;
  test::TempDir tmp;
  const TempFolderOverride redirect(tmp.path().string());
  const std::string path = dir / "t.smp";
  TSMPfile smp;
  smp.SetUseTempFile(true);
  ASSERT_TRUE(smp.new_file(path));
  const std::vector<std::string> copies = FilesIn(tmp.path().string());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].rfind("~", 0), 0u);
  EXPECT_EQ(ReadFile(path), EmptyHead1024());

  smp.SetChunk(*MakeChunk({3, 4}));
  EXPECT_EQ(ReadFile(path), EmptyHead1024());
  ASSERT_TRUE(smp.save_file(""));
  EXPECT_EQ(ReadFile(path), EmptyHead1024() + LittleEndianSamples({3, 4}));
  EXPECT_TRUE(smp.close_file());
  EXPECT_TRUE(FilesIn(tmp.path().string()).empty());
  EXPECT_EQ(ReadFile(path), EmptyHead1024() + LittleEndianSamples({3, 4}));
}

TEST(WorkingCopy, OpenFileLeavesTheOriginalAloneUntilSaved) {
  test::TempDir dir;
  test::TempDir tmp;
  const TempFolderOverride redirect(tmp.path().string());
  const std::string path = dir / "o.smp";
  const std::string original = HeadBytes({"nchans=1"}) + LittleEndianSamples({1, 2});
  WriteFile(path, original);
  const auto modified = std::filesystem::last_write_time(path) - std::chrono::hours(24);
  std::filesystem::last_write_time(path, modified);

  TSMPfile smp;
  smp.SetUseTempFile(true);
  ASSERT_TRUE(smp.open_file(path, false));
  const std::vector<std::string> copies = FilesIn(tmp.path().string());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(std::filesystem::last_write_time(tmp.path() / copies[0]), modified);
  smp.SetChunk(*MakeChunk({9}));
  EXPECT_EQ(ReadFile(path), original);
  ASSERT_TRUE(smp.save_file(""));
  EXPECT_EQ(ReadFile(path), HeadBytes({"nchans=1"}) + LittleEndianSamples({9, 2}));
  smp.close_file();
  EXPECT_TRUE(FilesIn(tmp.path().string()).empty());
}

TEST(WorkingCopy, CopiesLetTheUserInterfaceHandleEventsBetweenBlocks) {
  test::TempDir dir;
  test::TempDir tmp;
  const TempFolderOverride redirect(tmp.path().string());
  const std::string path = dir / "e.smp";
  // 1024 + 2 * 10000 bytes: three blocks of 8192, each read and written.
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples(Ramp(10000)));
  int pumped = 0;
  const EventPump previous = InstallEventPump([&] { ++pumped; });
  TSMPfile smp;
  smp.SetUseTempFile(true);
  ASSERT_TRUE(smp.open_file(path, true));
  InstallEventPump(previous);
  // One more for the read that finds the end of the source.
  EXPECT_EQ(pumped, 3 * 2 + 1);
  EXPECT_EQ(test::ReadAll(smp), Ramp(10000));
  smp.close_file();
}

TEST(WorkingCopy, ReadOnlyCopyIsNeverCopiedBack) {
  test::TempDir dir;
  test::TempDir tmp;
  const TempFolderOverride redirect(tmp.path().string());
  const std::string path = dir / "r.smp";
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples({1, 2}));
  TSMPfile smp;
  smp.SetUseTempFile(true);
  ASSERT_TRUE(smp.open_file(path, true));
  const std::string changedMeanwhile = HeadBytes({"nchans=1"}) + LittleEndianSamples({3, 4, 5});
  WriteFile(path, changedMeanwhile);
  EXPECT_FALSE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), changedMeanwhile);
}

TEST(WorkingCopy, SwitchingTheOptionOnLaterNeverDeletesTheRealFile) {
  test::TempDir dir;
  const std::string path = dir / "keep.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.SetUseTempFile(true);
  EXPECT_TRUE(smp.close_file());
  EXPECT_EQ(ReadFile(path), EmptyHead1024());
}

TEST(WorkingCopy, DestroyingAnOpenComponentRemovesItsCopy) {
  test::TempDir dir;
  test::TempDir tmp;
  const TempFolderOverride redirect(tmp.path().string());
  {
    TSMPfile smp;
    smp.SetUseTempFile(true);
    ASSERT_TRUE(smp.new_file(dir / "d.smp"));
    EXPECT_EQ(FilesIn(tmp.path().string()).size(), 1u);
  }
  EXPECT_TRUE(FilesIn(tmp.path().string()).empty());
}

TEST(WriteThrough, FilesAreOpenedForSynchronousWritesOnlyWhenAsked) {
  test::TempDir dir;
  const std::string path = dir / "w.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  EXPECT_EQ(OpenFlagsOf(path) & O_DSYNC, 0);
  smp.close_file();
  smp.SetWriteThroughCache(true);
  ASSERT_TRUE(smp.open_file(path, false));
  const long flags = OpenFlagsOf(path);
  ASSERT_NE(flags, -1);
  EXPECT_EQ(flags & O_DSYNC, O_DSYNC);
  smp.SetChunk(*MakeChunk({1}));
  smp.close_file();
  EXPECT_EQ(ReadFile(path), EmptyHead1024() + LittleEndianSamples({1}));
}

TEST(Sharing, TwoComponentsMayHoldTheSameFile) {
  test::TempDir dir;
  const std::string path = dir / "shared.smp";
  WriteFile(path, HeadBytes({"nchans=1"}) + LittleEndianSamples({1, 2, 3}));
  TSMPfile writer;
  TSMPfile reader;
  ASSERT_TRUE(writer.open_file(path, false));
  ASSERT_TRUE(reader.open_file(path, true));
  writer.SetChunk(*MakeChunk({8}));
  EXPECT_EQ(test::ReadAll(reader), (std::vector<int16_t>{8, 2, 3}));
  writer.close_file();
  reader.close_file();
}

}  // namespace
}  // namespace vorsel
