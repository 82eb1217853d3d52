#include "formats/wav.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "codings/encoder8.h"
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
constexpr HeadContainer kHeadContainer = HeadContainer::KelmChunk;
constexpr EightBitLinear kEightBit{Representation::OffsetBinary, kDitherUpward};

using convert_steps::ApplyImportView;
using convert_steps::BeginExport;
using convert_steps::BeginImport;
using convert_steps::CodingChoice;
using convert_steps::DropInvalidScan;
using convert_steps::ImportOutput;
using convert_steps::kProgramTitle;
using convert_steps::RefuseOutputSize;
using convert_steps::ShowCannotImport;
using convert_steps::SMPFileCloser;
using convert_steps::SplitRate;
using convert_steps::Tick;
using convert_steps::WouldReachSizeLimit;
using convert_steps::WriteExportData;

constexpr uint16_t kTagPCM = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagMuLaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The bytes of a WAVE_FORMAT_EXTENSIBLE sub-format identifier after its leading format tag.
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint32_t kExtensibleFormatSize = 40;

enum WavCoding : int32_t { kMuLaw = 0, kALaw = 1, kLinear8 = 2, kLinear16 = 3 };

// "fmt " fields and sizes written before the samples, for each coding.
constexpr uint32_t kPCMFormatSize = 16;
constexpr uint32_t kG711FormatSize = 18;
constexpr int64_t kPCMHeaderBytes = 36;   // "WAVE", "fmt " chunk, "data" header
constexpr int64_t kG711HeaderBytes = 50;  // the same with the extra size and "fact"

// ---- Import ------------------------------------------------------------------------------

struct WavFormat {
  ByteOrder order = ByteOrder::LittleEndian;  // big-endian in a "RIFX" file
  uint32_t riffSize = 0;
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint16_t bitsPerSample = 0;
};

bool IsImportableTag(uint16_t tag) {
  return tag == kTagPCM || tag == kTagFloat || tag == kTagALaw || tag == kTagMuLaw;
}

// Checks the RIFF header and reads the format chunk, which must come first; the reader is left
// at the chunk after it. A format chunk too short for its 16 fields, or without channels, does
// not describe samples that could be read, nor does one of 2 GiB or more.
std::optional<WavFormat> ReadWavHeader(ByteReader& reader) {
  WavFormat format;
  const FourCC riff = reader.fourcc();
  if (riff == FourCC("RIFX")) {
    format.order = ByteOrder::BigEndian;
  }
  const ByteOrder order = format.order;
  format.riffSize = reader.u32(order);
  if (reader.ShortRead() || (riff != FourCC("RIFF") && riff != FourCC("RIFX"))) {
    return std::nullopt;
  }
  const FourCC wave = reader.fourcc();
  const FourCC fmt = reader.fourcc();
  const uint32_t formatSize = reader.u32(order);
  format.tag = reader.u16(order);
  format.channels = reader.u16(order);
  format.samplesPerSecond = reader.u32(order);
  reader.u32(order);  // average bytes per second
  reader.u16(order);  // block align
  format.bitsPerSample = reader.u16(order);
  uint32_t read = 16;
  if (format.tag == kTagExtensible && formatSize >= kExtensibleFormatSize) {
    // Written for more than two channels or 16 bits: the coding is the sub-format's.
    reader.u16(order);  // size of the extension
    reader.u16(order);  // valid bits per sample
    reader.u32(order);  // channel mask
    const uint16_t subTag = reader.u16(order);
    std::array<uint8_t, kSubFormatTail.size()> tail{};
    reader.ReadExact(tail);
    format.tag = tail == kSubFormatTail ? subTag : kTagExtensible;
    read = kExtensibleFormatSize;
  }
  if (reader.ShortRead() || wave != FourCC("WAVE") || fmt != FourCC("fmt ") ||
      !IsImportableTag(format.tag) || formatSize < 16 || formatSize > INT32_MAX ||
      format.channels == 0) {
    return std::nullopt;
  }
  const uint64_t extra = uint64_t{formatSize} - read;
  reader.Skip(extra + extra % 2);
  return format;
}

