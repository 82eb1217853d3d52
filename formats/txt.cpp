#include "formats/txt.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "fileio/byteio.h"
#include "formats/convert_steps.h"
#include "formats/format_list.h"
#include "formats/txt_number.h"
#include "smp/sSMP.h"

namespace vorsel {

using namespace convert_steps;

namespace {

// Longer runs of number characters are not numbers anyone writes; they are taken as invalid
// rather than held whole in memory.
constexpr size_t kMaxTokenLength = 4096;

enum InvalidNumberAction : int32_t { kAlert = 0, kInsertZero = 1, kSkipSample = 2 };
enum OverloadAction : int32_t { kClip = 0, kWrapAround = 1, kInsertZeroSample = 2 };

// The scale of the new file's head: view values in the user's units stand for range values.
struct UnitScale {
  tdoublepair view;
  tdoublepair range;

  // Nothing when the view has no extent (or the limits are not numbers).
  std::optional<double> ToSampleValue(double v) const {
    const double extent = view.hi - view.lo;
    if (extent == 0) {
      return std::nullopt;
    }
    const double y = range.lo + (v - view.lo) * (range.hi - range.lo) / extent;
    if (std::isnan(y)) {
      return std::nullopt;
    }
    return y;
  }
};

// Rounds halves to even; nothing when the value has no 64-bit integer.
std::optional<int64_t> RoundToInt64(double y) {
  const double rounded = std::nearbyint(y);
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(rounded >= -kLimit && rounded < kLimit)) {
    return std::nullopt;
  }
  return static_cast<int64_t>(rounded);
}

// Gathers scans into whole chunks, so that the SMP file is written in large blocks rather than
// one scan at a time; the samples land exactly where one write per scan would put them.
class ScanWriter {
 public:
  ScanWriter(ConversionContext& context, int32_t scanLength)
      : context_(context),
        scanLength_(scanLength),
        capacity_(kChunkCapacity / scanLength * scanLength),
        chunk_(std::make_unique<tsamplechunk>()) {
    chunk_->used = 0;
  }

  // False when one more scan would make the SMP file 2 GiB or larger.
  bool Add(std::span<const int16_t> scan) {
    if (WouldReachSizeLimit(written_ + scanLength_)) {
      return false;
    }
    if (chunk_->used + scanLength_ > capacity_) {
      Flush();
    }
    std::memcpy(chunk_->data + chunk_->used, scan.data(), scan.size_bytes());
    chunk_->used += scanLength_;
    written_ += scanLength_;
    return true;
  }

  void Flush() {
    if (chunk_->used == 0) {
      return;
    }
    Tick(context_);
    context_.SMPfile1.SetChunk(*chunk_);
    Tick(context_);
    chunk_->used = 0;
  }

 private:
  ConversionContext& context_;
  const int32_t scanLength_;
  const int32_t capacity_;
  int64_t written_ = 0;
  std::unique_ptr<tsamplechunk> chunk_;
};

// Splits the text into lines and numbers and turns each line into one scan.
class TextColumnReader {
 public:
  TextColumnReader(ConversionContext& context, const ImportTXTSettings& settings,
                   const std::string& inputPath, UnitScale scale, int32_t scanLength)
      : context_(context),
        settings_(settings),
        inputPath_(inputPath),
        scale_(scale),
        linesToStrip_(settings_.StripLines > 0 ? settings_.StripLines : 0),
        scan_(static_cast<size_t>(scanLength), 0),
        writer_(context, scanLength) {
    token_.reserve(64);
  }

  // The next bytes of the file; false once no more is to be read.
  bool Feed(std::span<const uint8_t> bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
      if (linesToStrip_ > 0) {
        const void* lineEnd = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
        if (lineEnd == nullptr) {
          return true;
        }
        ++lineNumber_;
        --linesToStrip_;
        i = static_cast<size_t>(static_cast<const uint8_t*>(lineEnd) - bytes.data()) + 1;
        continue;
      }
      if (!lineOpen_) {
        StartLine();
      }
      const uint8_t c = bytes[i];
      if (IsNumberByte(c)) {
        size_t end = i + 1;
        while (end < bytes.size() && IsNumberByte(bytes[end])) {
          ++end;
        }
        AppendToToken(bytes.subspan(i, end - i));
        i = end;
        continue;
      }
      EndToken();
      if (stopped_) {
        EndLine();
        return false;
      }
      if (c == '\n') {
        EndLine();
        if (stopped_) {
          return false;
        }
      }
      ++i;
    }
    return true;
  }

