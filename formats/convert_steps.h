#pragma once

// The skeleton that every importer and exporter shares: the opening steps (cancel check,
// progress line, refusals made before any output exists, the source opened), the SMP output of
// an import from its creation to its closing, the loops over the source's sample chunks, the
// checks of an export's writes that keep its header true to what reached the file, and the one
// rule of the SMP file's 2 GiB limit. Each format keeps only what is its own.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include <optional>

#include "codings/byteorder.h"
#include "formats/conversion_context.h"
#include "formats/format_settings.h"

namespace vorsel {

class TSMPfile;
class ByteReader;
class ByteWriter;
class Encoder8;

namespace convert_steps {

// The about box's title, which every processing step names.
inline constexpr std::string_view kProgramTitle = "Vorsel";

// Sizes and positions in the headers and in SMP files are signed 32-bit numbers.
inline constexpr int64_t kSizeLimit = int64_t{1} << 31;

// True when an SMP file of `samples` samples would reach 2 GiB. It counts the largest head an
// SMP file can have: a head restored from the input may be that large, and the AU import
// judges before it has read its head.
bool WouldReachSizeLimit(int64_t samples);

std::string FileNameOf(const std::string& path);

// The line of a cancelled save dialog; true when the conversion ends here.
bool LogCancelled(ConversionContext& context, const std::string& inputPath,
                  const std::string& outputPath);

// "in -> out", both without directory.
void LogProgress(ConversionContext& context, const std::string& inputPath,
                 const std::string& outputPath);

// Writing the output would destroy the input it is made from: one log line, true.
bool RefuseOwnOutput(ConversionContext& context, const std::string& inputPath,
                     const std::string& outputPath);

void Tick(ConversionContext& context);

// The "Cannot import file" message box with the text, as every import refuses a source.
void ShowCannotImport(ConversionContext& context, const std::string& text);

// What every import of a file with a header does before reading it: the cancel check, the
// progress line, the refusal of its own output, and of a source of 2 GiB or more (with the
// message box). Gives the opened source, or nothing when the import ends here.
std::unique_ptr<ByteReader> BeginImport(ConversionContext& context, const std::string& inputPath,
                                        const std::string& outputPath);

// Opens the source SMP file read-only; a source that cannot be opened gets one log line.
bool OpenSource(ConversionContext& context, const std::string& inputPath);

// The coding that a converter's settings field names, and whether the converter has it.
struct CodingChoice {
  int32_t coding;
  bool supported;
  std::string_view field;  // "ExportWAV.Encoding"
};

// An unsupported coding gets one log line; true when it is refused.
bool RefuseCoding(ConversionContext& context, const std::string& inputPath,
                  const CodingChoice& choice);

// What every import without a header does first: the cancel check and the refusal of its own
// output. It gives no progress line: it names its kind once the output exists. True when the
// import goes on.
bool BeginHeadlessImport(ConversionContext& context, const std::string& inputPath,
                         const std::string& outputPath);

// A channel count outside 1 to 128 named by the settings field of an import without a header
// gets one log line; true when it is refused.
bool RefuseChannelCount(ConversionContext& context, const std::string& inputPath, int32_t channels,
                        std::string_view field);

enum class SplitRate { Written, Refused };

// Closes the SMP file also when an operating-system error ends the conversion.
class SMPFileCloser {
 public:
  explicit SMPFileCloser(TSMPfile& smp) : smp_(smp) {}
  ~SMPFileCloser();
  SMPFileCloser(const SMPFileCloser&) = delete;
  SMPFileCloser& operator=(const SMPFileCloser&) = delete;

