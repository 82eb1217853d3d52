#include "formats/au.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "codings/encoder8.h"
#include "codings/fit.h"
#include "codings/g711.h"
#include "codings/linear.h"
#include "codings/wide.h"
#include "fileio/byteio.h"
#include "formats/batch_words.h"
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
constexpr EightBitLinear kEightBit{Representation::Signed, kDitherCentred};

using namespace convert_steps;

constexpr FourCC kMagic = ".snd";
constexpr uint32_t kHeaderBytes = 24;

constexpr uint32_t kEncodingMuLaw = 1;
constexpr uint32_t kEncodingLinear8 = 2;
constexpr uint32_t kEncodingLinear16 = 3;
constexpr uint32_t kEncodingLinear24 = 4;
constexpr uint32_t kEncodingLinear32 = 5;
constexpr uint32_t kEncodingFloat = 6;
constexpr uint32_t kEncodingDouble = 7;
constexpr uint32_t kEncodingALaw = 27;

// The codings ExportAU.Encoding 0 to 5 stand for. The header values 6, 7 and 8 would name
// (float and ADPCM encodings) have no sample conversion, so they are not offered.
struct AuCoding {
  uint32_t encoding;
  uint32_t bytesPerSample;
};

constexpr std::array<AuCoding, 6> kExportCodings = {{
    {kEncodingMuLaw, 1},
    {kEncodingALaw, 1},
    {kEncodingLinear8, 1},
    {kEncodingLinear16, 2},
    {kEncodingLinear24, 3},
    {kEncodingLinear32, 4},
}};

// ---- Import ------------------------------------------------------------------------------

// Every field is an unsigned big-endian 32-bit number.
struct AuHeader {
  uint32_t dataOffset = 0;
  uint32_t dataSize = 0;
  uint32_t encoding = 0;
  uint32_t rate = 0;
  uint32_t channels = 0;
};

// The encodings of samples wider than 16 bits.
std::optional<WideCoding> WideCodingOf(uint32_t encoding) {
  switch (encoding) {
    case kEncodingLinear24:
      return WideCoding::Int24;
    case kEncodingLinear32:
      return WideCoding::Int32;
    case kEncodingFloat:
      return WideCoding::Float32;
    case kEncodingDouble:
      return WideCoding::Float64;
    default:
      return std::nullopt;
  }
}

bool IsImportableEncoding(uint32_t encoding) {
  return encoding == kEncodingMuLaw || encoding == kEncodingLinear8 ||
         encoding == kEncodingLinear16 || encoding == kEncodingALaw ||
         WideCodingOf(encoding).has_value();
}

std::optional<AuHeader> ReadAuHeader(ByteReader& reader) {
  AuHeader header;
  const FourCC magic = reader.fourcc();
  header.dataOffset = reader.u32be();
  header.dataSize = reader.u32be();  // the samples run to the end of the file whatever it says
  header.encoding = reader.u32be();
  header.rate = reader.u32be();
  header.channels = reader.u32be();
  if (reader.ShortRead() || magic != kMagic || !IsImportableEncoding(header.encoding)) {
    return std::nullopt;
  }
  return header;
}

// The samples that the bytes after the data offset become.
int64_t SampleCount(const ByteReader& reader, const AuHeader& header) {
  const int64_t dataBytes = std::max<int64_t>(0, reader.Size() - int64_t{header.dataOffset});
  const std::optional<WideCoding> wide = WideCodingOf(header.encoding);
  const int64_t sampleBytes = wide                                   ? WideSampleBytes(*wide)
                              : header.encoding == kEncodingLinear16 ? 2
                                                                     : 1;
  return dataBytes / sampleBytes;
}

std::array<int16_t, 256> DecodingTable(uint32_t encoding) {
  std::array<int16_t, 256> table{};
  for (int code = 0; code < 256; ++code) {
    const auto byte = static_cast<uint8_t>(code);
    table[code] = encoding == kEncodingMuLaw  ? MuLawToLinear(byte)
                  : encoding == kEncodingALaw ? ALawToLinear(byte)
                                              : Signed8ToLinear(byte);
  }
  return table;
}

