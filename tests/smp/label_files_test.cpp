// Label files on disk: loading with every head parse, writing with every save, code page 850,
// names that are no readable file, and labels of a head from elsewhere kept with the new file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "smp/label_file.h"
#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using Lines = std::vector<std::string>;
using test::HeadBytes;
using test::LittleEndianSamples;
using test::ReadFile;
using test::WriteFile;

// The item lines of the head on disk.
Lines HeadItems(const std::string& file) {
  Lines items;
  size_t at = 0;
  for (;;) {
    const size_t end = file.find("\r\n", at);
    if (end == std::string::npos || file.substr(at, end - at) == "=") {
      return items;
    }
    items.push_back(file.substr(at, end - at));
    at = end + 2;
  }
}

class LabelFiles : public test::SmpFileTest {
 protected:
  std::string Path(std::string_view name) const { return dir_ / name; }
  // An SMP file with the given items and four samples, opened.
  void Open(const std::string& name, const Lines& items, bool readOnly = false) {
    WriteAndOpen(name, HeadBytes(items) + LittleEndianSamples({1, 2, 3, 4}), readOnly);
  }
  Lines Folder() const {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(LabelFiles, OpeningLoadsTheNamedFileInCodePage850) {
  // 0x81 is u with diaeresis in code page 850.
  WriteFile(Path("a.csv"),
            "elsewhere.smp\r\n10;20;a,b\r\n0,5,\x81"
            "ber\r\n");
  Open("a.smp", {"labels=" + Path("a.csv"), "sftot=8000"});
  EXPECT_TRUE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.nlabels(), 2);
  EXPECT_EQ(smp_.GetLabel(0), "10,20,a,b");
  EXPECT_EQ(smp_.LabelText(1), "über");
  EXPECT_EQ(smp_.CSVFileName(), Path("a.csv"));
}

TEST_F(LabelFiles, AnyLineEndCountsAndALastLineNeedsNone) {
  WriteFile(Path("a.csv"), "first\n1,1,lf\r2,2,cr\r\n\r\n3,3,last");
  Open("a.smp", {"labels=" + Path("a.csv")});
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"1,1,lf", "2,2,cr", "", "3,3,last"}));
}

TEST_F(LabelFiles, NamesThatGiveNoLabelsAreDroppedBySaving) {
  WriteFile(Path("empty.csv"), "only the name\r\n");
  std::filesystem::create_directory(Path("folder.csv"));
  ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0600), 0);
  for (const std::string name : {"missing.csv", "empty.csv", "folder.csv", "pipe.csv"}) {
    SCOPED_TRACE(name);
    // A pipe without a writer would stall a reader that waited for one.
    Open("a.smp", {"labels=" + Path(name), "sftot=8000"});
    EXPECT_FALSE(smp_.ExternalLabels());
    EXPECT_EQ(smp_.nlabels(), 0);
    ASSERT_TRUE(smp_.save_file(""));
    smp_.close_file();
    EXPECT_EQ(HeadItems(ReadFile(Path("a.smp"))), (Lines{"sftot=8000"}));
  }
  EXPECT_EQ(ReadFile(Path("empty.csv")), "only the name\r\n");
  EXPECT_EQ(Folder(), (Lines{"a.smp", "empty.csv", "folder.csv", "pipe.csv"}));
}

TEST_F(LabelFiles, TheFileItselfIsNeverItsLabelFile) {
  Open("s.smp", {"labels=" + Path("s.smp"), "sftot=8000"});
  EXPECT_FALSE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.nlabels(), 0);
  ASSERT_TRUE(smp_.save_file(""));
  const std::string file = ReadFile(Path("s.smp"));
  EXPECT_EQ(HeadItems(file), (Lines{"sftot=8000"}));
  EXPECT_EQ(file.substr(1024), LittleEndianSamples({1, 2, 3, 4}));
}

