// Labels that travel in an embedded SMP head: an import loads them from the label file the head
// names when it lies in the input's or the output's folder, and saves them in the new file's
// own label file; the named file and every other file stay as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/nsp.h"
#include "formats/wav.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::Chunk;
using test::FmtBody;
using test::ItemValue;
using test::LittleEndianSamples;
using test::ReadFile;
using test::SmpFileSamples;
using test::SmpHead;
using test::SmpItems;
using test::WriteFile;

constexpr std::string_view kLabelBytes = "source.smp\r\n0;2;first\r\n2,1,zwei \x81\r\n";

class EmbeddedLabels : public test::ConverterTest {
 protected:
  void SetUp() override {
    fs::create_directory(Path("source"));
    fs::create_directory(Path("foreign"));
    fs::create_directory(Path("out"));
    labelFile_ = Path("source/labels.csv");
    WriteFile(labelFile_, kLabelBytes);
    fs::last_write_time(labelFile_, fs::file_time_type::clock::now() - std::chrono::hours(3));
    labelTime_ = fs::last_write_time(labelFile_);
  }

  void ExpectLabelFileUntouched() {
    EXPECT_EQ(ReadFile(labelFile_), kLabelBytes);
    EXPECT_EQ(fs::last_write_time(labelFile_), labelTime_);
  }

  void ExpectOutputCarriesTheLabels(const std::string& name) {
    const std::string smp = Path("out/" + name + ".smp");
    const std::string csv = Path("out/" + name + ".csv");
    EXPECT_EQ(ReadFile(csv), smp + "\r\n0,2,first\r\n2,1,zwei \x81\r\n");
    const Lines items = SmpItems(ReadFile(smp));
    EXPECT_EQ(ItemValue(items, "labels"), csv);
    EXPECT_EQ(ItemValue(items, "speaker"), "anna");
    // What the importer then reads back: the labels from the output's own file.
    TSMPfile reopened;
    ASSERT_TRUE(reopened.open_file(smp, true));
    EXPECT_EQ(reopened.nlabels(), 2);
    EXPECT_EQ(reopened.LabelText(1), "zwei ü");
    reopened.close_file();
  }

  Lines Folder(const std::string& name) const {
    Lines names;
    for (const auto& entry : fs::directory_iterator(Path(name))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string labelFile_;
  fs::file_time_type labelTime_;
};

TEST_F(EmbeddedLabels, CraftedWavNamingALabelFileOutsideTheOutputFolder) {
  const std::string head =
      SmpHead({"head=1024", "sftot=8000", "nchans=1", "speaker=anna", "labels=" + labelFile_});
  WriteFile(Path("foreign/in.wav"),
            test::Wav(FmtBody(1, 1, 8000, 16),
                      Chunk("kelm", head) + Chunk("data", LittleEndianSamples({5, -5, 7}))));
  ConversionContext context = Context();
  ImportWAV(context, settings.ImportWAV, Path("foreign/in.wav"), Path("out/in.smp"));

  // A third folder is out of reach: the labels are not restored, and that is said.
  ExpectLabelFileUntouched();
  EXPECT_EQ(log.lines.back(), "Labels of " + Path("foreign/in.wav") +
                                  " not restored: " + labelFile_ +
                                  " lies outside the input's and the output's folders");
  const Lines items = SmpItems(ReadFile(Path("out/in.smp")));
  EXPECT_EQ(ItemValue(items, "labels"), "");
  EXPECT_EQ(ItemValue(items, "speaker"), "anna");
  EXPECT_EQ(SmpFileSamples(ReadFile(Path("out/in.smp"))), (std::vector<int16_t>{5, -5, 7}));
  EXPECT_EQ(Folder("out"), (Lines{"in.smp"}));
  EXPECT_EQ(Folder("source"), (Lines{"labels.csv"}));
  EXPECT_EQ(Folder("foreign"), (Lines{"in.wav"}));
}

struct tcontainer {
  const char* name;
  Converter exporter;
  Converter importer;
};

void PrintTo(const tcontainer& container, std::ostream* os) {
  *os << container.name;
}

class EveryContainer : public EmbeddedLabels, public ::testing::WithParamInterface<tcontainer> {};

// An SMP file whose head names the label file; exported with its head embedded beside it, then
// imported elsewhere.
TEST_P(EveryContainer, ExportThenImportKeepsTheLabelsWithTheNewFile) {
  const std::string source = Path("source/source.smp");
  WriteFile(source, SmpHead({"head=1024", "sftot=8000", "nchans=1", "msb=last", "speaker=anna",
                             "labels=" + labelFile_}) +
                        test::SmpSamples({100, -200, 300, -400}, false));
  settings.ExportWAV.StoreSMPHeader = true;
  settings.ExportAU.StoreSMPHeader = true;
  settings.ExportAIF.StoreSMPHeader = true;
  settings.ExportNSP.StoreSMPHeader = true;
  const tcontainer& container = GetParam();
  const std::string foreign = Path(std::string("source/x.") + container.name);
  ConversionContext context = Context();
  container.exporter(context, settings, source, foreign);
  ASSERT_TRUE(fs::exists(foreign)) << ::testing::PrintToString(log.lines);
  ExpectLabelFileUntouched();

  container.importer(context, settings, foreign, Path("out/x.smp"));
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  ExpectLabelFileUntouched();
  ExpectOutputCarriesTheLabels("x");
  EXPECT_EQ(SmpFileSamples(ReadFile(Path("out/x.smp"))),
            (std::vector<int16_t>{100, -200, 300, -400}));
  EXPECT_EQ(Folder("out"), (Lines{"x.csv", "x.smp"}));
  EXPECT_EQ(Folder("source"),
            (Lines{"labels.csv", "source.smp", std::string("x.") + container.name}));
}

INSTANTIATE_TEST_SUITE_P(
    Containers, EveryContainer,
    ::testing::Values(tcontainer{"wav", &WithSection<&ConversionSettings::ExportWAV, &ExportWAV>,
                                 &WithSection<&ConversionSettings::ImportWAV, &ImportWAV>},
                      tcontainer{"au", &WithSection<&ConversionSettings::ExportAU, &ExportAU>,
                                 &WithSection<&ConversionSettings::ImportAU, &ImportAU>},
                      tcontainer{"aif", &WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>,
                                 &WithSection<&ConversionSettings::ImportAIF, &ImportAIFF>},
                      tcontainer{"nsp", &WithSection<&ConversionSettings::ExportNSP, &ExportNSP>,
                                 &WithSection<&ConversionSettings::ImportNSP, &ImportNSP>}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorsel
