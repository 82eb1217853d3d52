#include "formats/aiff.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "codings/encoder8.h"
#include "codings/extended.h"
#include "codings/fit.h"
#include "codings/g711.h"
#include "codings/linear.h"
#include "codings/wide.h"
#include "fileio/byteio.h"
#include "formats/batch_words.h"
#include "formats/chunk_walker.h"
#include "formats/convert_steps.h"
#include "formats/format_list.h"
#include "formats/kelm.h"
#include "formats/probe_parts.h"
#include "formats/wide_import.h"
#include "platform/dotnum.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

// Shared by the converters and the descriptor.
constexpr HeadContainer kHeadContainer = HeadContainer::ApplicationChunk;
constexpr EightBitLinear kEightBit{Representation::Signed, kDitherUpward};

using namespace convert_steps;

constexpr FourCC kFormId = "FORM";
constexpr FourCC kAiffType = "AIFF";
constexpr FourCC kAifcType = "AIFC";
constexpr FourCC kCommonId = "COMM";
constexpr FourCC kStatusId = "AESD";
constexpr FourCC kApplicationId = "APPL";
constexpr FourCC kSoundId = "SSND";
constexpr FourCC kNoCompression = "NONE";
constexpr FourCC kLittleEndian = "sowt";
constexpr FourCC kFloat32 = "fl32";
constexpr FourCC kFloat64 = "fl64";
constexpr FourCC kALaw = "alaw";
constexpr FourCC kMuLaw = "ulaw";

constexpr int32_t kAifLinear8 = 0;
constexpr int32_t kAifLinear16 = 1;

constexpr uint32_t kCommonSize = 18;
constexpr uint32_t kStatusSize = 24;
constexpr uint32_t kSoundPrefix = 8;  // offset and block size before the sample frames
// "FORM", its size, "AIFF", "COMM", its size and the channel count come before the frames.
constexpr uint64_t kFramesOffset = 22;

constexpr std::string_view kStatusItem = "AES/EBUchstatus";
// Bit 3 of the first status byte: 50/15 microseconds pre-emphasis.
constexpr uint8_t kEmphasisBit = 0x08;

using ChannelStatus = std::array<uint8_t, kStatusSize>;

// ---- Export ------------------------------------------------------------------------------

// A decimal integer with an optional sign, as it stands.
std::optional<int32_t> StatusNumber(std::string_view token) {
  if (!token.empty() && token.front() == '+') {
    token.remove_prefix(1);
  }
  int32_t value = 0;
  const char* end = token.data() + token.size();
  const auto [stop, error] = std::from_chars(token.data(), end, value);
  if (token.empty() || error != std::errc{} || stop != end) {
    return std::nullopt;
  }
  return value;
}

// The 24 bytes of the item text: numbers separated by ",", each taken modulo 256; the last
// number repeats for the bytes it does not reach. Nothing when any field is not a number (an
// empty text included).
std::optional<ChannelStatus> ChannelStatusOfItem(std::string_view text) {
  ChannelStatus status{};
  for (uint8_t& byte : status) {
    const size_t comma = text.find(',');
    const std::optional<int32_t> number = StatusNumber(text.substr(0, comma));
    if (!number) {
      return std::nullopt;
    }
    byte = static_cast<uint8_t>(static_cast<uint32_t>(*number) & 0xFF);
    if (comma != std::string_view::npos) {
      text.remove_prefix(comma + 1);
    }
  }
  return status;
}

struct AiffLayout {
  int32_t coding = kAifLinear16;
  uint16_t channels = 0;
  uint32_t frames = 0;
  double rate = 0;
  std::optional<ChannelStatus> status;
  uint32_t embeddedChunkBytes = 0;  // "APPL", its size, "kelm" and the SMP head; 0 without one
  int64_t sampleCount = 0;          // every sample value of all channels, in whole scans
  int64_t dataSize = 0;
  bool padded = false;
  int64_t formSize = 0;
};

