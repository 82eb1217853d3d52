// The inputs that the fuzz targets found faults with, kept under fuzz/corpus/<target>/finding-*,
// each imported through its converter with the outcome it must have now.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "smp/sSMP.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel::test {
namespace {

std::string Finding(const std::string& target, const std::string& name) {
  return std::string(VORSEL_FUZZ_CORPUS) + "/" + target + "/finding-" + name;
}

constexpr const char* kLayoutDropped =
    " has an SMP header chunk whose channel layout does not fit; the channels keep their plain "
    "order.";

class FuzzFinding : public ConverterTest {
 protected:
  // Imports a copy of the finding under `name`, so that the log names it.
  void Import(Converter importer, const std::string& target, const std::string& finding,
              const std::string& name) {
    input = Path(name);
    std::filesystem::copy_file(Finding(target, finding), input);
    ConversionContext context = Context();
    importer(context, settings, input, Path("out.smp"));
  }

  // The output opens and reads as an SMP file of its own.
  void ExpectReadableOutput() {
    TSMPfile output;
    ASSERT_TRUE(output.open_file(Path("out.smp"), true));
    const auto chunk = std::make_unique<tsamplechunk>();
    EXPECT_NO_THROW(output.GetChunk(*chunk));
    head = output.HeadSize();
    channels = output.nChans();
    scan = output.get_item("scan");
    output.close_file();
  }

  std::string input;
  int32_t head = 0;
  int32_t channels = 0;
  std::string scan;
};

// An AU file whose embedded head holds "scan=d" for its one channel: the item is dropped, not
// carried into a file the program itself could not read.
TEST_F(FuzzFinding, AuHeadWithAScanThatFitsNoChannelLosesTheItem) {
  Import(&WithSection<&ConversionSettings::ImportAU, &ImportAU>, "au_import", "invalid-scan",
         "scan.au");
  EXPECT_TRUE(boxes.shown.empty());
  // The finding's data size claims more than the file holds, which is said first.
  EXPECT_EQ(log.lines, (std::vector<std::string>{"scan.au -> out.smp",
                                                 input + " ends 1146 bytes before its header says",
                                                 input + kLayoutDropped}));
  ExpectReadableOutput();
  EXPECT_EQ(scan, "");
  EXPECT_EQ(channels, 1);
}

// The scan tables find the item in any letter case, so it is dropped in any letter case.
TEST_F(FuzzFinding, AuHeadWithAScanItemInCapitalsLosesTheItem) {
  std::string bytes = ReadFile(Finding("au_import", "invalid-scan"));
  bytes.replace(bytes.find("scan=d"), 6, "SCAN=7");
  input = Path("capitals.au");
  WriteFile(input, bytes);
  ConversionContext context = Context();
  ImportAU(context, settings.ImportAU, input, Path("out.smp"));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"capitals.au -> out.smp",
                                                 input + " ends 1146 bytes before its header says",
                                                 input + kLayoutDropped}));
  ExpectReadableOutput();
  EXPECT_EQ(scan, "");
}

// An AIFF "APPL" head whose head item says 92222 bytes: the samples would have started beyond
// any head that can be embedded, and the save refused the head. The item is left out.
TEST_F(FuzzFinding, AiffHeadWithAnImpossibleHeadSizeKeepsTheDefaultSize) {
  Import(&WithSection<&ConversionSettings::ImportAIF, &ImportAIFF>, "aiff_import", "head-size",
         "head.aif");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "head.aif -> out.smp",
                           Path("head.aif") + " ends 1216 bytes before its header says"}));
  ExpectReadableOutput();
  EXPECT_EQ(head, 1024);
  EXPECT_EQ(std::filesystem::file_size(Path("out.smp")), 1024u);
}

// The same with the item spelled "hEad": the size is read in any letter case, so the item is
// left out in any letter case too, instead of the save failing and ending the batch.
TEST_F(FuzzFinding, AiffHeadWithAnImpossibleHeadSizeInAnyCaseKeepsTheDefaultSize) {
  Import(&WithSection<&ConversionSettings::ImportAIF, &ImportAIFF>, "aiff_import",
         "head-size-any-case", "mixed.aif");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "mixed.aif -> out.smp",
                           Path("mixed.aif") + " ends 1216 bytes before its header says"}));
  ExpectReadableOutput();
  EXPECT_EQ(head, 1024);
  EXPECT_EQ(std::filesystem::file_size(Path("out.smp")), 1024u);
}

}  // namespace
}  // namespace vorsel::test