// Rate and channel count always come from the format chunk, also over a restored head.
void ApplyFormat(TSMPfile& smp, const WavFormat& format) {
  smp.SetSfTot(static_cast<double>(int64_t{format.channels} * format.samplesPerSecond));
  smp.SetnChans(format.channels);
}

// One import's walk over the chunks after the format chunk.
class WavChunkWalk {
 public:
  WavChunkWalk(ConversionContext& context, const ImportViewSettings& settings, ByteReader& reader,
               const WavFormat& format, const std::string& inputPath)
      : context_(context),
        settings_(settings),
        smp_(context.SMPfile1),
        reader_(reader),
        format_(format),
        inputPath_(inputPath),
        chunk_(std::make_unique<tsamplechunk>()),
        bytes_(std::make_unique<std::array<uint8_t, kBlockBytes>>()) {}

  void Run() {
    // The RIFF size counts from "WAVE" on, that is every byte after the first eight.
    ChunkWalker walker(context_, reader_, format_.order, int64_t{format_.riffSize} + 8, 8,
                       inputPath_);
    while (!stop_) {
      const std::optional<ChunkHeader> header = walker.Next();
      if (!header) {
        break;
      }
      const bool data = header->id == FourCC("data");
      ChunkBody body = walker.Body(data ? walker.BytesToRead(header->size) : header->size);
      if (header->id == FourCC("kelm")) {
        TakeEmbeddedHead(body);
      } else if (data) {
        ConvertData(body, walker);
      }
      body.Finish();
    }
  }

  bool HeadRestored() const { return headRestored_; }

  // The reduction of samples wider than 16 bits, when the file's were.
  const std::optional<WideImport>& Wide() const { return wide_; }

 private:
  void TakeEmbeddedHead(ChunkBody& body) {
    // The samples already stored sit at the data offset of the head in force; a new head
    // would move that offset under them.
    if (storedSamples_ > 0) {
      context_.log.Append(inputPath_ +
                          " has an SMP header chunk after its samples; that header is ignored.");
      return;
    }
    if (ReadEmbeddedHeader(smp_, body)) {
      headRestored_ = true;
      // The channel layout is the format chunk's, also while the samples are written.
      ApplyFormat(smp_, format_);
      DropInvalidScan(context_, inputPath_);
    }
    smp_.SetMSBFirst(settings_.MSBFirst);
    if (headRestored_) {
      smp_.SetPosition(0);
    }
  }

  // The coding of samples wider than 16 bits; nothing for the others.
  std::optional<WideCoding> WideCodingOf() const {
    const uint16_t bits = format_.bitsPerSample;
    if (format_.tag == kTagPCM && (bits == 24 || bits == 32)) {
      return bits == 24 ? WideCoding::Int24 : WideCoding::Int32;
    }
    if (format_.tag == kTagFloat && (bits == 32 || bits == 64)) {
      return bits == 32 ? WideCoding::Float32 : WideCoding::Float64;
    }
    return std::nullopt;
  }