// The sizes describe the whole scans that follow. An odd sound data chunk gets the pad byte
// that every IFF chunk of odd size needs, counted in the FORM size.
AiffLayout PlanLayout(int32_t coding, int32_t channels, double rate, int32_t nSamples,
                      std::optional<ChannelStatus> status, uint32_t embeddedChunkBytes) {
  AiffLayout layout;
  layout.coding = coding;
  layout.channels = static_cast<uint16_t>(channels);
  layout.rate = rate;
  layout.status = status;
  layout.embeddedChunkBytes = embeddedChunkBytes;
  layout.sampleCount = std::max(nSamples, 0);
  layout.frames = static_cast<uint32_t>(layout.sampleCount / channels);
  layout.dataSize = layout.sampleCount * (coding == kAifLinear16 ? 2 : 1);
  layout.padded = layout.dataSize % 2 != 0;
  layout.formSize = 4 + (8 + kCommonSize) + (status ? 8 + kStatusSize : 0) + embeddedChunkBytes +
                    (8 + kSoundPrefix) + layout.dataSize + (layout.padded ? 1 : 0);
  return layout;
}

void WriteAiffHeader(ByteWriter& out, const AiffLayout& layout, TSMPfile& smp) {
  out.fourcc(kFormId);
  out.u32be(static_cast<uint32_t>(layout.formSize));
  out.fourcc(kAiffType);
  out.fourcc(kCommonId);
  out.u32be(kCommonSize);
  out.u16be(layout.channels);
  out.u32be(layout.frames);
  out.u16be(layout.coding == kAifLinear16 ? 16 : 8);
  out.extended80(layout.rate);
  if (layout.status) {
    out.fourcc(kStatusId);
    out.u32be(kStatusSize);
    out.Bytes(*layout.status);
  }
  if (layout.embeddedChunkBytes > 0) {
    WriteEmbeddedHeader(smp, out, kHeadContainer);
  }
  out.fourcc(kSoundId);
  out.u32be(static_cast<uint32_t>(layout.dataSize + kSoundPrefix));
  out.Zeros(kSoundPrefix);
}

void ExportSamples(ConversionContext& context, ByteWriter& out, const AiffLayout& layout,
                   bool dither, double factor) {
  std::optional<Encoder8> encoder;
  if (layout.coding == kAifLinear8) {
    encoder.emplace(Coding8::Linear8, factor,
                    dither ? std::optional<DitherRange>(kEightBit.dither) : std::nullopt,
                    *kEightBit.representation);
  }
  convert_steps::WriteExportSamples(context, out, layout.sampleCount, encoder,
                                    ByteOrder::BigEndian);
}

// The FORM size, the frames and the sound data size claim only the whole frames in the file,
// after a write error, a stop by the user or a source that held fewer samples than it said.
// The pad byte of an odd sound data chunk is not written then: the file may have no room.
void KeepSizesWritten(ByteWriter& out, const AiffLayout& layout, uint64_t dataStart) {
  const uint64_t frameBytes = uint64_t{layout.channels} * (layout.coding == kAifLinear16 ? 2 : 1);
  const uint64_t dataBytes = convert_steps::ScanBytesWritten(out, dataStart, frameBytes);
  convert_steps::PatchSize(out, 4, dataStart + dataBytes - 8, ByteOrder::BigEndian);
  convert_steps::PatchSize(out, kFramesOffset, dataBytes / frameBytes, ByteOrder::BigEndian);
  convert_steps::PatchSize(out, dataStart - kSoundPrefix - 4, dataBytes + kSoundPrefix,
                           ByteOrder::BigEndian);
}

// ---- Import ------------------------------------------------------------------------------

// What the "COMM" chunk says, with the values that stand until one is read.
struct CommonFields {
  int16_t channels = 1;
  uint32_t frames = 0;
  int16_t sampleSize = -1;
  double rate = 16000;
  FourCC compression = kNoCompression;
};

// The compression type as message text: bytes that are no printable ASCII become "?".
std::string CompressionText(const FourCC& compression) {
  std::string text(compression.view());
  for (char& c : text) {
    if (c < 0x20 || c > 0x7E) {
      c = '?';
    }
  }
  return text;
}