  // The end of the file: a last line without a line end still gives its scan.
  void Finish() {
    if (lineOpen_) {
      EndToken();
      EndLine();
    }
    writer_.Flush();
  }

  int64_t Overloads() const { return overloads_; }
  int64_t InvalidNumbers() const { return invalidNumbers_; }

 private:
  bool IsNumberByte(uint8_t c) const {
    return IsTextNumberChar(static_cast<char>(c)) || (c == ',' && !settings_.CommaIsSeparator);
  }

  void StartLine() {
    ++lineNumber_;
    position_ = 0;
    lineOpen_ = true;
  }

  void EndLine() {
    lineOpen_ = false;
    if (!writer_.Add(scan_)) {
      context_.log.Append(inputPath_ +
                          ": the SMP file would reach 2 GiB; reading stopped at line " +
                          std::to_string(lineNumber_) + ".");
      stopped_ = true;
    }
  }

  void AppendToToken(std::span<const uint8_t> run) {
    for (const uint8_t c : run) {
      if (token_.size() == kMaxTokenLength) {
        tokenTooLong_ = true;
        return;
      }
      // A comma that does not separate numbers is a decimal separator.
      token_.push_back(c == ',' ? '.' : static_cast<char>(c));
    }
  }

  void EndToken() {
    if (token_.empty()) {
      return;
    }
    if (!stopped_) {
      TakeToken();
    }
    token_.clear();
    tokenTooLong_ = false;
  }

  void TakeToken() {
    const std::optional<double> number = tokenTooLong_ ? std::nullopt : ParseTextNumber(token_);
    const std::optional<double> mapped =
        number ? scale_.ToSampleValue(*number) : std::optional<double>();
    if (!mapped) {
      InvalidNumber();
      return;
    }
    double y = *mapped;
    if (y > 32767) {
      ++overloads_;
      if (settings_.OverloadAction == kClip) {
        y = 32767;
      } else if (settings_.OverloadAction == kInsertZeroSample) {
        y = 0;
      }
    }
    if (y < -32768) {
      ++overloads_;
      if (settings_.OverloadAction == kClip) {
        y = -32768;
      } else if (settings_.OverloadAction == kInsertZeroSample) {
        y = 0;
      }
    }
    const std::optional<int64_t> rounded = RoundToInt64(y);
    if (!rounded) {
      // Only a wrapped-around value can be this large; it has no sample value at all.
      InvalidNumber();
      return;
    }
    // Reduced modulo 65536 to the signed 16-bit range: the wrap-around.
    Put(static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(*rounded))));
  }

  void InvalidNumber() {
    ++invalidNumbers_;
    switch (settings_.InvalidNumberAction) {
      case kAlert:
        context_.dialogs.ShowMessageBox(
            "\"" + token_ + "\"\ron line " + std::to_string(lineNumber_) + " is not a valid number",
            "Invalid number found", mbOk | mbIconExclamation);
        stopped_ = true;
        break;
      case kInsertZero:
        Put(0);
        break;
      default:
        break;
    }
  }

  // Values beyond the first scan's length are counted, not stored.
  void Put(int16_t value) {
    if (position_ < scan_.size()) {
      scan_[position_] = value;
    }
    ++position_;
  }

  ConversionContext& context_;
  const ImportTXTSettings& settings_;
  const std::string& inputPath_;
  const UnitScale scale_;
  int64_t linesToStrip_;
  // Kept from line to line: a position a line does not reach holds an older line's value.
  std::vector<int16_t> scan_;
  ScanWriter writer_;
  std::string token_;
  bool tokenTooLong_ = false;
  size_t position_ = 0;
  int64_t lineNumber_ = 0;
  bool lineOpen_ = false;
  bool stopped_ = false;
  int64_t overloads_ = 0;
  int64_t invalidNumbers_ = 0;
};

void AppendSummary(ConversionLog& log, int64_t overloads, int64_t invalidNumbers) {
  if (overloads == 1) {
    log.Append("Overload in 1 sample");
  } else if (overloads > 1) {
    log.Append("Overload in " + std::to_string(overloads) + " samples");
  }
  if (invalidNumbers == 1) {
    log.Append("1 invalid sample");
  } else if (invalidNumbers > 1) {
    log.Append(std::to_string(invalidNumbers) + " invalid samples");
  }
}

}  // namespace