// From the reader's position to the end of the file.
void ImportSamples(ConversionContext& context, ByteReader& reader, uint32_t encoding) {
  TSMPfile& smp = context.SMPfile1;
  const auto chunk = std::make_unique<tsamplechunk>();
  const auto bytes = std::make_unique<std::array<uint8_t, kBlockBytes>>();
  const std::array<int16_t, 256> decode = DecodingTable(encoding);
  std::optional<WideImport> wide;
  if (const std::optional<WideCoding> coding = WideCodingOf(encoding)) {
    wide.emplace(*coding, ByteOrder::BigEndian);
  }
  for (;;) {
    if (wide) {
      if (wide->Fill(reader, *chunk) == 0) {
        break;
      }
      if (chunk->used == 0) {
        continue;  // the file ends inside its only sample
      }
    } else if (encoding == kEncodingLinear16) {
      const SampleRead read = reader.ReadSamples16(std::span(chunk->data), ByteOrder::BigEndian,
                                                   Representation::Signed, 2 * kBlockBytes);
      if (read.bytes == 0) {
        break;
      }
      chunk->used = static_cast<int32_t>(read.samples);
    } else {
      const size_t got = reader.Read(*bytes);
      if (got == 0) {
        break;
      }
      for (size_t i = 0; i < got; ++i) {
        chunk->data[i] = decode[(*bytes)[i]];
      }
      chunk->used = static_cast<int32_t>(got);
    }
    Tick(context);
    smp.SetChunk(*chunk);
    Tick(context);
  }
  if (wide) {
    wide->LogReduction(context);
  }
}

// ---- Export ------------------------------------------------------------------------------

struct AuLayout {
  AuCoding coding;
  uint32_t dataOffset = kHeaderBytes;
  int64_t sampleCount = 0;  // every sample value of all channels, in whole scans
  int64_t dataSize = 0;
  uint32_t rate = 0;
  uint32_t channels = 0;
};

// The sizes describe the whole scans that follow, so that a source ending in a partial scan or
// an odd byte gets a header that claims no more than the file holds.
AuLayout PlanLayout(const AuCoding& coding, int32_t nSamples, uint32_t rate, uint32_t channels,
                    uint32_t embeddedChunkBytes) {
  AuLayout layout{.coding = coding};
  layout.dataOffset = kHeaderBytes + embeddedChunkBytes;
  layout.sampleCount = std::max(nSamples, 0);
  layout.dataSize = layout.sampleCount * coding.bytesPerSample;
  layout.rate = rate;
  layout.channels = channels;
  return layout;
}

void WriteAuHeader(ByteWriter& out, const AuLayout& layout) {
  out.fourcc(kMagic);
  out.u32be(layout.dataOffset);
  out.u32be(static_cast<uint32_t>(layout.dataSize));
  out.u32be(layout.coding.encoding);
  out.u32be(layout.rate);
  out.u32be(layout.channels);
}

std::optional<Coding8> Coding8Of(uint32_t encoding) {
  switch (encoding) {
    case kEncodingMuLaw:
      return Coding8::MuLaw;
    case kEncodingALaw:
      return Coding8::ALaw;
    case kEncodingLinear8:
      return Coding8::Linear8;
    default:
      return std::nullopt;
  }
}

// 24- and 32-bit samples: the scaled sample as the top 16 bits, zero bytes below it.
void EncodeWide(std::span<const int16_t> samples, double factor, uint32_t bytesPerSample,
                uint8_t* out) {
  for (const int16_t x : samples) {
    const auto word = static_cast<uint16_t>(ScaleSample(x, factor));
    *out++ = static_cast<uint8_t>(word >> 8);
    *out++ = static_cast<uint8_t>(word);
    for (uint32_t k = 2; k < bytesPerSample; ++k) {
      *out++ = 0;
    }
  }
}

void ExportSamples(ConversionContext& context, const ExportCodingSettings& settings,
                   ByteWriter& out, const AuLayout& layout, double factor) {
  const uint32_t encoding = layout.coding.encoding;
  std::optional<Encoder8> encoder;
  if (const std::optional<Coding8> coding8 = Coding8Of(encoding)) {
    encoder.emplace(
        *coding8, factor,
        settings.DitherNoise ? std::optional<DitherRange>(kEightBit.dither) : std::nullopt,
        *kEightBit.representation);
  }
  if (encoding == kEncodingLinear16 || encoder) {
    WriteExportSamples(context, out, layout.sampleCount, encoder, ByteOrder::BigEndian);
    return;
  }
  const auto codes = std::make_unique<std::array<uint8_t, 4 * kChunkCapacity>>();
  ForEachSourceChunk(context, layout.sampleCount, [&](std::span<const int16_t> samples) {
    EncodeWide(samples, factor, layout.coding.bytesPerSample, codes->data());
    out.Bytes(
        std::span<const uint8_t>(codes->data(), samples.size() * layout.coding.bytesPerSample));
  });
}

}  // namespace