uint16_t BigEndian16(std::span<const uint8_t> bytes) {
  return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t BigEndian32(std::span<const uint8_t> bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}

std::string StatusText(const ChannelStatus& status) {
  std::string text;
  for (const uint8_t byte : status) {
    if (!text.empty()) {
      text += ',';
    }
    text += std::to_string(byte);
  }
  return text;
}

bool IsImportableCompression(const FourCC& compression) {
  for (const FourCC& known : {kNoCompression, kLittleEndian, kFloat32, kFloat64, kALaw, kMuLaw}) {
    if (compression == known) {
      return true;
    }
  }
  return false;
}

// How the sample frames are coded: 8-bit codes through a table, 16-bit words, or wider samples.
struct SoundCoding {
  enum class Kind { Table8, Linear16, Wide } kind = Kind::Linear16;
  ByteOrder order = ByteOrder::BigEndian;
  WideCoding wide = WideCoding::Int24;
  std::array<int16_t, 256> table{};
};

// The coding of an importable compression type; nothing for a sample size it cannot have.
// Floating point and G.711 say their width in the type, whatever the sample size says.
std::optional<SoundCoding> SoundCodingOf(const FourCC& compression, int16_t bits) {
  SoundCoding coding;
  const auto tableOf = [&coding](int16_t (*decode)(uint8_t)) {
    coding.kind = SoundCoding::Kind::Table8;
    for (int code = 0; code < 256; ++code) {
      coding.table[code] = decode(static_cast<uint8_t>(code));
    }
    return coding;
  };
  if (compression == kALaw) {
    return tableOf(&ALawToLinear);
  }
  if (compression == kMuLaw) {
    return tableOf(&MuLawToLinear);
  }
  coding.kind = SoundCoding::Kind::Wide;
  if (compression == kFloat32 || compression == kFloat64) {
    coding.wide = compression == kFloat32 ? WideCoding::Float32 : WideCoding::Float64;
    return coding;
  }
  if (compression == kLittleEndian) {
    coding.order = ByteOrder::LittleEndian;
  }
  if (bits == 24 || bits == 32) {
    coding.wide = bits == 24 ? WideCoding::Int24 : WideCoding::Int32;
    return coding;
  }
  if (bits >= 1 && bits <= 8) {
    return tableOf(&Signed8ToLinear);
  }
  if (bits >= 9 && bits <= 16) {
    coding.kind = SoundCoding::Kind::Linear16;
    return coding;
  }
  return std::nullopt;
}

// One import's walk over the chunks of the FORM.
class AiffChunkWalk {
 public:
  AiffChunkWalk(ConversionContext& context, const ImportViewSettings& settings, ByteReader& reader,
                uint32_t formSize, bool aifc, const std::string& inputPath)
      : context_(context),
        settings_(settings),
        smp_(context.SMPfile1),
        reader_(reader),
        formSize_(formSize),
        aifc_(aifc),
        inputPath_(inputPath),
        chunk_(std::make_unique<tsamplechunk>()),
        bytes_(std::make_unique<std::array<uint8_t, kBlockBytes>>()) {}

  void Run() {
    // The FORM size counts from the form type on, that is every byte after the first eight.
    ChunkWalker walker(context_, reader_, ByteOrder::BigEndian, int64_t{formSize_} + 8, 1,
                       inputPath_);
    while (!refused_) {
      const std::optional<ChunkHeader> header = walker.Next();
      if (!header) {
        if (walker.HeaderCut()) {
          context_.log.Append("Invalid data in " + FileNameOf(inputPath_));
          walker.ShortTold();  // that line tells already that the file was cut short
        }
        break;
      }
      const uint32_t size = header->size;
      const bool sound = header->id == kSoundId;
      ChunkBody body = walker.Body(sound ? walker.BytesToRead(size) : size);
      if (header->id == kApplicationId && size > 0) {
        TakeApplication(body);
      } else if (header->id == kCommonId && size > 0) {
        TakeCommon(body);
      } else if (header->id == kStatusId) {
        TakeStatus(body);
      } else if (sound) {
        ConvertSound(body, walker);
      }
      body.Finish();
    }
    const int64_t missing = int64_t{formSize_} + 8 - reader_.Size();
    if (formSize_ != kStreamingSize && missing > 0) {
      walker.NoteShort(missing);
    }
    // A compression type named after the sound data chunk still means the samples taken as
    // uncompressed are not the sound.
    if (!refused_ && !IsImportableCompression(common_.compression)) {
      RefuseCompression();
    }
    if (!refused_ && wide_) {
      wide_->LogReduction(context_);
    }
  }

  // The output must not stay: the file's samples could not be taken.
  bool Refused() const { return refused_; }
  bool HeadRestored() const { return headRestored_; }
  const CommonFields& Common() const { return common_; }
  bool StatusSeen() const { return statusSeen_; }
  const std::string& StatusItemText() const { return statusText_; }
  const ChannelStatus& Status() const { return status_; }

 private:
  void TakeApplication(ChunkBody& body) {
    std::array<uint8_t, 4> signature{};
    const size_t got = body.Read(signature);
    if (got == signature.size() &&
        std::equal(signature.begin(), signature.end(), kEmbeddedHeadId.bytes.begin())) {
      TakeEmbeddedHead(body);
    }
    smp_.SetMSBFirst(settings_.MSBFirst);
  }

  void TakeEmbeddedHead(ChunkBody& body) {
    // The samples already stored sit at the data offset of the head in force; a new head
    // would move that offset under them.
    if (storedSamples_ > 0) {
      context_.log.Append(inputPath_ +
                          " has an SMP header chunk after its samples; that header is ignored.");
      return;
    }
    // The restored head leaves out any label file reference: the import writes only its own
    // output, never a label file that someone else's head names.
    if (!ReadEmbeddedHeader(smp_, body)) {
      return;
    }
    headRestored_ = true;
    // The channel layout is the file's own, also while the samples are written.
    ApplyCommon();
    DropInvalidScan(context_, inputPath_);
    smp_.SetPosition(0);
  }

  void TakeCommon(ChunkBody& body) {
    std::array<uint8_t, kCommonSize + 4> fields{};
    const size_t wanted = aifc_ ? fields.size() : kCommonSize;
    const size_t got = body.Read(std::span(fields).first(wanted));
    // Only fields the chunk holds in full are taken.
    if (got >= 2) {
      common_.channels = static_cast<int16_t>(BigEndian16(std::span(fields).subspan(0, 2)));
    }
    if (got >= 6) {
      common_.frames = BigEndian32(std::span(fields).subspan(2, 4));
    }
    if (got >= 8) {
      common_.sampleSize = static_cast<int16_t>(BigEndian16(std::span(fields).subspan(6, 2)));
    }
    if (got >= kCommonSize) {
      Extended80 rate{};
      std::copy_n(fields.begin() + 8, rate.size(), rate.begin());
      common_.rate = BytesToExtended(rate);
    }
    if (aifc_ && got >= kCommonSize + 4) {
      std::array<char, 4> type{};
      std::copy_n(fields.begin() + kCommonSize, type.size(), type.begin());
      common_.compression = FourCC(type);
    }
    // An SMP file holds at least one and at most 128 channels.
    if (common_.channels < 1 || common_.channels > kMaxChannels) {
      ShowCannotImport(context_, inputPath_ + " has " + std::to_string(common_.channels) +
                                     " channels and cannot be imported");
      refused_ = true;
    }
  }

  void TakeStatus(ChunkBody& body) {
    statusSeen_ = true;
    statusText_.clear();
    status_ = {};
    if (body.Size() != kStatusSize) {
      return;
    }
    ChannelStatus bytes{};
    if (body.Read(bytes) == bytes.size()) {
      status_ = bytes;
      statusText_ = StatusText(bytes);
    }
  }

  void RefuseCompression() {
    context_.dialogs.ShowMessageBox(
        CompressionText(common_.compression) + " compressed files are not supported",
        "Unsupported file format", mbOk | mbIconExclamation);
    refused_ = true;
  }

  void ConvertSound(ChunkBody& body, const ChunkWalker& walker) {
    if (!IsImportableCompression(common_.compression)) {
      RefuseCompression();
      return;
    }
    body.Skip(kSoundPrefix);  // offset and block size: the frames follow directly
    const int16_t bits = common_.sampleSize;
    const std::optional<SoundCoding> coding = SoundCodingOf(common_.compression, bits);
    if (!coding) {
      // The refused chunk yields no samples; its rest is skipped with it.
      context_.log.Append("Bits per sample of " + std::to_string(bits) +
                          "is not supported. Conversion aborted.");
      return;
    }
    const bool linear16 = coding->kind == SoundCoding::Kind::Linear16;
    const bool wide = coding->kind == SoundCoding::Kind::Wide;
    const int64_t sampleBytes = wide ? WideSampleBytes(coding->wide) : linear16 ? 2 : 1;
    // Judged from the bytes the file really holds, so that a truncated file whose header
    // claims more still converts.
    const int64_t bytes =
        std::min<int64_t>(static_cast<int64_t>(body.Remaining()), walker.BytesInFile());
    if (WouldReachSizeLimit(storedSamples_ + bytes / sampleBytes)) {
      context_.log.Append(inputPath_ +
                          " would give an SMP file of 2 GiB or more. Sound data chunk skipped.");
      return;
    }
    while (body.Remaining() > 0) {
      size_t got = 0;
      if (wide) {
        if (!wide_) {
          wide_.emplace(coding->wide, coding->order);
        }
        got = wide_->Fill(body, *chunk_);
      } else if (linear16) {
        // Samples of 9 to 16 bits fill 16-bit words, taken as they are.
        const SampleRead read =
            body.ReadSamples16(std::span(chunk_->data, kBlockBytes / 2), coding->order);
        got = read.bytes;
        chunk_->used = static_cast<int32_t>(read.samples);
      } else {
        got = body.Read(*bytes_);
        for (size_t i = 0; i < got; ++i) {
          chunk_->data[i] = coding->table[(*bytes_)[i]];
        }
        chunk_->used = static_cast<int32_t>(got);
      }
      if (got == 0) {
        return;  // the file ends inside the chunk
      }
      if (chunk_->used == 0) {
        continue;  // the chunk ends inside its only sample
      }
      Tick(context_);
      smp_.SetChunk(*chunk_);
      Tick(context_);
      storedSamples_ += chunk_->used;
    }
  }

  void ApplyCommon() {
    smp_.SetSfTot(common_.channels * common_.rate);
    smp_.SetnChans(common_.channels);
  }

  ConversionContext& context_;
  const ImportViewSettings& settings_;
  TSMPfile& smp_;
  ByteReader& reader_;
  uint32_t formSize_;
  bool aifc_;
  const std::string& inputPath_;
  std::unique_ptr<tsamplechunk> chunk_;
  std::unique_ptr<std::array<uint8_t, kBlockBytes>> bytes_;
  std::optional<WideImport> wide_;
  CommonFields common_;
  bool statusSeen_ = false;
  std::string statusText_;
  ChannelStatus status_{};
  int64_t storedSamples_ = 0;
  bool headRestored_ = false;
  bool refused_ = false;
};

}  // namespace

