#include "tests/frontend/batch_fixture.h"

#include <filesystem>
#include <system_error>

#include "probing/filetype.h"

namespace vorsel::test {

namespace {

std::string NameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

void Convert(const char* converter, ConversionContext& context, const std::string& inputPath,
             const std::string& outputPath) {
  ConverterCalls().push_back({converter, inputPath, outputPath});
  if (outputPath.empty()) {
    context.log.Append(inputPath + " - cancelled by user");
    return;
  }
  context.log.Append(NameOf(inputPath) + " -> " + NameOf(outputPath));
  context.BusyTick();
  WriteFile(outputPath, std::string(converter) + " of " + ReadFile(inputPath));
}

}  // namespace

std::vector<ConverterCall>& ConverterCalls() {
  static std::vector<ConverterCall> calls;
  return calls;
}

void TestExport(ConversionContext& context, const ConversionSettings&, const std::string& inputPath,
                const std::string& outputPath) {
  Convert("export", context, inputPath, outputPath);
}

void TestImportA(ConversionContext& context, const ConversionSettings&,
                 const std::string& inputPath, const std::string& outputPath) {
  Convert("importA", context, inputPath, outputPath);
}

void TestImportB(ConversionContext& context, const ConversionSettings&,
                 const std::string& inputPath, const std::string& outputPath) {
  Convert("importB", context, inputPath, outputPath);
}

void ThrowingConverter(ConversionContext&, const ConversionSettings&, const std::string& inputPath,
                       const std::string&) {
  ConverterCalls().push_back({"throwing", inputPath, ""});
  throw std::system_error(std::make_error_code(std::errc::no_space_on_device),
                          "Cannot write " + inputPath);
}

BatchFixture::BatchFixture() {
  ConverterCalls().clear();
  view.directory = dir.path().string();
  routes = {
      {"RAW", FileTypeBit(ftRAW), ImportStep::Convert, &TestImportA, &RawAssumptionLine},
      {"SMP", FileTypeBit(ftSMP), ImportStep::RefuseSMP, nullptr},
      {"WAV", FileTypeBit(ftWAV), ImportStep::Convert, &TestImportA},
      {"AIFF", FileTypeBit(ftAIFF) | FileTypeBit(ftAIFC), ImportStep::Convert, &TestImportB},
      {"TXT", FileTypeBit(ftTXT), ImportStep::Convert, &TestImportB},
  };
}

std::string BatchFixture::AddEntry(const std::string& name, std::string_view content,
                                   bool selected) {
  const std::string path = dir / name;
  WriteFile(path, content);
  view.entries.push_back({name, selected});
  return path;
}

ConversionTarget BatchFixture::ExportTarget(Converter convert, bool batchLogsCancel) const {
  return {"testbutton",
          "TEST !",
          "TEST",
          "to-test",
          "",
          Direction::Export,
          [](const ConversionSettings&) { return std::string(".out"); },
          [](const ConversionSettings&) { return std::string("TEST: header"); },
          batchLogsCancel,
          convert};
}

ConversionBatch& BatchFixture::Batch() {
  batch = std::make_unique<ConversionBatch>(BatchParts{.settings = settings,
                                                       .context = context,
                                                       .view = view,
                                                       .fileDialogs = saveDialog,
                                                       .pacer = pacer,
                                                       .link = link,
                                                       .errors = errors,
                                                       .describe = describe,
                                                       .importRoutes = routes});
  return *batch;
}

}  // namespace vorsel::test