void ImportAU(ConversionContext& context, const ImportViewSettings& settings,
              const std::string& inputPath, const std::string& outputPath) {
  const std::unique_ptr<ByteReader> source = BeginImport(context, inputPath, outputPath);
  if (!source) {
    return;
  }
  ByteReader& reader = *source;
  const std::optional<AuHeader> header = ReadAuHeader(reader);
  if (!header) {
    ShowCannotImport(context, inputPath + " does not appear to be a AU file");
    return;
  }
  // An SMP file holds at least one and at most 128 channels.
  if (header->channels < 1 || header->channels > static_cast<uint32_t>(kMaxChannels)) {
    ShowCannotImport(context, inputPath + " has " + std::to_string(header->channels) +
                                  " channels and cannot be imported");
    return;
  }
  if (WouldReachSizeLimit(SampleCount(reader, *header))) {
    context.log.Append(inputPath + " would give an SMP file of 2 GiB or more! Conversion aborted.");
    return;
  }
  // 0xFFFFFFFF is the format's own "unknown size"; any other size the file does not reach
  // means it was cut short.
  const int64_t missing = int64_t{header->dataOffset} + int64_t{header->dataSize} - reader.Size();
  if (header->dataSize != 0xFFFFFFFF && missing > 0) {
    context.log.Append(inputPath + " ends " + std::to_string(missing) +
                       " bytes before its header says");
  }

  TSMPfile& smp = context.SMPfile1;
  ImportOutput output(context, inputPath, outputPath);
  const bool headRestored = ReadAUEmbeddedHeader(smp, reader);
  reader.Seek(header->dataOffset);

  // The head is complete before the samples are stored.
  const auto completeHead = [&](bool restored) {
    smp.insert_nonpresent_defaults();
    if (!restored) {
      ApplyImportView(smp, settings);
    }
    smp.SetSfTot(static_cast<double>(header->rate) * header->channels);
    smp.SetnChans(static_cast<int32_t>(header->channels));
    if (restored) {
      DropInvalidScan(context, inputPath);
    }
    smp.SetMSBFirst(settings.MSBFirst);
    smp.set_proc(std::string(kProgramTitle) + " from " + inputPath);
  };
  completeHead(headRestored);

  output.BeginSamples(settings);
  ImportSamples(context, reader, header->encoding);
  output.Finish(inputPath, completeHead);
}

void ExportAU(ConversionContext& context, const ExportCodingSettings& settings,
              const std::string& inputPath, const std::string& outputPath) {
  // Split-rate files are written all the same, at the rate of SfTot shared by the channels.
  const std::optional<SMPFileCloser> source =
      BeginExport(context, inputPath, outputPath,
                  CodingChoice{settings.Encoding,
                               settings.Encoding >= 0 &&
                                   settings.Encoding < static_cast<int32_t>(kExportCodings.size()),
                               "ExportAU.Encoding"},
                  SplitRate::Written);
  if (!source) {
    return;
  }
  const AuCoding& coding = kExportCodings[static_cast<size_t>(settings.Encoding)];
  TSMPfile& smp = context.SMPfile1;
  const int32_t channels = smp.nChans();
  const double rate = channels > 0 ? std::nearbyint(smp.SfTot() / channels) : 0;
  if (channels < 1 || !(rate >= 0 && rate <= UINT32_MAX)) {
    context.log.Append(inputPath + " has " + std::to_string(channels) + " channels at " +
                       FloatToStrDot(smp.SfTot()) +
                       " Hz, which an AU file cannot hold! Conversion aborted.");
    return;
  }
  const AuLayout layout = PlanLayout(
      coding, smp.nSamples(), static_cast<uint32_t>(rate), static_cast<uint32_t>(channels),
      settings.StoreSMPHeader ? EmbeddedHeaderChunkBytes(smp, kHeadContainer) : 0);
  if (RefuseOutputSize(context, inputPath, int64_t{layout.dataOffset} + layout.dataSize, "an AU")) {
    return;
  }
  // 16-bit output is never scaled, so its export needs no search for the extremes.
  const double factor =
      coding.encoding == kEncodingLinear16
          ? 1.0
          : FitFactor(smp, settings.FitAmplitude, settings.DitherNoise, kAUFitRule);

  ByteWriter out(outputPath);
  out.Preallocate(uint64_t{layout.dataOffset} + static_cast<uint64_t>(layout.dataSize));
  WriteAuHeader(out, layout);
  if (settings.StoreSMPHeader) {
    WriteEmbeddedHeader(smp, out, kHeadContainer);
  }
  smp.SetPosition(0);
  // The data size claims only the whole scans in the file, after a write error, a stop by the
  // user or a source that held fewer samples than it said.
  WriteExportData(
      out, static_cast<uint64_t>(layout.dataSize),
      [&] { ExportSamples(context, settings, out, layout, factor); },
      [&](uint64_t dataStart) {
        const uint64_t scanBytes = uint64_t{layout.channels} * layout.coding.bytesPerSample;
        PatchSize(out, 8, ScanBytesWritten(out, dataStart, scanBytes), ByteOrder::BigEndian);
      });
  out.Close();
}