void ExportAIFF(ConversionContext& context, const ExportAIFSettings& settings,
                const std::string& inputPath, const std::string& outputPath) {
  const std::optional<SMPFileCloser> source = BeginExport(
      context, inputPath, outputPath,
      CodingChoice{settings.Encoding,
                   settings.Encoding == kAifLinear8 || settings.Encoding == kAifLinear16,
                   "ExportAIF.Encoding"},
      SplitRate::Refused);
  if (!source) {
    return;
  }
  TSMPfile& smp = context.SMPfile1;

  const int32_t channels = smp.nChans();
  const double rate = channels > 0 ? smp.ChannelSf(0) : 0;
  if (channels < 1 || channels > 0x7FFF || !std::isfinite(rate) || rate < 0) {
    context.log.Append(inputPath + " has " + std::to_string(channels) + " channels at " +
                       FloatToStrDot(smp.SfTot()) +
                       " Hz, which an AIFF file cannot hold! Conversion aborted.");
    return;
  }
  const AiffLayout layout =
      PlanLayout(settings.Encoding, channels, rate, smp.nSamples(),
                 ChannelStatusOfItem(smp.get_item(kStatusItem)),
                 settings.StoreSMPHeader ? EmbeddedHeaderChunkBytes(smp, kHeadContainer) : 0);
  if (RefuseOutputSize(context, inputPath, layout.formSize + 8, "an AIFF")) {
    return;
  }
  // 16-bit output is never scaled, so its export needs no search for the extremes.
  const double factor =
      settings.Encoding == kAifLinear16
          ? 1.0
          : FitFactor(smp, settings.FitAmplitude, settings.DitherNoise, kAIFFFitRule);

  ByteWriter out(outputPath);
  out.Preallocate(static_cast<uint64_t>(layout.formSize) + 8);
  WriteAiffHeader(out, layout, smp);
  smp.SetPosition(0);
  const bool whole = WriteExportData(
      out, static_cast<uint64_t>(layout.dataSize),
      [&] { ExportSamples(context, out, layout, settings.DitherNoise, factor); },
      [&](uint64_t dataStart) { KeepSizesWritten(out, layout, dataStart); });
  if (whole && layout.padded) {
    out.u8(0);
  }
  out.Close();
}

