#include "formats/convert_steps.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "codings/encoder8.h"
#include "fileio/byteio.h"
#include "smp/sSMP.h"

namespace vorsel::convert_steps {

bool WouldReachSizeLimit(int64_t samples) {
  return kHeadBufferSize + 2 * samples >= kSizeLimit;
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

bool LogCancelled(ConversionContext& context, const std::string& inputPath,
                  const std::string& outputPath) {
  if (!outputPath.empty()) {
    return false;
  }
  context.log.Append(inputPath + " - cancelled by user");
  return true;
}

void LogProgress(ConversionContext& context, const std::string& inputPath,
                 const std::string& outputPath) {
  context.log.Append(FileNameOf(inputPath) + " -> " + FileNameOf(outputPath));
}

bool RefuseOwnOutput(ConversionContext& context, const std::string& inputPath,
                     const std::string& outputPath) {
  std::error_code error;
  if (!std::filesystem::equivalent(inputPath, outputPath, error)) {
    return false;
  }
  context.log.Append(inputPath + " would be overwritten by its own output! Conversion aborted.");
  return true;
}

void Tick(ConversionContext& context) {
  if (context.BusyTick) {
    context.BusyTick();
  }
}

bool OpenSource(ConversionContext& context, const std::string& inputPath) {
  if (context.SMPfile1.open_file(inputPath, true)) {
    return true;
  }
  context.log.Append(inputPath + " cannot be opened! Conversion aborted.");
  return false;
}

bool RefuseCoding(ConversionContext& context, const std::string& inputPath,
                  const CodingChoice& choice) {
  if (choice.supported) {
    return false;
  }
  context.log.Append(inputPath + ": coding " + std::to_string(choice.coding) + " of " +
                     std::string(choice.field) + " is not supported. Conversion aborted.");
  return true;
}

bool BeginHeadlessImport(ConversionContext& context, const std::string& inputPath,
                         const std::string& outputPath) {
  return !LogCancelled(context, inputPath, outputPath) &&
         !RefuseOwnOutput(context, inputPath, outputPath);
}

bool RefuseChannelCount(ConversionContext& context, const std::string& inputPath, int32_t channels,
                        std::string_view field) {
  if (channels >= 1 && channels <= kMaxChannels) {
    return false;
  }
  context.log.Append(inputPath + ": " + std::to_string(channels) + " channels (" +
                     std::string(field) + ") are not supported. Conversion aborted.");
  return true;
}

std::optional<SMPFileCloser> BeginExport(ConversionContext& context, const std::string& inputPath,
                                         const std::string& outputPath,
                                         const std::optional<CodingChoice>& coding,
                                         SplitRate splitRate) {
  if (LogCancelled(context, inputPath, outputPath)) {
    return std::nullopt;
  }
  LogProgress(context, inputPath, outputPath);
  if (RefuseOwnOutput(context, inputPath, outputPath) ||
      (coding && RefuseCoding(context, inputPath, *coding)) || !OpenSource(context, inputPath)) {
    return std::nullopt;
  }
  TSMPfile& smp = context.SMPfile1;
  if (splitRate == SplitRate::Refused && smp.IsSplitRate()) {
    context.log.Append(inputPath + " has split rate! Conversion aborted.");
    smp.close_file();
    return std::nullopt;
  }
  return std::optional<SMPFileCloser>(std::in_place, smp);
}

bool RefuseOutputSize(ConversionContext& context, const std::string& inputPath, int64_t outputBytes,
                      std::string_view kind) {
  if (outputBytes < kSizeLimit) {
    return false;
  }
  context.log.Append(inputPath + " would give " + std::string(kind) +
                     " file of 2 GiB or more! Conversion aborted.");
  return true;
}

bool WriteExportData(ByteWriter& out, uint64_t dataBytes, const std::function<void()>& write,
                     const std::function<void(uint64_t dataStart)>& keepSizesWritten) {
  const uint64_t dataStart = out.Position();
  try {
    write();
  } catch (...) {
    keepSizesWritten(dataStart);  // a write error, or the user stopped the batch
    throw;
  }
  if (out.Position() - dataStart != dataBytes) {
    keepSizesWritten(dataStart);
    return false;
  }
  return true;
}

namespace {

[[noreturn]] void ThrowHeadNotWritten(const TSMPfile& smp, const std::string& outputPath) {
  const std::string what = "Cannot write the head of " + outputPath;
  if (smp.LastError() == 0) {
    throw std::runtime_error(what);
  }
  throw std::system_error(smp.LastError(), std::generic_category(), what);
}

// Restored labels go to the label file beside the output. One that exists there already is
// replaced under the rule of the output itself; declined, the labels stay in the head.
void KeepExistingLabelFileUnlessAllowed(ConversionContext& context) {
  TSMPfile& smp = context.SMPfile1;
  if (!smp.ExternalLabels() || smp.ExternalLabelList().empty()) {
    return;
  }
  const std::string labelFile = smp.CSVFileName();
  std::error_code error;
  if (labelFile.empty() || context.OverWrite ||
      !std::filesystem::is_regular_file(labelFile, error)) {
    return;
  }
  if (context.dialogs.ShowMessageBox(labelFile + " exists!\rOverwrite?", "Confirm overwrite",
                                     mbYesNo | mbIconQuestion) != idYes) {
    smp.SetExternalLabels(false);
  }
}

}  // namespace

void ShowCannotImport(ConversionContext& context, const std::string& text) {
  context.dialogs.ShowMessageBox(text, "Cannot import file", mbOk | mbIconExclamation);
}

std::unique_ptr<ByteReader> BeginImport(ConversionContext& context, const std::string& inputPath,
                                        const std::string& outputPath) {
  if (LogCancelled(context, inputPath, outputPath)) {
    return nullptr;
  }
  LogProgress(context, inputPath, outputPath);
  if (RefuseOwnOutput(context, inputPath, outputPath)) {
    return nullptr;
  }
  auto reader = std::make_unique<ByteReader>(inputPath);
  if (reader->Size() >= kSizeLimit) {
    ShowCannotImport(context, inputPath + " is 2 GiB or larger and cannot be imported");
    return nullptr;
  }
  return reader;
}

void ApplyImportView(TSMPfile& smp, const ImportViewSettings& settings) {
  smp.SetView(-1, {settings.ViewLo, settings.ViewHi});
  smp.SetViewUnit(-1, settings.Unit);
  smp.SetRange(-1, {settings.RangeLo, settings.RangeHi});
}

void DropInvalidScan(ConversionContext& context, const std::string& inputPath) {
  TSMPfile& smp = context.SMPfile1;
  try {
    smp.ScanCount();
    return;
  } catch (const EInvalidSMPHeader&) {
  }
  // The scan tables find the item in any letter case, as get_item does.
  for (const std::string& name : smp.ItemSpellings("scan")) {
    smp.set_item(name, "");
  }
  context.log.Append(inputPath +
                     " has an SMP header chunk whose channel layout does not fit; the channels "
                     "keep their plain order.");
}

void SaveImportedFile(ConversionContext& context, const std::string& inputPath,
                      const std::string& outputPath,
                      const std::function<void(bool headRestored)>& completeHead) {
  TSMPfile& smp = context.SMPfile1;
  KeepExistingLabelFileUnlessAllowed(context);
  bool saved = smp.save_file("");
  if (!saved && !smp.HeadFits()) {
    context.log.Append(inputPath +
                       " has an SMP header chunk too full to take the import's items; those of "
                       "the chunk are left out.");
    const int32_t headSize = smp.HeadSize();
    const bool msbFirst = smp.MSBFirst();
    smp.SetItems({});
    smp.SetComment({});
    smp.SetHeadSize(headSize);
    smp.SetMSBFirst(msbFirst);
    completeHead(false);
    saved = smp.save_file("");
  }
  if (!saved) {
    ThrowHeadNotWritten(smp, outputPath);
  }
}

void CreateImportedFile(ConversionContext& context, const std::string& outputPath) {
  TSMPfile& smp = context.SMPfile1;
  if (smp.new_file(outputPath)) {
    return;
  }
  const int error = smp.LastError();
  smp.close_file();
  if (error == 0) {
    throw std::runtime_error("Cannot create " + outputPath);
  }
  throw std::system_error(error, std::generic_category(), "Cannot create " + outputPath);
}

void SaveImportedHead(ConversionContext& context, const std::string& outputPath) {
  if (!context.SMPfile1.save_file("")) {
    ThrowHeadNotWritten(context.SMPfile1, outputPath);
  }
}

void CloseImportedFile(ConversionContext& context, const std::string& outputPath) {
  TSMPfile& smp = context.SMPfile1;
  if (!smp.close_file()) {
    throw std::system_error(smp.LastError() != 0 ? smp.LastError() : EIO, std::generic_category(),
                            outputPath + " is incomplete");
  }
}

void ForEachSourceChunk(ConversionContext& context, int64_t sampleCount,
                        const std::function<void(std::span<const int16_t>)>& take) {
  TSMPfile& smp = context.SMPfile1;
  const auto chunk = std::make_unique<tsamplechunk>();
  // Never more than the header announced, whatever the component delivers.
  int64_t remaining = sampleCount;
  for (;;) {
    Tick(context);
    smp.GetChunk(*chunk);
    Tick(context);
    const auto used = static_cast<size_t>(std::clamp<int64_t>(chunk->used, 0, remaining));
    if (used == 0) {
      break;
    }
    remaining -= static_cast<int64_t>(used);
    take(std::span<const int16_t>(chunk->data, used));
  }
}

void WriteExportSamples(ConversionContext& context, ByteWriter& out, int64_t sampleCount,
                        const std::optional<Encoder8>& encoder, ByteOrder order) {
  const auto codes = std::make_unique<std::array<uint8_t, kChunkCapacity>>();
  ForEachSourceChunk(context, sampleCount, [&](std::span<const int16_t> samples) {
    if (encoder) {
      encoder->Run(samples, codes->data());
      out.Bytes(std::span<const uint8_t>(codes->data(), samples.size()));
    } else {
      out.WriteSamples16(samples, order);
    }
  });
}

uint64_t ScanBytesWritten(ByteWriter& out, uint64_t dataStart, uint64_t scanBytes) {
  try {
    out.Flush();
  } catch (const std::system_error&) {
    // What did not fit stays out; the count below is what did.
  }
  const uint64_t end = std::max(out.WrittenBytes(), dataStart);
  return scanBytes == 0 ? 0 : (end - dataStart) / scanBytes * scanBytes;
}

void PatchSize(ByteWriter& out, uint64_t offset, uint64_t value, ByteOrder order) {
  const auto v = static_cast<uint32_t>(value);
  std::array<uint8_t, 4> bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                               static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  if (order == ByteOrder::BigEndian) {
    std::reverse(bytes.begin(), bytes.end());
  }
  try {
    out.WriteAt(offset, bytes);
  } catch (const std::system_error&) {
  }
}

ForeignHeadLabels::ForeignHeadLabels(ConversionContext& context, const std::string& inputPath,
                                     const std::string& outputPath)
    : smp_(context.SMPfile1) {
  namespace fs = std::filesystem;
  ConversionLog& log = context.log;
  smp_.SetForeignLabels(TSMPfile::tforeignlabels{
      .namingfile = inputPath,
      .folders = {fs::path(inputPath).parent_path().string(),
                  fs::path(outputPath).parent_path().string()},
      .refused =
          [&log, inputPath](const std::string& problem) {
            log.Append("Labels of " + inputPath + " not restored: " + problem);
          },
  });
}

ForeignHeadLabels::~ForeignHeadLabels() {
  smp_.SetForeignLabels(std::nullopt);
}

SMPFileCloser::~SMPFileCloser() {
  smp_.close_file();
}

namespace {

TSMPfile& CreatedOutput(ConversionContext& context, const std::string& outputPath) {
  CreateImportedFile(context, outputPath);
  return context.SMPfile1;
}

}  // namespace

ImportOutput::ImportOutput(ConversionContext& context, const std::string& outputPath)
    : context_(context), outputPath_(outputPath), closer_(CreatedOutput(context, outputPath)) {}

ImportOutput::ImportOutput(ConversionContext& context, const std::string& inputPath,
                           const std::string& outputPath)
    : ImportOutput(context, outputPath) {
  labels_.emplace(context, inputPath, outputPath);
}

void ImportOutput::BeginSamples(const ImportViewSettings& settings) {
  context_.SMPfile1.SetMSBFirst(settings.MSBFirst);
  context_.SMPfile1.SetPosition(0);
}

void ImportOutput::Finish(const std::string& inputPath,
                          const std::function<void(bool headRestored)>& completeHead) {
  SaveImportedFile(context_, inputPath, outputPath_, completeHead);
  CloseImportedFile(context_, outputPath_);
}

void ImportOutput::FinishHead() {
  SaveImportedHead(context_, outputPath_);
  CloseImportedFile(context_, outputPath_);
}

void ImportOutput::Discard() {
  context_.SMPfile1.close_file();
  std::error_code ignored;
  std::filesystem::remove(outputPath_, ignored);
}

void StartHeadlessImport(ConversionContext& context, const ImportViewSettings& settings,
                         double sfTot, int32_t channels, const std::string& inputPath,
                         const std::string& outputPath, std::string_view kind) {
  TSMPfile& smp = context.SMPfile1;
  smp.insert_nonpresent_defaults();
  ApplyImportView(smp, settings);
  smp.SetSfTot(sfTot);
  smp.SetnChans(channels);
  smp.SetMSBFirst(settings.MSBFirst);
  smp.set_proc(std::string(kProgramTitle) + " from " + inputPath);
  context.log.Append(FileNameOf(inputPath) + " as " + std::string(kind) + "-> " +
                     FileNameOf(outputPath));
  smp.SetPosition(0);
}

}  // namespace vorsel::convert_steps