TEST_F(LabelFiles, ItemsBesideANamedLabelFileJoinIt) {
  WriteFile(Path("c.csv"), "c.smp\r\n7,7,from file\r\n");
  Open("c.smp", {"L1=0,1,item", "labels=" + Path("c.csv"), "f1=120"});
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"7,7,from file", "0,1,item"}));
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(HeadItems(ReadFile(Path("c.smp"))), (Lines{"labels=" + Path("c.csv"), "f1=120"}));
  EXPECT_EQ(ReadFile(Path("c.csv")), Path("c.smp") + "\r\n7,7,from file\r\n0,1,item\r\n");

  // A named file that gives nothing: the items stay items until a save writes them there.
  smp_.close_file();
  Open("d.smp", {"L1=0,1,item", "labels=" + Path("d.csv")});
  EXPECT_FALSE(smp_.ExternalLabels());
  EXPECT_EQ(smp_.GetLabel(0), "0,1,item");
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(HeadItems(ReadFile(Path("d.smp"))), (Lines{"labels=" + Path("d.csv")}));
  EXPECT_EQ(ReadFile(Path("d.csv")), Path("d.smp") + "\r\n0,1,item\r\n");
}

TEST_F(LabelFiles, SwitchingOnThenSavingWritesTheLabelFileBesideTheFile) {
  ASSERT_TRUE(smp_.new_file(Path("x.smp")));
  smp_.set_item("L1", "0,100,first");
  smp_.set_item("L2", "200;50;second");
  smp_.SetExternalLabels(true);
  EXPECT_EQ(smp_.CSVFileName(), Path("x.csv"));
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(ReadFile(Path("x.csv")), Path("x.smp") + "\r\n0,100,first\r\n200,50,second\r\n");
  const Lines items = HeadItems(ReadFile(Path("x.smp")));
  EXPECT_EQ(items, (Lines{"labels=" + Path("x.csv")}));
}

TEST_F(LabelFiles, EverySaveWritesTheLabelFileAnewInCodePage850) {
  WriteFile(Path("b.csv"), "old name\r\n1,1,a\r\n2,2,b\r\n3,3,c\r\n");
  Open("b.smp", {"labels=" + Path("b.csv")});
  smp_.clear_labels();
  smp_.add_label("5;6;größe");
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(ReadFile(Path("b.csv")), Path("b.smp") +
                                         "\r\n5,6,gr\x94\xE1"
                                         "e\r\n");
  EXPECT_EQ(HeadItems(ReadFile(Path("b.smp"))), (Lines{"labels=" + Path("b.csv")}));
}

TEST_F(LabelFiles, SavingItemsStoresThemNormalisedAndNoLabelsItem) {
  ASSERT_TRUE(smp_.new_file(Path("d.smp")));
  smp_.add_label("1;2;a;b");
  smp_.add_label("3,4,c");
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(HeadItems(ReadFile(Path("d.smp"))), (Lines{"L1=1,2,a;b", "L2=3,4,c"}));
  EXPECT_EQ(Folder(), (Lines{"d.smp"}));
}