  void ConvertData(ChunkBody& body, const ChunkWalker& walker) {
    const bool linear16 = format_.tag == kTagPCM && format_.bitsPerSample == 16;
    const std::optional<WideCoding> wide = WideCodingOf();
    const bool linear8 = format_.tag == kTagPCM && format_.bitsPerSample == 8;
    if ((format_.tag == kTagPCM || format_.tag == kTagFloat) && !linear16 && !linear8 && !wide) {
      context_.log.Append("Bits per sample of " + std::to_string(format_.bitsPerSample) +
                          "is not supported. Conversion aborted.");
      return;
    }
    const int64_t sampleBytes = wide ? WideSampleBytes(*wide) : linear16 ? 2 : 1;
    // Judged from the bytes the file really holds, so that a truncated file whose header
    // claims more still converts.
    const int64_t bytes =
        std::min<int64_t>(static_cast<int64_t>(body.Remaining()), walker.BytesInFile());
    if (WouldReachSizeLimit(storedSamples_ + bytes / sampleBytes)) {
      context_.log.Append(inputPath_ +
                          " would give an SMP file of 2 GiB or more. Data chunk skipped.");
      return;
    }
    const std::array<int16_t, 256> decode = DecodingTable();
    while (body.Remaining() > 0) {
      size_t got = 0;
      if (wide) {
        if (!wide_) {
          wide_.emplace(*wide, format_.order);
        }
        got = wide_->Fill(body, *chunk_);
      } else if (linear16) {
        // Two blocks of the file fill one chunk, so that the SMP file grows a whole chunk at a
        // time; an odd byte can only be the body's last.
        const SampleRead read = body.ReadSamples16(std::span(chunk_->data), format_.order);
        got = read.bytes;
        chunk_->used = static_cast<int32_t>(read.samples);
      } else {
        got = body.Read(*bytes_);
        for (size_t i = 0; i < got; ++i) {
          chunk_->data[i] = decode[(*bytes_)[i]];
        }
        chunk_->used = static_cast<int32_t>(got);
      }
      if (got == 0) {
        stop_ = true;  // the file ends inside the data chunk
        return;
      }
      if (chunk_->used == 0) {
        continue;  // the body ends inside its only sample
      }
      Tick(context_);
      smp_.SetChunk(*chunk_);
      Tick(context_);
      storedSamples_ += chunk_->used;
    }
  }

  // 8-bit codes to samples; unused for 16-bit data.
  std::array<int16_t, 256> DecodingTable() const {
    std::array<int16_t, 256> table{};
    for (int code = 0; code < 256; ++code) {
      const auto byte = static_cast<uint8_t>(code);
      table[code] = format_.tag == kTagALaw    ? ALawToLinear(byte)
                    : format_.tag == kTagMuLaw ? MuLawToLinear(byte)
                                               : Offset8ToLinear(byte);
    }
    return table;
  }

  ConversionContext& context_;
  const ImportViewSettings& settings_;
  TSMPfile& smp_;
  ByteReader& reader_;
  const WavFormat& format_;
  const std::string& inputPath_;
  std::unique_ptr<tsamplechunk> chunk_;
  std::unique_ptr<std::array<uint8_t, kBlockBytes>> bytes_;
  std::optional<WideImport> wide_;
  int64_t storedSamples_ = 0;
  bool headRestored_ = false;
  bool stop_ = false;
};

// The head items an import adds after the samples: defaults and the import's view unless a head
// was restored, then the format chunk's rate and channels and the processing step.
void CompleteHead(ConversionContext& context, const ImportViewSettings& settings,
                  const WavFormat& format, const std::string& inputPath, bool headRestored) {
  TSMPfile& smp = context.SMPfile1;
  if (!headRestored) {
    smp.insert_nonpresent_defaults();
    ApplyImportView(smp, settings);
  }
  ApplyFormat(smp, format);
  smp.set_proc(std::string(kProgramTitle) + " from " + inputPath);
  smp.set_item("file", "samp");
}

// ---- Export ------------------------------------------------------------------------------

struct WavLayout {
  uint16_t tag = kTagPCM;
  uint16_t bitsPerSample = 16;
  uint32_t formatSize = kPCMFormatSize;
  bool hasFact = false;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t sampleCount = 0;         // every sample value of all channels, in whole scans
  uint32_t embeddedChunkBytes = 0;  // "kelm", its size and the SMP head; 0 without one
  int64_t dataSize = 0;
  int64_t riffSize = 0;
};

bool IsWavCoding(int32_t coding) {
  return coding >= kMuLaw && coding <= kLinear16;
}

// Rate per channel, halves to the even neighbour.
double RatePerChannel(double sfTot, int32_t channels) {
  return std::nearbyint(sfTot / channels);
}