void ImportAIFF(ConversionContext& context, const ImportViewSettings& settings,
                const std::string& inputPath, const std::string& outputPath) {
  const std::unique_ptr<ByteReader> source = BeginImport(context, inputPath, outputPath);
  if (!source) {
    return;
  }
  ByteReader& reader = *source;
  const FourCC form = reader.fourcc();
  const uint32_t formSize = reader.u32be();
  const FourCC formType = reader.fourcc();
  if (reader.ShortRead() || form != kFormId || (formType != kAiffType && formType != kAifcType)) {
    ShowCannotImport(context, inputPath + " does not appear to be an AIFF file");
    return;
  }

  TSMPfile& smp = context.SMPfile1;
  ImportOutput output(context, inputPath, outputPath);
  AiffChunkWalk walk(context, settings, reader, formSize, formType == kAifcType, inputPath);
  output.BeginSamples(settings);
  walk.Run();
  if (walk.Refused()) {
    output.Discard();
    return;
  }
  const auto completeHead = [&](bool restored) {
    smp.insert_nonpresent_defaults();
    if (!restored) {
      ApplyImportView(smp, settings);
    }
    smp.set_item("file", "samp");
    const CommonFields& common = walk.Common();
    smp.SetSfTot(common.channels * common.rate);
    smp.SetnChans(common.channels);
    if (restored) {
      DropInvalidScan(context, inputPath);
    }
    smp.set_proc(std::string(kProgramTitle) + " from " + inputPath);
    if (walk.StatusSeen()) {
      // An empty text (a status chunk of another length) removes the item.
      smp.set_item(kStatusItem, walk.StatusItemText());
      if ((walk.Status()[0] & kEmphasisBit) != 0) {
        smp.set_item("emphz", "50");
        smp.set_item("emphp", "15");
      }
    }
  };
  completeHead(walk.HeadRestored());
  output.Finish(inputPath, completeHead);
}

