#include "probing/description.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "probing/filetype.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

constexpr std::string_view kUnknownEncoding = "Unknown encoding";

std::string CantOpen(const ByteReader& reader) {
  return "Can't open " + reader.Path();
}

std::string ChannelsText(int64_t channels) {
  return std::to_string(channels) + (channels >= 2 ? " channels" : " channel");
}

// Identifiers come from the file; bytes that are not printable ASCII are shown as "?".
std::string Printable(const FourCC& id) {
  std::string text;
  for (const char c : id.bytes) {
    text += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return text;
}

uint16_t U16le(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32le(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
         (uint32_t{b[at + 3]} << 24);
}

uint32_t U32be(std::span<const uint8_t> b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         uint32_t{b[at + 3]};
}

// Moves past a chunk body and its pad byte by seeking, so that no sample data is read.
void PassBody(ByteReader& reader, uint64_t size) {
  reader.Seek(reader.Position() + size + (size & 1));
}

std::string WAVDetail(ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  std::array<uint8_t, 44> header{};
  if (!reader.ReadExact(header)) {
    return CantOpen(reader);
  }
  const uint16_t tag = U16le(header, 20);
  const uint16_t channels = U16le(header, 22);
  const uint32_t rate = U32le(header, 24);
  const uint16_t bits = U16le(header, 34);
  uint32_t bytes = bits / 8;
  std::string coding;
  switch (tag) {
    case 1:
      coding = "lin " + std::to_string(bits) + ", ";
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
    return std::string(kUnknownEncoding) + " (" + std::to_string(tag) + ")";
  }
  // The whole file counts, header included.
  const double duration = static_cast<double>(fileSize) / rate / channels / bytes;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + coding + std::to_string(rate) + " Hz, " + ChannelsText(channels);
}

struct AUCoding {
  uint32_t encoding;
  std::string_view text;
  uint32_t bytesPerSample;
};

constexpr std::array<AUCoding, 9> kAUCodings = {{
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

std::string AUDetail(ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  std::array<uint8_t, 24> header{};
  if (!reader.ReadExact(header)) {
    return CantOpen(reader);
  }
  const uint32_t dataOffset = U32be(header, 4);
  uint32_t dataSize = U32be(header, 8);
  const uint32_t encoding = U32be(header, 12);
  const uint32_t rate = U32be(header, 16);
  const uint32_t channels = U32be(header, 20);
  std::string_view coding;
  uint32_t bytesPerSample = 0;
  for (const AUCoding& entry : kAUCodings) {
    if (entry.encoding == encoding) {
      coding = entry.text;
      bytesPerSample = entry.bytesPerSample;
    }
  }
  if (rate == 0 || channels == 0 || bytesPerSample == 0) {
    return std::string(kUnknownEncoding) + " (" + std::to_string(encoding) + ")";
  }
  if (dataSize == kAUUnknownDataSize) {
    dataSize = fileSize > dataOffset ? static_cast<uint32_t>(fileSize - dataOffset) : 0;
  }
  const double duration = static_cast<double>(dataSize) / rate / channels / bytesPerSample;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + std::string(coding) + std::to_string(rate) + " Hz, " + ChannelsText(channels);
}

// A duration needs a positive, finite rate.
bool UsableRate(double rate) {
  return std::isfinite(rate) && rate > 0;
}

std::string AIFFDetail(ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  const FourCC form = reader.fourcc();
  const uint32_t formSize = reader.u32be();
  if (reader.ShortRead()) {
    return CantOpen(reader);
  }
  if (form != FourCC("FORM")) {
    return "Unknown .aif file type " + Printable(form);
  }
  const FourCC formType = reader.fourcc();
  const bool isAIFC = formType == FourCC("AIFC");
  if (formType != FourCC("AIFF") && !isAIFC) {
    return "Unknown IFF data type " + Printable(formType);
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
      PassBody(reader, chunk->size);
    }
  }
  if (!haveCommon || !UsableRate(rate)) {
    return std::string(kUnknownEncoding);
  }
  const std::string coding = (!isAIFC || compression == FourCC("NONE"))
                                 ? std::string("lin ")
                                 : Printable(compression) + " ";
  const double duration = frames / rate;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + coding + std::to_string(sampleSize) + ", " + FormatGeneral(rate, format) +
         " Hz, " + ChannelsText(channels);
}

std::string NSPDetail(ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  const FourCC form = reader.fourcc();
  if (reader.ShortRead()) {
    return CantOpen(reader);
  }
  if (form != FourCC("FORM")) {
    return "Unknown .nsp file type " + Printable(form);
  }
  const FourCC dataType = reader.fourcc();
  const uint32_t dataSize = reader.u32le();
  if (dataType != FourCC("DS16")) {
    return "Unknown .nsp data type " + Printable(dataType);
  }
  int64_t remaining = dataSize;
  bool haveHeader = false;
  uint32_t rate = 0;
  uint32_t length = 0;
  int channels = 0;
  while (remaining > 0 && !haveHeader) {
    const std::optional<ChunkHeader> chunk = ReadChunkHeader(reader, ByteOrder::LittleEndian);
    if (!chunk) {
      break;
    }
    remaining -= 8 + int64_t{chunk->size} + (chunk->size & 1);
    const bool hedr = chunk->id == FourCC("HEDR");
    const bool hdr8 = chunk->id == FourCC("HDR8");
    if ((hedr || hdr8) && chunk->size > 0) {
      // Date text (20 bytes), rate, length, then one peak per channel; a negative peak marks
      // a channel that does not exist.
      std::array<uint8_t, 44> body{};
      const size_t bodyBytes = hedr ? 32 : 44;
      haveHeader = reader.ReadExact(std::span(body).first(bodyBytes));
      rate = U32le(body, 20);
      length = U32le(body, 24);
      for (size_t at = 28; at < bodyBytes; at += 2) {
        if (static_cast<int16_t>(U16le(body, at)) >= 0) {
          ++channels;
        }
      }
    } else {
      PassBody(reader, chunk->size);
    }
  }
  if (!haveHeader || rate == 0) {
    return std::string(kUnknownEncoding);
  }
  const double duration = static_cast<double>(length) / rate;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + FormatGeneral(rate, format) + " Hz, " + ChannelsText(channels);
}

std::string SMPDetail(const std::string& path, int64_t fileSize, const NumberFormat& format) {
  // A component of its own: the main window's may have a file open.
  TSMPfile smp;
  try {
    if (!smp.open_file(path, true)) {
      return "Can't open " + path;
    }
  } catch (const EInvalidSMPHeader&) {
    return "Can't open " + path;
  }
  const double duration = smp.ChannelDuration(0);
  const double rate = smp.SfTot();
  const int32_t channels = smp.nChans();
  // Channel 0 needs a rate for its duration (sftot=0 has none); a file without channels shows
  // the duration 0.
  const bool timed = channels < 1 || smp.ChannelSf(0) > 0;
  smp.close_file();
  if (!timed) {
    return std::string(kUnknownEncoding);
  }
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + FormatGeneral(rate, format) + " Hz tot, " + ChannelsText(channels);
}

}  // namespace

std::string HeaderDetail(int32_t fileType, ByteReader& reader, int64_t fileSize,
                         const NumberFormat& format) {
  switch (fileType) {
    case ftWAV:
      return WAVDetail(reader, fileSize, format);
    case ftAU:
      return AUDetail(reader, fileSize, format);
    case ftAIFF:
    case ftAIFC:
      return AIFFDetail(reader, fileSize, format);
    case ftNSP:
      return NSPDetail(reader, fileSize, format);
    default:
      return FormatGrouped(fileSize, format) + " bytes";
  }
}

std::string FileDescription(const std::string& path, const ProbeSettings& settings) {
  return FileDescription(path, settings, UserNumberFormat());
}

std::string FileDescription(const std::string& path, const ProbeSettings& settings,
                            const NumberFormat& format) {
  std::error_code error;
  // Only regular files are described: opening a pipe or a device could wait for ever.
  if (!std::filesystem::is_regular_file(path, error)) {
    return {};
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const int64_t fileSize = error ? -1 : static_cast<int64_t>(size);
  const int32_t type = FileTypeOf(path, settings);
  const std::string name(FileTypeCodeName(type));
  switch (type) {
    case ftSMP:
      return name + " " + SMPDetail(path, fileSize, format);
    case ftWAV:
    case ftAU:
    case ftAIFF:
    case ftAIFC:
    case ftNSP: {
      ByteReader reader(path);
      return name + " " + HeaderDetail(type, reader, fileSize, format);
    }
    default:
      return name + " " + FormatGrouped(fileSize, format) + " bytes";
  }
}

}  // namespace vorsel