// The sizes describe the whole scans that follow, so that a source ending in a partial scan or
// an odd byte gets a header that claims no more than the file holds.
WavLayout PlanLayout(int32_t coding, uint16_t channels, uint32_t rate, int32_t nSamples,
                     uint32_t embeddedChunkBytes) {
  WavLayout layout;
  layout.channels = channels;
  layout.samplesPerSecond = rate;
  layout.sampleCount = static_cast<uint32_t>(std::max(nSamples, 0));
  int64_t headerBytes = kPCMHeaderBytes;
  if (coding == kMuLaw || coding == kALaw) {
    layout.tag = coding == kMuLaw ? kTagMuLaw : kTagALaw;
    layout.formatSize = kG711FormatSize;
    layout.hasFact = true;
    headerBytes = kG711HeaderBytes;
  }
  layout.bitsPerSample = coding == kLinear16 ? 16 : 8;
  layout.dataSize = int64_t{layout.sampleCount} * (layout.bitsPerSample / 8);
  layout.riffSize = layout.dataSize + headerBytes;
  layout.embeddedChunkBytes = embeddedChunkBytes;
  layout.riffSize += embeddedChunkBytes;
  return layout;
}

void WriteWavHeader(ByteWriter& out, const WavLayout& layout, TSMPfile& smp) {
  const uint16_t blockAlign = static_cast<uint16_t>(layout.channels * (layout.bitsPerSample / 8));
  out.fourcc("RIFF");
  out.u32le(static_cast<uint32_t>(layout.riffSize));
  out.fourcc("WAVE");
  out.fourcc("fmt ");
  out.u32le(layout.formatSize);
  out.u16le(layout.tag);
  out.u16le(layout.channels);
  out.u32le(layout.samplesPerSecond);
  out.u32le(blockAlign * layout.samplesPerSecond);
  out.u16le(blockAlign);
  out.u16le(layout.bitsPerSample);
  if (layout.hasFact) {
    out.u16le(0);  // no further format bytes
    out.fourcc("fact");
    out.u32le(4);
    out.u32le(layout.sampleCount);
  }
  if (layout.embeddedChunkBytes > 0) {
    WriteEmbeddedHeader(smp, out, kHeadContainer);
  }
  out.fourcc("data");
  out.u32le(static_cast<uint32_t>(layout.dataSize));
}

Coding8 Coding8Of(int32_t coding) {
  return coding == kMuLaw ? Coding8::MuLaw : coding == kALaw ? Coding8::ALaw : Coding8::Linear8;
}

double ExportFactor(TSMPfile& smp, const ExportCodingSettings& settings) {
  // 16-bit output is never scaled, so its export needs no search for the extremes.
  if (settings.Encoding == kLinear16) {
    return 1;
  }
  return FitFactor(smp, settings.FitAmplitude, settings.DitherNoise, kWAVFitRule);
}

void WriteSamples(ConversionContext& context, ByteWriter& out, const WavLayout& layout,
                  int32_t coding, bool dither, double factor) {
  std::optional<Encoder8> encoder;
  if (coding != kLinear16) {
    encoder.emplace(Coding8Of(coding), factor,
                    dither ? std::optional<DitherRange>(kEightBit.dither) : std::nullopt,
                    *kEightBit.representation);
  }
  convert_steps::WriteExportSamples(context, out, layout.sampleCount, encoder,
                                    ByteOrder::LittleEndian);
}

// The header claims only the whole scans that are in the file, so that a file cut short by a
// write error or a shorter source still reads as what it holds.
void KeepSizesWritten(ByteWriter& out, const WavLayout& layout, uint64_t dataStart) {
  const uint64_t blockAlign = uint64_t{layout.channels} * (layout.bitsPerSample / 8);
  const uint64_t dataBytes = convert_steps::ScanBytesWritten(out, dataStart, blockAlign);
  convert_steps::PatchSize(out, 4, dataStart + dataBytes - 8, ByteOrder::LittleEndian);
  convert_steps::PatchSize(out, dataStart - 4, dataBytes, ByteOrder::LittleEndian);
  if (layout.hasFact) {
    convert_steps::PatchSize(out, kG711HeaderBytes - 4, dataBytes, ByteOrder::LittleEndian);
  }
}

}  // namespace