// The descriptor: what the tables of types, targets and settings know of AIFF and AIFC.

namespace {

namespace pp = probe_parts;

// "FORM" then "DS16" belongs to NSP whatever follows.
int32_t DetectAIFF(std::span<const uint8_t> bytes, int32_t) {
  if (!pp::HasTag(bytes, 0, "FORM") || pp::HasTag(bytes, 4, "DS16")) {
    return kNotThisFormatCode;
  }
  if (pp::HasTag(bytes, 8, "AIFF")) {
    return ftAIFF;
  }
  return pp::HasTag(bytes, 8, "AIFC") ? ftAIFC : kNotThisFormatCode;
}

// A duration needs a positive, finite rate.
bool UsableRate(double rate) {
  return std::isfinite(rate) && rate > 0;
}

std::string DescribeAIFF(int32_t, ByteReader& reader, int64_t fileSize,
                         const NumberFormat& format) {
  const FourCC form = reader.fourcc();
  const uint32_t formSize = reader.u32be();
  if (reader.ShortRead()) {
    return pp::CantOpen(reader);
  }
  if (form != FourCC("FORM")) {
    return "Unknown .aif file type " + pp::Printable(form);
  }
  const FourCC formType = reader.fourcc();
  const bool isAIFC = formType == FourCC("AIFC");
  if (formType != FourCC("AIFF") && !isAIFC) {
    return "Unknown IFF data type " + pp::Printable(formType);
  }
  int64_t remaining = int64_t{formSize} - 4;
  bool haveCommon = false;
  uint16_t channels = 0;
  uint32_t frames = 0;
  int16_t sampleSize = 0;
  double rate = 0;
  FourCC compression("NONE");
  while (remaining > 0 && !haveCommon) {
    const std::optional<ChunkHeader> chunk = ReadChunkHeader(reader, ByteOrder::BigEndian);
    if (!chunk) {
      break;
    }
    remaining -= 8 + int64_t{chunk->size} + (chunk->size & 1);
    if (chunk->id == FourCC("COMM") && chunk->size > 0) {
      channels = reader.u16be();
      frames = reader.u32be();
      sampleSize = reader.i16be();
      rate = reader.extended80();
      if (isAIFC) {
        compression = reader.fourcc();
      }
      haveCommon = !reader.ShortRead();
    } else {
      pp::PassBody(reader, chunk->size);
    }
  }
  if (!haveCommon || !UsableRate(rate)) {
    return std::string(pp::kUnknownEncoding);
  }
  const std::string coding = (!isAIFC || compression == FourCC("NONE"))
                                 ? std::string("lin ")
                                 : pp::Printable(compression) + " ";
  const double duration = frames / rate;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + coding + std::to_string(sampleSize) + ", " + FormatGeneral(rate, format) +
         " Hz, " + pp::Channels(channels);
}

std::string AIFFExtension(const ForeignFormatSettings&) {
  return ".aif";
}

constexpr std::array<std::string_view, 2> kAIFFExtensions = {".aiff", ".aif"};
constexpr std::array<std::string_view, 2> kAIFCExtensions = {".aifc", ".afc"};
constexpr std::array<FormatFileType, 2> kAIFFTypes = {{
    {ftAIFF, "AIFF", kAIFFExtensions},
    {ftAIFC, "AIFF-C", kAIFCExtensions},
}};

constexpr auto kImportAIFRows = ImportViewRows<&AIFFSettings::ImportAIF>();
constexpr std::array<SettingRow, 4> kExportAIFRows = {{
    {"FitAmplitude", SettingStorage::Everywhere,
     &RefTo<&AIFFSettings::ExportAIF, &ExportAIFSettings::FitAmplitude>},
    {"DitherNoise", SettingStorage::Everywhere,
     &RefTo<&AIFFSettings::ExportAIF, &ExportAIFSettings::DitherNoise>},
    {"StoreSMPHeader", SettingStorage::Everywhere,
     &RefTo<&AIFFSettings::ExportAIF, &ExportAIFSettings::StoreSMPHeader>},
    {"Encoding", SettingStorage::Everywhere,
     &RefTo<&AIFFSettings::ExportAIF, &ExportAIFSettings::Encoding>},
}};
constexpr std::array<SettingsSection, 2> kAIFFSections = {{
    {"ImportAIF", 3, kImportAIFRows},
    {"ExportAIF", 10, kExportAIFRows},
}};

}  // namespace

