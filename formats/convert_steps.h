#pragma once

// Steps that every importer and exporter shares: the log lines a conversion starts with, the
// refusals made before any output exists, the opening and saving of the SMP file and the loops
// over its sample chunks.

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

}  // namespace convert_steps
}  // namespace vorsel