void ImportWAV(ConversionContext& context, const ImportViewSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  const std::unique_ptr<ByteReader> source = BeginImport(context, inputPath, outputPath);
  if (!source) {
    return;
  }
  ByteReader& reader = *source;
  const std::optional<WavFormat> format = ReadWavHeader(reader);
  if (!format) {
    ShowCannotImport(context, inputPath + " does not appear to be a WAV file");
    return;
  }
  if (format->channels > kMaxChannels) {
    ShowCannotImport(context, inputPath + " has " + std::to_string(format->channels) +
                                  " channels, more than an SMP file can hold (" +
                                  std::to_string(kMaxChannels) + ")");
    return;
  }

  ImportOutput output(context, inputPath, outputPath);
  output.BeginSamples(settings);
  WavChunkWalk walk(context, settings, reader, *format, inputPath);
  walk.Run();
  if (walk.Wide()) {
    walk.Wide()->LogReduction(context);
  }

  CompleteHead(context, settings, *format, inputPath, walk.HeadRestored());
  output.Finish(inputPath, [&](bool headRestored) {
    CompleteHead(context, settings, *format, inputPath, headRestored);
  });
}

void ExportWAV(ConversionContext& context, const ExportCodingSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  const std::optional<SMPFileCloser> source = BeginExport(
      context, inputPath, outputPath,
      CodingChoice{settings.Encoding, IsWavCoding(settings.Encoding), "ExportWAV.Encoding"},
      SplitRate::Refused);
  if (!source) {
    return;
  }
  TSMPfile& smp = context.SMPfile1;

  const int32_t channels = smp.nChans();
  const double rate = channels > 0 ? RatePerChannel(smp.SfTot(), channels) : 0;
  if (channels < 1 || channels > 0x7FFF || !(rate >= 0 && rate * channels * 2 <= UINT32_MAX)) {
    context.log.Append(inputPath + ": nchans=" + std::to_string(channels) +
                       ", sftot=" + FloatToStrDot(smp.SfTot()) +
                       " cannot be written to a WAV file! Conversion aborted.");
    return;
  }
  const WavLayout layout = PlanLayout(
      settings.Encoding, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate),
      smp.nSamples(), settings.StoreSMPHeader ? EmbeddedHeaderChunkBytes(smp, kHeadContainer) : 0);
  if (RefuseOutputSize(context, inputPath, layout.riffSize + 8, "a WAV")) {
    return;
  }
  const double factor = ExportFactor(smp, settings);

  ByteWriter out(outputPath);
  out.Preallocate(static_cast<uint64_t>(layout.riffSize) + 8);
  WriteWavHeader(out, layout, smp);
  WriteExportData(
      out, static_cast<uint64_t>(layout.dataSize),
      [&] { WriteSamples(context, out, layout, settings.Encoding, settings.DitherNoise, factor); },
      [&](uint64_t dataStart) { KeepSizesWritten(out, layout, dataStart); });
  out.Close();
}

// The descriptor: what the tables of types, targets and settings know of WAV.