TEST_F(LabelFiles, AReadOnlyFileLeavesItsLabelFileAlone) {
  const std::string bytes = "e.smp\r\n1;1;x\r\n";
  WriteFile(Path("e.csv"), bytes);
  std::filesystem::last_write_time(
      Path("e.csv"), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  const auto before = std::filesystem::last_write_time(Path("e.csv"));
  Open("e.smp", {"labels=" + Path("e.csv")}, true);
  smp_.add_label("2,2,y");
  smp_.save_file("");
  EXPECT_EQ(ReadFile(Path("e.csv")), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(Path("e.csv")), before);
}

TEST_F(LabelFiles, ALabelFileThatCannotBeWrittenIsNotReported) {
  WriteFile(Path("f.csv"), "f.smp\r\n1,1,x\r\n");
  Open("f.smp", {"labels=" + Path("f.csv")});
  std::filesystem::remove(Path("f.csv"));
  std::filesystem::create_directory(Path("f.csv"));
  EXPECT_TRUE(smp_.save_file(""));
  EXPECT_TRUE(std::filesystem::is_directory(Path("f.csv")));
}

TEST_F(LabelFiles, AFileNamedLikeItsLabelFileKeepsItsSamplesAndLabels) {
  ASSERT_TRUE(smp_.new_file(Path("g.csv")));
  auto chunk = test::MakeChunk({5, 6});
  smp_.SetChunk(*chunk);
  smp_.add_label("0,1,a");
  smp_.SetExternalLabels(true);
  ASSERT_TRUE(smp_.save_file(""));
  const std::string file = ReadFile(Path("g.csv"));
  EXPECT_EQ(HeadItems(file), (Lines{"L1=0,1,a"}));
  EXPECT_EQ(file.substr(1024), LittleEndianSamples({5, 6}));
}

TEST_F(LabelFiles, AWorkingCopyStillWritesTheLabelFileOfTheFile) {
  smp_.SetUseTempFile(true);
  ASSERT_TRUE(smp_.new_file(Path("t.smp")));
  smp_.SetExternalLabels(true);
  smp_.add_label("0,1,a");
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(ReadFile(Path("t.csv")), Path("t.smp") + "\r\n0,1,a\r\n");
}

// ---- A head from elsewhere ---------------------------------------------------------------------

class RestoredHeadLabels : public LabelFiles {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(Path("source"));
    std::filesystem::create_directory(Path("out"));
    foreign_ = Path("source/l.csv");
    WriteFile(foreign_, kForeignBytes);
    std::filesystem::last_write_time(
        foreign_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    foreignTime_ = std::filesystem::last_write_time(foreign_);
  }
  // Parses a head as an import restores one, into a new file in out/.
  void Restore(const std::string& outName, const std::string& head) {
    ASSERT_TRUE(smp_.new_file(Path("out/" + outName)));
    const auto buffer = smp_.HeadArrPtr();
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    std::copy(head.begin(), head.end(), buffer.begin());
    smp_.UseHeadArrAsHeader();
    smp_.KeepLabelsInOwnFile();
  }
  void ExpectForeignUntouched() {
    EXPECT_EQ(ReadFile(foreign_), kForeignBytes);
    EXPECT_EQ(std::filesystem::last_write_time(foreign_), foreignTime_);
  }

  static constexpr std::string_view kForeignBytes = "source.smp\r\n10;20;a\r\n30,5,b\r\n";
  std::string foreign_;
  std::filesystem::file_time_type foreignTime_;
};

TEST_F(RestoredHeadLabels, LoadedLabelsAreSavedInTheNewFilesOwnLabelFile) {
  Restore("o.smp", HeadBytes({"sftot=8000", ("labels=" + foreign_).c_str()}));
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"10,20,a", "30,5,b"}));
  smp_.add_label("40,1,c");
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  ExpectForeignUntouched();
  EXPECT_EQ(ReadFile(Path("out/o.csv")), Path("out/o.smp") + "\r\n10,20,a\r\n30,5,b\r\n40,1,c\r\n");
  EXPECT_EQ(HeadItems(ReadFile(Path("out/o.smp"))),
            (Lines{"sftot=8000", "labels=" + Path("out/o.csv")}));
}

TEST_F(RestoredHeadLabels, AStaleOwnLabelFileIsNotReadOverTheLoadedLabels) {
  WriteFile(Path("out/o.csv"), "o.smp\r\n99,9,stale\r\n");
  Restore("o.smp", HeadBytes({("labels=" + foreign_).c_str()}));
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"10,20,a", "30,5,b"}));
  ASSERT_TRUE(smp_.save_file(""));
  EXPECT_EQ(ReadFile(Path("out/o.csv")), Path("out/o.smp") + "\r\n10,20,a\r\n30,5,b\r\n");
  ExpectForeignUntouched();
}

TEST_F(RestoredHeadLabels, AHeadWhoseLabelFileGaveNothingNamesNoFile) {
  Restore("o.smp", HeadBytes({("labels=" + Path("source/missing.csv")).c_str(), "L1=0,1,x"}));
  EXPECT_FALSE(smp_.ExternalLabels());
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  EXPECT_EQ(HeadItems(ReadFile(Path("out/o.smp"))), (Lines{"L1=0,1,x"}));
  EXPECT_FALSE(std::filesystem::exists(Path("source/missing.csv")));
  EXPECT_FALSE(std::filesystem::exists(Path("out/o.csv")));
}

TEST_F(RestoredHeadLabels, ItemsBesideTheNamedFileGoToTheOwnLabelFile) {
  // Twice, so that the second line takes the label actions of an existing item.
  const std::string named = "labels=" + Path("source/missing.csv");
  Restore("o.smp", HeadBytes({named.c_str(), named.c_str(), "L1=0,1,x"}));
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  EXPECT_EQ(HeadItems(ReadFile(Path("out/o.smp"))), (Lines{"labels=" + Path("out/o.csv")}));
  EXPECT_EQ(ReadFile(Path("out/o.csv")), Path("out/o.smp") + "\r\n0,1,x\r\n");
  EXPECT_FALSE(std::filesystem::exists(Path("source/missing.csv")));
}