 private:
  TSMPfile& smp_;
};

// What every export does before it reads its source: the cancel check, the progress line, the
// refusal of its own output and of a coding it does not have, the source opened read-only and,
// where the format has one rate for all channels, the refusal of a split-rate source. Gives
// the closer of the open source, or nothing when the export ends here.
std::optional<SMPFileCloser> BeginExport(ConversionContext& context, const std::string& inputPath,
                                         const std::string& outputPath,
                                         const std::optional<CodingChoice>& coding,
                                         SplitRate splitRate);

// An export whose file of `outputBytes` bytes would reach 2 GiB gets one log line ("would give
// <kind> file of 2 GiB or more! Conversion aborted.", kind "a WAV"); true when it is refused.
bool RefuseOutputSize(ConversionContext& context, const std::string& inputPath, int64_t outputBytes,
                      std::string_view kind);

// Writes an export's sample data of `dataBytes` bytes through `write`, from the writer's
// position on. After a failed write (its error goes on) or a write of other than `dataBytes`
// bytes (a source that held fewer samples than it said), `keepSizesWritten`, given the offset
// where the data began, makes the header claim only what reached the file. True when the data
// came out whole.
bool WriteExportData(ByteWriter& out, uint64_t dataBytes, const std::function<void()>& write,
                     const std::function<void(uint64_t dataStart)>& keepSizesWritten);

// The view, unit and range an import gives every channel when no head was restored.
void ApplyImportView(TSMPfile& smp, const ImportViewSettings& settings);

// A "scan" item of a restored head that does not interleave the channels in force (a channel
// without a slot, unequal spacing) would stop every later sample operation: it is left out,
// in any letter case, with one log line, and the channels keep their plain order.
void DropInvalidScan(ConversionContext& context, const std::string& inputPath);

// Creates the SMP output of an import; throws "Cannot create <output>" with the system's
// reason when it cannot.
void CreateImportedFile(ConversionContext& context, const std::string& outputPath);

// Writes the head of the SMP output; throws "Cannot write the head of <output>" with the
// system's reason when it cannot.
void SaveImportedHead(ConversionContext& context, const std::string& outputPath);

// Closes the SMP output; a close that fails (the last blocks never reached the disk) throws
// "<output> is incomplete" with the system's reason.
void CloseImportedFile(ConversionContext& context, const std::string& outputPath);

// Saves the imported SMP file. A restored head that the import's own items push past the head
// buffer cannot be saved: the head then keeps only its size, which places the samples, and the
// items `completeHead` adds (called with headRestored false), with one log line. Throws when
// the head cannot be written.
void SaveImportedFile(ConversionContext& context, const std::string& inputPath,
                      const std::string& outputPath,
                      const std::function<void(bool headRestored)>& completeHead);

// Hands the open source's samples from its current position to `take`, chunk by chunk, at most
// `sampleCount` in all.
void ForEachSourceChunk(ConversionContext& context, int64_t sampleCount,
                        const std::function<void(std::span<const int16_t>)>& take);

// Writes at most `sampleCount` samples of the open source, chunk by chunk: coded to 8 bits by
// `encoder` when there is one, else as 16-bit samples in `order`.
void WriteExportSamples(ConversionContext& context, ByteWriter& out, int64_t sampleCount,
                        const std::optional<Encoder8>& encoder, ByteOrder order);

// After a failed write or a source that ended early: the bytes of whole scans of `scanBytes`
// each that reached the file from `dataStart` on, so that the header can claim just those.
uint64_t ScanBytesWritten(ByteWriter& out, uint64_t dataStart, uint64_t scanBytes);

// Rewrites a 32-bit size field of a file cut short. A failure here is not reported: it would
// hide the one that cut the file.
void PatchSize(ByteWriter& out, uint64_t offset, uint64_t value, ByteOrder order);

// While it lives, a label file named by a head restored from the input is read only from the
// input's or the output's folder (relative names taken against the input's); otherwise the
// labels are not restored, with one log line.
class ForeignHeadLabels {
 public:
  ForeignHeadLabels(ConversionContext& context, const std::string& inputPath,
                    const std::string& outputPath);
  ~ForeignHeadLabels();
  ForeignHeadLabels(const ForeignHeadLabels&) = delete;
  ForeignHeadLabels& operator=(const ForeignHeadLabels&) = delete;

 private:
  TSMPfile& smp_;
};

// The SMP output of an import from its creation on: created (throwing "Cannot create
// <output>" with the system's reason when it cannot be), closed also when an error ends the
// conversion and, for an import that may restore a head from its input, with the label files
// of that head read only from safe places (ForeignHeadLabels).
class ImportOutput {
 public:
  // For an import without a head of its own.
  ImportOutput(ConversionContext& context, const std::string& outputPath);
  // For an import whose input may hold an SMP head.
  ImportOutput(ConversionContext& context, const std::string& inputPath,
               const std::string& outputPath);
  ImportOutput(const ImportOutput&) = delete;
  ImportOutput& operator=(const ImportOutput&) = delete;

  // The samples are stored from the start of the data in the byte order of the settings.
  void BeginSamples(const ImportViewSettings& settings);
  // Saves the head (SaveImportedFile) and closes the output (CloseImportedFile).
  void Finish(const std::string& inputPath,
              const std::function<void(bool headRestored)>& completeHead);
  // Saves a head that no input could have filled (SaveImportedHead) and closes the output.
  void FinishHead();
  // Closes and removes the output: the input's samples could not be taken.
  void Discard();

 private:
  ConversionContext& context_;
  std::string outputPath_;
  SMPFileCloser closer_;
  std::optional<ForeignHeadLabels> labels_;
};

// The head an import without a header gives its output from the settings: defaults, the view,
// rate, channels, byte order and the processing step, then the line "<input> as <kind>->
// <output>"; the samples are stored from the start of the data.
void StartHeadlessImport(ConversionContext& context, const ImportViewSettings& settings,
                         double sfTot, int32_t channels, const std::string& inputPath,
                         const std::string& outputPath, std::string_view kind);

}  // namespace convert_steps
}  // namespace vorsel