// The descriptor: what the tables of types, targets and settings know of AU.

namespace {

namespace pp = probe_parts;

int32_t DetectAU(std::span<const uint8_t> bytes, int32_t) {
  return pp::HasTag(bytes, 0, ".snd") ? ftAU : kNotThisFormatCode;
}

struct AUCodingText {
  uint32_t encoding;
  std::string_view text;
  uint32_t bytesPerSample;
};

constexpr std::array<AUCodingText, 9> kAUCodingTexts = {{
    {1, "u-law, ", 1},
    {2, "lin 8, ", 1},
    {3, "lin 16, ", 2},
    {4, "lin 24, ", 3},
    {5, "lin 32, ", 4},
    {6, "float 32, ", 4},
    {7, "float 64, ", 8},
    {23, "ADPCM u-law, ", 1},
    {27, "A-law, ", 1},
}};

// All bits set in the data size field mean "unknown size" in AU files.
constexpr uint32_t kAUUnknownDataSize = 0xFFFFFFFF;

std::string DescribeAU(int32_t, ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  std::array<uint8_t, 24> header{};
  if (!reader.ReadExact(header)) {
    return pp::CantOpen(reader);
  }
  const uint32_t dataOffset = pp::U32be(header, 4);
  uint32_t dataSize = pp::U32be(header, 8);
  const uint32_t encoding = pp::U32be(header, 12);
  const uint32_t rate = pp::U32be(header, 16);
  const uint32_t channels = pp::U32be(header, 20);
  std::string_view coding;
  uint32_t bytesPerSample = 0;
  for (const AUCodingText& entry : kAUCodingTexts) {
    if (entry.encoding == encoding) {
      coding = entry.text;
      bytesPerSample = entry.bytesPerSample;
    }
  }
  if (rate == 0 || channels == 0 || bytesPerSample == 0) {
    return std::string(pp::kUnknownEncoding) + " (" + std::to_string(encoding) + ")";
  }
  if (dataSize == kAUUnknownDataSize) {
    dataSize = fileSize > dataOffset ? static_cast<uint32_t>(fileSize - dataOffset) : 0;
  }
  const double duration = static_cast<double>(dataSize) / rate / channels / bytesPerSample;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + std::string(coding) + std::to_string(rate) + " Hz, " + pp::Channels(channels);
}

std::string AUExtension(const ForeignFormatSettings&) {
  return ".au";
}

constexpr std::array<std::string_view, 1> kAUExtensions = {".au"};
constexpr std::array<FormatFileType, 1> kAUTypes = {{{ftAU, "AU", kAUExtensions}}};

constexpr auto kImportAURows = ImportViewRows<&AUSettings::ImportAU>();
constexpr std::array<SettingRow, 4> kExportAURows = {{
    {"FitAmplitude", SettingStorage::Everywhere,
     &RefTo<&AUSettings::ExportAU, &ExportCodingSettings::FitAmplitude>},
    {"DitherNoise", SettingStorage::Everywhere,
     &RefTo<&AUSettings::ExportAU, &ExportCodingSettings::DitherNoise>},
    {"Encoding", SettingStorage::Everywhere,
     &RefTo<&AUSettings::ExportAU, &ExportCodingSettings::Encoding>},
    {"StoreSMPHeader", SettingStorage::Everywhere,
     &RefTo<&AUSettings::ExportAU, &ExportCodingSettings::StoreSMPHeader>},
}};
constexpr std::array<SettingsSection, 2> kAUSections = {{
    {"ImportAU", 2, kImportAURows},
    {"ExportAU", 9, kExportAURows},
}};

}  // namespace

std::string AUHeaderLine(const ForeignFormatSettings& settings) {
  return CodingHeaderLine("AU", settings.ExportAU);
}

const FormatDescriptor AUFormat::descriptor = {
    .format = "AU",
    .types = kAUTypes,
    .detect = &DetectAU,
    .stage = DetectionStage::Header,
    .reservedTag = {},
    .describe = &DescribeAU,
    .settings = kAUSections,
    .importer = FormatImport{.convert = &WithSection<&AUSettings::ImportAU, &ImportAU>},
    .exporter =
        FormatExport{
            .buttonName = "aubutton",
            .caption = "AU !",
            .cliAction = "to-au",
            .cliHelp = "export SMP files to AU",
            .extension = &AUExtension,
            .refusalExtension = ".au",
            .refusalPlace = 1,
            .headerLine = &AUHeaderLine,
            .batchLogsCancel = false,
            .convert = &WithSection<&AUSettings::ExportAU, &ExportAU>,
            .eightBit = kEightBit,
        },
    .embeddedHead = kHeadContainer,
};

}  // namespace vorsel