TEST_F(RestoredHeadLabels, ALabelsItemSpelledOtherwiseNamesNoFileToWriteOrErase) {
  // get_item finds the first spelling, so the loaded labels come from it.
  const std::string other = "LABELS=" + foreign_;
  const std::string exact = "labels=" + Path("source/other.csv");
  Restore("o.smp", HeadBytes({other.c_str(), exact.c_str()}));
  EXPECT_EQ(smp_.ExternalLabelList(), (Lines{"10,20,a", "30,5,b"}));
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  ExpectForeignUntouched();
  EXPECT_EQ(HeadItems(ReadFile(Path("out/o.smp"))), (Lines{"labels=" + Path("out/o.csv")}));
  EXPECT_EQ(ReadFile(Path("out/o.csv")), Path("out/o.smp") + "\r\n10,20,a\r\n30,5,b\r\n");
}

TEST_F(RestoredHeadLabels, ALabelsItemSpelledOtherwiseIsReadButNeverWritten) {
  // Beside label items the other spelling still names the file they join.
  Restore("p.smp", HeadBytes({("Labels=" + foreign_).c_str(), "L1=0,1,x"}));
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  ExpectForeignUntouched();
  EXPECT_EQ(HeadItems(ReadFile(Path("out/p.smp"))), (Lines{"labels=" + Path("out/p.csv")}));
  EXPECT_EQ(ReadFile(Path("out/p.csv")), Path("out/p.smp") + "\r\n10,20,a\r\n30,5,b\r\n0,1,x\r\n");
}

TEST_F(RestoredHeadLabels, AnOutputNamedLikeItsLabelFileKeepsTheLabelsAsItems) {
  Restore("o.csv", HeadBytes({("labels=" + foreign_).c_str()}));
  ASSERT_TRUE(smp_.save_file(""));
  smp_.close_file();
  EXPECT_EQ(HeadItems(ReadFile(Path("out/o.csv"))), (Lines{"L1=10,20,a", "L2=30,5,b"}));
  ExpectForeignUntouched();
}

TEST(ForeignLabelFiles, OnlyTheInputsAndTheOutputsFoldersAreRead) {
  test::TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir.path() / "in");
  fs::create_directories(dir.path() / "out");
  test::WriteFile(dir / "in/own.csv", "x.smp\r\n1,2,a\r\n");
  test::WriteFile(dir / "secret.csv", "x.smp\r\n1,2,secret\r\n");
  fs::create_symlink(dir / "secret.csv", dir / "in/link.csv");
  const std::string input = dir / "in/song.wav";
  const std::vector<std::string> folders = {dir / "in", dir / "out"};

  // Relative names are taken against the folder of the file whose head names them.
  ForeignLabelFile checked = CheckForeignLabelFile("own.csv", input, folders);
  EXPECT_EQ(checked.path, dir / "in/own.csv");
  EXPECT_EQ(checked.problem, "");
  EXPECT_EQ(CheckForeignLabelFile("../secret.csv", input, folders).problem,
            "../secret.csv lies outside the input's and the output's folders");
  EXPECT_EQ(CheckForeignLabelFile("/etc/passwd", input, folders).problem,
            "/etc/passwd lies outside the input's and the output's folders");
  EXPECT_NE(CheckForeignLabelFile("link.csv", input, folders).problem, "") << "a link leads out";
  EXPECT_EQ(CheckForeignLabelFile(dir / "out/missing.csv", input, folders).problem, "");

  fs::create_directory(dir.path() / "in/folder.csv");
  EXPECT_EQ(CheckForeignLabelFile("folder.csv", input, folders).problem,
            "folder.csv is not a regular file");
  fs::resize_file(dir / "in/own.csv", static_cast<uintmax_t>(kMaxLabelFileBytes) + 1);
  EXPECT_EQ(CheckForeignLabelFile("own.csv", input, folders).problem,
            "own.csv is larger than 16 MiB");
}

TEST(ForeignLabelFiles, ReadingStopsAtTheSizeLimit) {
  test::TempDir dir;
  // One label at the start, then zeros beyond the limit, then a label no read may reach.
  test::WriteFile(dir / "big.csv", "x.smp\r\n1,2,first\r\n");
  std::filesystem::resize_file(dir / "big.csv", static_cast<uintmax_t>(kMaxLabelFileBytes) + 10);
  {
    std::ofstream out(dir / "big.csv", std::ios::binary | std::ios::app);
    out << "\r\n3,4,beyond\r\n";
  }
  const std::vector<std::string> lines = ReadLabelFile(dir / "big.csv");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "1,2,first");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "3,4,beyond"), 0);
}

}  // namespace
}  // namespace vorsel
