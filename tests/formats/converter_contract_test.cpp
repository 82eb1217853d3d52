// The steps that every import route and every export target shares, checked once for all of
// them: a cancelled save dialog, an output that is the input itself, a source of 2 GiB or more
// and a source that cannot be opened. None of them may leave an output behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "frontend/targets.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::ReadFile;
using test::WriteFile;

struct Route {
  std::string name;  // "ImportWAV", "ExportAU"
  Converter convert;
  bool exports;
  bool headerless;  // an import without a header logs no progress line
  // What the route says of a source of 2 GiB: a log line, or the text of a message box.
  std::string tooLarge;
  bool tooLargeInABox;
  // What an export says of an output that would reach 2 GiB.
  std::string outputTooLarge;
};

void PrintTo(const Route& route, std::ostream* out) {
  *out << route.name;
}

// Every import route and every export target the batch knows, with what each says of a
// source of 2 GiB (the format's own words).
std::vector<Route> AllRoutes() {
  std::vector<Route> routes;
  for (const ImportRoute& route : ImportRoutes()) {
    if (route.Convert == nullptr) {
      continue;
    }
    const std::string format(route.Format);
    Route r{.name = "Import" + format,
            .convert = route.Convert,
            .exports = false,
            .headerless = false,
            .tooLarge = " is 2 GiB or larger and cannot be imported",
            .tooLargeInABox = true,
            .outputTooLarge = {}};
    if (format == "RAW" || format == "TXT") {
      r.headerless = true;
      r.tooLargeInABox = false;
      r.tooLarge = format == "RAW" ? " would give an SMP file of 2 GiB or more. Conversion aborted."
                                   : " is 2 GiB or larger. Conversion aborted.";
    }
    routes.push_back(r);
  }
  for (const ConversionTarget& target : ConversionTargets()) {
    if (target.direction == Direction::Export) {
      const std::string format(target.Format);
      const std::string article = format == "WAV" || format == "RAW" ? "a " : "an ";
      routes.push_back({.name = "Export" + format,
                        .convert = target.Convert,
                        .exports = true,
                        .headerless = false,
                        // The SMP component opens no file of 2 GiB or more.
                        .tooLarge = " cannot be opened! Conversion aborted.",
                        .tooLargeInABox = false,
                        .outputTooLarge =
                            " would give " + article + format + " file of 2 GiB or more" +
                            (format == "RAW" ? ". Conversion aborted." : "! Conversion aborted.")});
    }
  }
  return routes;
}

class ConverterContract : public test::ConverterTest, public ::testing::WithParamInterface<Route> {
 protected:
  void Convert(const std::string& inputPath, const std::string& outputPath) {
    ConversionContext context = Context();
    GetParam().convert(context, settings, inputPath, outputPath);
  }
  // The progress line, where the route logs one.
  std::vector<std::string> Progress(const std::string& in, const std::string& out) const {
    if (GetParam().headerless) {
      return {};
    }
    return {std::filesystem::path(in).filename().string() + " -> " +
            std::filesystem::path(out).filename().string()};
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // A source named for the route's direction: an SMP file to export, or any file to import.
  std::string Source() const { return Path(GetParam().exports ? "in.smp" : "in.snd"); }
};

TEST_P(ConverterContract, ACancelledSaveDialogOnlyLogsTheCancel) {
  WriteFile(Source(), test::SmpFile({"sftot=8000", "nchans=1"}, {1, 2, 3}));
  Convert(Source(), "");
  EXPECT_EQ(log.lines, std::vector<std::string>{Source() + " - cancelled by user"});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Files().size(), 1u);
}

TEST_P(ConverterContract, TheInputIsNeverItsOwnOutput) {
  const std::string bytes = test::SmpFile({"sftot=8000", "nchans=1"}, {1, 2, 3});
  WriteFile(Source(), bytes);
  // The same file under another name: equal paths are not needed to refuse it.
  std::filesystem::create_hard_link(Source(), Path("same.out"));
  Convert(Source(), Path("same.out"));
  std::vector<std::string> expected = Progress(Source(), Path("same.out"));
  expected.push_back(Source() + " would be overwritten by its own output! Conversion aborted.");
  EXPECT_EQ(log.lines, expected);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(ReadFile(Source()), bytes);
}

TEST_P(ConverterContract, ASourceOfTwoGibibytesIsRefusedBeforeAnyOutputExists) {
  WriteFile(Source(), test::SmpFile({"sftot=8000", "nchans=1"}, {1, 2, 3}));
  std::filesystem::resize_file(Source(), uintmax_t{1} << 31);  // sparse
  Convert(Source(), Path("out.x"));
  std::vector<std::string> expected = Progress(Source(), Path("out.x"));
  if (GetParam().tooLargeInABox) {
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, Source() + GetParam().tooLarge);
    EXPECT_EQ(boxes.shown[0].caption, "Cannot import file");
  } else {
    expected.push_back(Source() + GetParam().tooLarge);
    EXPECT_TRUE(boxes.shown.empty());
  }
  EXPECT_EQ(log.lines, expected);
  EXPECT_FALSE(std::filesystem::exists(Path("out.x")));
}

// An import's output is judged while it reads (tests/formats/chunk_walk_test.cpp).
class ExportContract : public ConverterContract {};

std::vector<Route> ExportRoutes() {
  std::vector<Route> routes = AllRoutes();
  std::erase_if(routes, [](const Route& route) { return !route.exports; });
  return routes;
}

TEST_P(ExportContract, AnOutputThatWouldReachTwoGibibytesIsRefusedBeforeItIsWritten) {
  // Just below 2 GiB: the SMP file opens, and each output adds its header (and the embedded
  // head) to the samples.
  WriteFile(Source(), test::SmpFile({"sftot=8000", "nchans=1"}, {}));
  std::filesystem::resize_file(Source(), (uintmax_t{1} << 31) - 2);  // sparse
  settings.ExportWAV.StoreSMPHeader = true;
  settings.ExportAU.StoreSMPHeader = true;
  settings.ExportAIF.StoreSMPHeader = true;
  settings.ExportNSP.StoreSMPHeader = true;
  settings.ExportRAW.HeaderBytes = 4096;
  Convert(Source(), Path("out.x"));
  std::vector<std::string> expected = Progress(Source(), Path("out.x"));
  expected.push_back(Source() + GetParam().outputTooLarge);
  EXPECT_EQ(log.lines, expected);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(Path("out.x")));
}

TEST_P(ConverterContract, ASourceThatCannotBeOpenedLeavesNoOutput) {
  // A path through a regular file fails to open for root too.
  WriteFile(Path("file"), "");
  const std::string source = Path("file") + "/in.snd";
  if (GetParam().exports) {
    Convert(source, Path("out.x"));
    std::vector<std::string> expected = Progress(source, Path("out.x"));
    expected.push_back(source + " cannot be opened! Conversion aborted.");
    EXPECT_EQ(log.lines, expected);
  } else {
    // An import reads its source as an operating-system file: the error ends the batch.
    EXPECT_THROW(Convert(source, Path("out.x")), std::system_error);
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(Path("out.x")));
}

INSTANTIATE_TEST_SUITE_P(EveryRoute, ConverterContract, ::testing::ValuesIn(AllRoutes()),
                         [](const ::testing::TestParamInfo<Route>& info) {
                           return info.param.name;
                         });
INSTANTIATE_TEST_SUITE_P(EveryExport, ExportContract, ::testing::ValuesIn(ExportRoutes()),
                         [](const ::testing::TestParamInfo<Route>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace vorsel
