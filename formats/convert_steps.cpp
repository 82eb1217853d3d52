#include "formats/convert_steps.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/textcase.h"
#include "smp/sSMP.h"

namespace vorsel::convert_steps {

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
  const std::vector<std::string> items = smp.Items();
  for (const std::string& line : items) {
    const std::string name = line.substr(0, line.find('='));
    if (EqualNoCase(name, "scan")) {
      smp.set_item(name, "");
    }
  }
  context.log.Append(inputPath +
                     " has an SMP header chunk whose channel layout does not fit; the channels "
                     "keep their plain order.");
}

void SaveImportedFile(ConversionContext& context, const std::string& inputPath,
                      const std::string& outputPath,
                      const std::function<void(bool headRestored)>& completeHead) {
  TSMPfile& smp = context.SMPfile1;
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
    throw std::runtime_error("Cannot write the head of " + outputPath);
  }
}

SMPFileCloser::~SMPFileCloser() {
  smp_.close_file();
}

}  // namespace vorsel::convert_steps
