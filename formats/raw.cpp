#include "formats/raw.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "codings/encoder8.h"
#include "codings/fit.h"
#include "codings/g711.h"
#include "codings/linear.h"
#include "fileio/byteio.h"
#include "formats/batch_words.h"
#include "formats/convert_steps.h"
#include "formats/format_list.h"
#include "smp/sSMP.h"

namespace vorsel {

using namespace convert_steps;

namespace {

// Shared by the exporter and the descriptor; the user chooses the representation.
constexpr EightBitLinear kEightBit{std::nullopt, kDitherCentred};

enum RawCoding : int32_t { kMuLaw = 0, kALaw = 1, kLinear8 = 2, kLinear16 = 3 };

bool IsRawCoding(int32_t coding) {
  return coding >= kMuLaw && coding <= kLinear16;
}

// Settings files can hold any number; a coding outside the table has no conversion.
CodingChoice RawCoding(int32_t coding, std::string_view field) {
  return {coding, IsRawCoding(coding), field};
}

Representation RepresentationOf(bool isSigned) {
  return isSigned ? Representation::Signed : Representation::OffsetBinary;
}

void DecodeBytes(std::span<const uint8_t> bytes, int32_t coding, Representation representation,
                 tsamplechunk& chunk) {
  int16_t* out = chunk.data;
  switch (coding) {
    case kMuLaw:
      for (const uint8_t b : bytes) {
        *out++ = MuLawToLinear(b);
      }
      break;
    case kALaw:
      for (const uint8_t b : bytes) {
        *out++ = ALawToLinear(b);
      }
      break;
    default:
      for (const uint8_t b : bytes) {
        *out++ = Linear8ToLinear(b, representation);
      }
      break;
  }
  chunk.used = static_cast<int32_t>(bytes.size());
}

Coding8 Coding8Of(int32_t coding) {
  switch (coding) {
    case kMuLaw:
      return Coding8::MuLaw;
    case kALaw:
      return Coding8::ALaw;
    default:
      return Coding8::Linear8;
  }
}

}  // namespace

void ImportRAW(ConversionContext& context, const ImportRAWSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  if (!BeginHeadlessImport(context, inputPath, outputPath) ||
      RefuseCoding(context, inputPath, RawCoding(settings.Encoding, "ImportRAW.Encoding")) ||
      RefuseChannelCount(context, inputPath, settings.nChans, "ImportRAW.nChans")) {
    return;
  }

  // The input is opened before the output exists, so that an unreadable file leaves nothing.
  ByteReader input(inputPath);
  const int64_t strip = settings.StripBytes > 0 ? settings.StripBytes : 0;
  const int64_t dataBytes = input.Size() > strip ? input.Size() - strip : 0;
  if (WouldReachSizeLimit(settings.Encoding == kLinear16 ? dataBytes / 2 : dataBytes)) {
    context.log.Append(inputPath + " would give an SMP file of 2 GiB or more. Conversion aborted.");
    return;
  }

  TSMPfile& smp = context.SMPfile1;
  ImportOutput output(context, outputPath);
  StartHeadlessImport(context, settings, settings.SfTot, settings.nChans, inputPath, outputPath,
                      "RAW");
  input.Skip(static_cast<uint64_t>(strip));
  const auto chunk = std::make_unique<tsamplechunk>();
  const ByteOrder order = settings.ByteOrder == 1 ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
  const Representation representation = RepresentationOf(settings.Signed);
  std::array<uint8_t, kBlockBytes> bytes{};
  for (;;) {
    if (settings.Encoding == kLinear16) {
      // An odd last byte is taken but makes no sample.
      const SampleRead read =
          input.ReadSamples16(std::span(chunk->data), order, representation, 2 * kBlockBytes);
      if (read.bytes == 0) {
        break;
      }
      chunk->used = static_cast<int32_t>(read.samples);
    } else {
      const size_t got = input.Read(bytes);
      if (got == 0) {
        break;
      }
      DecodeBytes(std::span(bytes).first(got), settings.Encoding, representation, *chunk);
    }
    Tick(context);
    smp.SetChunk(*chunk);
    Tick(context);
  }
  output.FinishHead();
}

void ExportRAW(ConversionContext& context, const ExportRAWSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  // A coding RAW does not have is refused before the progress line.
  if (LogCancelled(context, inputPath, outputPath) ||
      RefuseCoding(context, inputPath, RawCoding(settings.Encoding, "ExportRAW.Encoding"))) {
    return;
  }
  // ExportRAW.Extension may be the input's own, ".smp". Split-rate files are written as they
  // are stored.
  const std::optional<SMPFileCloser> source =
      BeginExport(context, inputPath, outputPath, std::nullopt, SplitRate::Written);
  if (!source) {
    return;
  }
  TSMPfile& smp = context.SMPfile1;
  const int64_t headerBytes = settings.HeaderBytes > 0 ? settings.HeaderBytes : 0;
  const int64_t bytesPerSample = settings.Encoding == kLinear16 ? 2 : 1;
  if (headerBytes + bytesPerSample * smp.nSamples() >= kMaxFileBytes) {
    context.log.Append(inputPath + " would give a RAW file of 2 GiB or more. Conversion aborted.");
    return;
  }

  // 16-bit output is never scaled, so it needs no pass for the extremes.
  const double factor =
      settings.Encoding == kLinear16
          ? 1.0
          : FitFactor(smp, settings.FitAmplitude, settings.DitherNoise, kRAWFitRule);
  const std::optional<DitherRange> dither =
      settings.DitherNoise ? std::optional<DitherRange>(kEightBit.dither) : std::nullopt;
  const Representation representation = RepresentationOf(settings.Signed);
  const ByteOrder order = settings.MSBFirst ? ByteOrder::BigEndian : ByteOrder::LittleEndian;

  std::optional<Encoder8> encoder;
  if (settings.Encoding != kLinear16) {
    encoder.emplace(Coding8Of(settings.Encoding), factor, dither, representation);
  }

  ByteWriter output(outputPath);
  output.Preallocate(static_cast<uint64_t>(headerBytes + bytesPerSample * smp.nSamples()));
  output.Zeros(static_cast<uint64_t>(headerBytes));
  smp.SetPosition(0);
  const auto chunk = std::make_unique<tsamplechunk>();
  std::array<uint8_t, kChunkCapacity> bytes{};
  do {
    Tick(context);
    smp.GetChunk(*chunk);
    Tick(context);
    const std::span<const int16_t> samples(chunk->data, static_cast<size_t>(chunk->used));
    if (encoder) {
      encoder->Run(samples, bytes.data());
      output.Bytes(std::span(bytes).first(samples.size()));
    } else {
      output.WriteSamples16(samples, order, representation);
    }
  } while (chunk->used > 0);
  output.Close();
}

// The descriptor: what the tables of types, targets and settings know of RAW. It has no
// detector: every file that no other format claims is taken for headerless data.

namespace {

std::string RAWExtension(const ForeignFormatSettings& settings) {
  return settings.ExportRAW.Extension;
}

constexpr std::array<FormatFileType, 1> kRAWTypes = {{{ftRAW, "RAW", {}}}};

using IR = ImportRAWSettings;
constexpr auto kImportRAWRows = JoinRows(
    ImportViewRows<&RAWSettings::ImportRAW>(),
    std::array<SettingRow, 6>{{
        {"ByteOrder", SettingStorage::Everywhere, &RefTo<&RAWSettings::ImportRAW, &IR::ByteOrder>},
        {"Signed", SettingStorage::Everywhere, &RefTo<&RAWSettings::ImportRAW, &IR::Signed>},
        {"SfTot", SettingStorage::Everywhere, &RefTo<&RAWSettings::ImportRAW, &IR::SfTot>},
        {"nChans", SettingStorage::Everywhere, &RefTo<&RAWSettings::ImportRAW, &IR::nChans>},
        {"StripBytes", SettingStorage::Everywhere,
         &RefTo<&RAWSettings::ImportRAW, &IR::StripBytes>},
        {"Encoding", SettingStorage::Everywhere, &RefTo<&RAWSettings::ImportRAW, &IR::Encoding>},
    }});
using ER = ExportRAWSettings;
constexpr std::array<SettingRow, 8> kExportRAWRows = {{
    {"FitAmplitude", SettingStorage::Everywhere,
     &RefTo<&RAWSettings::ExportRAW, &ER::FitAmplitude>},
    {"DitherNoise", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::DitherNoise>},
    {"HeaderBytes", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::HeaderBytes>},
    {"MSBFirst", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::MSBFirst>},
    {"Signed", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::Signed>},
    {"Encoding", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::Encoding>},
    {"Extension", SettingStorage::Everywhere, &RefTo<&RAWSettings::ExportRAW, &ER::Extension>},
    {"OtherExtension", SettingStorage::Everywhere,
     &RefTo<&RAWSettings::ExportRAW, &ER::OtherExtension>},
}};
constexpr std::array<SettingsSection, 2> kRAWSections = {{
    {"ImportRAW", 5, kImportRAWRows},
    {"ExportRAW", 8, kExportRAWRows},
}};

}  // namespace

std::string RAWHeaderLine(const ForeignFormatSettings& settings) {
  const ExportRAWSettings& options = settings.ExportRAW;
  std::string line =
      "RAW: " + HeaderBytesPart(options.HeaderBytes) + std::string(CodingWord(options.Encoding)) +
      std::string(SignedWord(options.Signed)) + std::string(ByteOrderWord(options.MSBFirst));
  if (options.FitAmplitude && options.Encoding < 3) {
    line += ", fit";
  }
  if (options.DitherNoise && options.Encoding == 2) {
    line += ", dither";
  }
  return line;
}

std::string RawAssumptionLine(const ForeignFormatSettings& settings) {
  const ImportRAWSettings& options = settings.ImportRAW;
  return "Assuming:" + HeaderBytesPart(options.StripBytes) +
         std::string(CodingWord(options.Encoding)) + std::string(SignedWord(options.Signed)) +
         std::string(ByteOrderWord(options.ByteOrder == 1));
}

const FormatDescriptor RAWFormat::descriptor = {
    .format = "RAW",
    .types = kRAWTypes,
    .detect = nullptr,
    .stage = DetectionStage::Header,
    .reservedTag = {},
    .describe = nullptr,
    .settings = kRAWSections,
    .importer =
        FormatImport{
            .convert = &WithSection<&RAWSettings::ImportRAW, &ImportRAW>,
            .assumptionLine = &RawAssumptionLine,
        },
    .exporter =
        FormatExport{
            .buttonName = "rawbutton",
            .caption = "RAW !",
            .cliAction = "to-raw",
            .cliHelp = "export SMP files to headerless RAW data",
            .extension = &RAWExtension,
            .refusalExtension = ".raw",
            .refusalPlace = 5,
            .headerLine = &RAWHeaderLine,
            .batchLogsCancel = false,
            .convert = &WithSection<&RAWSettings::ExportRAW, &ExportRAW>,
            .eightBit = kEightBit,
        },
    .embeddedHead = std::nullopt,
};

}  // namespace vorsel