void ImportTXT(ConversionContext& context, const ImportTXTSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  if (!BeginHeadlessImport(context, inputPath, outputPath) ||
      RefuseChannelCount(context, inputPath, settings.nChans, "ImportTXT.nChans")) {
    return;
  }
  // The input is opened before the output exists, so that an unreadable file leaves nothing.
  ByteReader input(inputPath);
  if (input.Size() >= kMaxFileBytes) {
    context.log.Append(inputPath + " is 2 GiB or larger. Conversion aborted.");
    return;
  }

  TSMPfile& smp = context.SMPfile1;
  ImportOutput output(context, outputPath);
  StartHeadlessImport(context, settings, settings.SfTot, settings.nChans, inputPath, outputPath,
                      "text");
  // The mapping uses the scale as the head now holds it (the view rounded to its digits).
  const UnitScale scale{smp.GetView(-1), smp.GetRange(-1)};
  TextColumnReader reader(context, settings, inputPath, scale, smp.ScanCount());
  std::array<uint8_t, kBlockBytes> block{};
  for (;;) {
    const size_t got = input.Read(block);
    if (got == 0) {
      break;
    }
    Tick(context);
    if (!reader.Feed(std::span(block).first(got))) {
      break;
    }
  }
  reader.Finish();
  output.FinishHead();
  AppendSummary(context.log, reader.Overloads(), reader.InvalidNumbers());
}

// The descriptor: what the tables of types and settings know of TXT, which is only imported.

namespace {

bool IsNumberTextByte(uint8_t c) {
  for (const uint8_t allowed :
       std::initializer_list<uint8_t>{9, 10, 13, 32, '+', ',', '-', '.', 'E', 'e'}) {
    if (c == allowed) {
      return true;
    }
  }
  return false;
}

int32_t DetectTXT(std::span<const uint8_t> bytes, int32_t textLines) {
  return HoldsNumberText(bytes, textLines) ? ftTXT : kNotThisFormatCode;
}

constexpr std::array<std::string_view, 1> kTXTExtensions = {".txt"};
constexpr std::array<FormatFileType, 1> kTXTTypes = {{{ftTXT, "TXT", kTXTExtensions}}};

using IT = ImportTXTSettings;
constexpr auto kImportTXTRows = JoinRows(
    ImportViewRows<&TXTSettings::ImportTXT>(),
    std::array<SettingRow, 6>{{
        {"SfTot", SettingStorage::Everywhere, &RefTo<&TXTSettings::ImportTXT, &IT::SfTot>},
        {"nChans", SettingStorage::Everywhere, &RefTo<&TXTSettings::ImportTXT, &IT::nChans>},
        {"StripLines", SettingStorage::Everywhere,
         &RefTo<&TXTSettings::ImportTXT, &IT::StripLines>},
        {"InvalidNumberAction", SettingStorage::Everywhere,
         &RefTo<&TXTSettings::ImportTXT, &IT::InvalidNumberAction>},
        {"OverloadAction", SettingStorage::Everywhere,
         &RefTo<&TXTSettings::ImportTXT, &IT::OverloadAction>},
        {"CommaIsSeparator", SettingStorage::Everywhere,
         &RefTo<&TXTSettings::ImportTXT, &IT::CommaIsSeparator>},
    }});
constexpr std::array<SettingsSection, 1> kTXTSections = {{{"ImportTXT", 6, kImportTXTRows}}};

}  // namespace

bool HoldsNumberText(std::span<const uint8_t> b, int32_t stripLines) {
  const size_t n = b.size();
  size_t j = 0;
  // A line ends with LF, CR LF or a lone CR, so text written on any system strips alike.
  for (int32_t k = 0; k < stripLines && j < n; ++j) {
    const bool lineEnd = b[j] == 10 || (b[j] == 13 && (j + 1 >= n || b[j + 1] != 10));
    if (lineEnd) {
      ++k;
    }
  }
  bool digit = false;
  for (; j < n; ++j) {
    const uint8_t c = b[j];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (!IsNumberTextByte(c)) {
      return false;
    }
  }
  return digit;
}

const FormatDescriptor TXTFormat::descriptor = {
    .format = "TXT",
    .types = kTXTTypes,
    .detect = &DetectTXT,
    .stage = DetectionStage::Text,
    .reservedTag = {},
    .describe = nullptr,
    .settings = kTXTSections,
    .importer = FormatImport{.convert = &WithSection<&TXTSettings::ImportTXT, &ImportTXT>},
    .exporter = std::nullopt,
    .embeddedHead = std::nullopt,
};

}  // namespace vorsel