namespace {

namespace pp = probe_parts;

int32_t DetectWAV(std::span<const uint8_t> bytes, int32_t) {
  return pp::HasTag(bytes, 0, "RIFF") || pp::HasTag(bytes, 0, "RIFX") ? ftWAV : kNotThisFormatCode;
}

// From the canonical 44-byte header at fixed offsets; no chunk walk. An extensible format
// chunk names its coding in the two bytes after those.
std::string DescribeWAV(int32_t, ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  std::array<uint8_t, 46> header{};
  if (!reader.ReadExact(std::span(header).first(44))) {
    return pp::CantOpen(reader);
  }
  const bool bigEndian = pp::HasTag(header, 0, "RIFX");
  const auto u16 = [&](size_t at) {
    return bigEndian ? pp::U16be(header, at) : pp::U16le(header, at);
  };
  uint16_t tag = u16(20);
  const uint16_t channels = u16(22);
  const uint32_t rate = bigEndian ? pp::U32be(header, 24) : pp::U32le(header, 24);
  const uint16_t bits = u16(34);
  if (tag == kTagExtensible && reader.ReadExact(std::span(header).last(2))) {
    tag = u16(44);
  }
  uint32_t bytes = bits / 8;
  std::string coding;
  switch (tag) {
    case kTagPCM:
      coding = "lin " + std::to_string(bits) + ", ";
      break;
    case kTagFloat:
      coding = "float " + std::to_string(bits) + ", ";
      break;
    case 6:
      coding = "A-law, ";
      break;
    case 7:
      coding = "u-law, ";
      break;
    default:
      bytes = 0;
      break;
  }
  if (rate == 0 || channels == 0 || bytes == 0) {
    return std::string(pp::kUnknownEncoding) + " (" + std::to_string(tag) + ")";
  }
  // The whole file counts, header included.
  const double duration = static_cast<double>(fileSize) / rate / channels / bytes;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + coding + std::to_string(rate) + " Hz, " + pp::Channels(channels);
}

std::string WAVExtension(const ForeignFormatSettings&) {
  return ".wav";
}

constexpr std::array<std::string_view, 1> kWAVExtensions = {".wav"};
constexpr std::array<FormatFileType, 1> kWAVTypes = {{{ftWAV, "WAV", kWAVExtensions}}};

constexpr auto kImportWAVRows = ImportViewRows<&WAVSettings::ImportWAV>();
constexpr std::array<SettingRow, 4> kExportWAVRows = {{
    {"FitAmplitude", SettingStorage::Everywhere,
     &RefTo<&WAVSettings::ExportWAV, &ExportCodingSettings::FitAmplitude>},
    {"DitherNoise", SettingStorage::Everywhere,
     &RefTo<&WAVSettings::ExportWAV, &ExportCodingSettings::DitherNoise>},
    {"StoreSMPHeader", SettingStorage::Everywhere,
     &RefTo<&WAVSettings::ExportWAV, &ExportCodingSettings::StoreSMPHeader>},
    {"Encoding", SettingStorage::Everywhere,
     &RefTo<&WAVSettings::ExportWAV, &ExportCodingSettings::Encoding>},
}};
constexpr std::array<SettingsSection, 2> kWAVSections = {{
    {"ImportWAV", 1, kImportWAVRows},
    {"ExportWAV", 7, kExportWAVRows},
}};

}  // namespace

std::string WAVHeaderLine(const ForeignFormatSettings& settings) {
  return CodingHeaderLine("WAV", settings.ExportWAV);
}

const FormatDescriptor WAVFormat::descriptor = {
    .format = "WAV",
    .types = kWAVTypes,
    .detect = &DetectWAV,
    .stage = DetectionStage::Header,
    .reservedTag = {},
    .describe = &DescribeWAV,
    .settings = kWAVSections,
    .importer = FormatImport{.convert = &WithSection<&WAVSettings::ImportWAV, &ImportWAV>},
    .exporter =
        FormatExport{
            .buttonName = "wavbutton",
            .caption = "WAV !",
            .cliAction = "to-wav",
            .cliHelp = "export SMP files to WAV",
            .extension = &WAVExtension,
            .refusalExtension = ".wav",
            .refusalPlace = 2,
            .headerLine = &WAVHeaderLine,
            .batchLogsCancel = true,
            .convert = &WithSection<&WAVSettings::ExportWAV, &ExportWAV>,
            .eightBit = kEightBit,
        },
    .embeddedHead = kHeadContainer,
};

}  // namespace vorsel