std::string_view AIFCodingWord(int32_t encoding) {
  switch (encoding) {
    case 0:
      return "8-bit";
    case 1:
      return "16-bit";
    default:
      return {};
  }
}

std::string AIFFHeaderLine(const ForeignFormatSettings& settings) {
  const ExportAIFSettings& options = settings.ExportAIF;
  std::string line = "AIFF: " + std::string(AIFCodingWord(options.Encoding));
  if (options.FitAmplitude && options.Encoding == 0) {
    line += ", fit";
  }
  if (options.DitherNoise && options.Encoding == 0) {
    line += ", dither";
  }
  if (options.StoreSMPHeader) {
    line += ", smphead";
  }
  return line;
}

const FormatDescriptor AIFFFormat::descriptor = {
    .format = "AIFF",
    .types = kAIFFTypes,
    .detect = &DetectAIFF,
    .stage = DetectionStage::Header,
    // A "FORM" of a kind no format reads is headerless data.
    .reservedTag = "FORM",
    .describe = &DescribeAIFF,
    .settings = kAIFFSections,
    .importer = FormatImport{.convert = &WithSection<&AIFFSettings::ImportAIF, &ImportAIFF>},
    .exporter =
        FormatExport{
            .buttonName = "aifbutton",
            .caption = "AIFF !",
            .cliAction = "to-aiff",
            .cliHelp = "export SMP files to AIFF",
            .extension = &AIFFExtension,
            .refusalExtension = ".aif",
            .refusalPlace = 3,
            .headerLine = &AIFFHeaderLine,
            .batchLogsCancel = false,
            .convert = &WithSection<&AIFFSettings::ExportAIF, &ExportAIFF>,
            .eightBit = kEightBit,
        },
    .embeddedHead = kHeadContainer,
};

}  // namespace vorsel
