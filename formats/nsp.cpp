#include "formats/nsp.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fileio/byteio.h"
#include "formats/batch_words.h"
#include "formats/chunk_walker.h"
#include "formats/convert_steps.h"
#include "formats/format_list.h"
#include "formats/kelm.h"
#include "formats/nsp_channels.h"
#include "formats/nsp_date.h"
#include "formats/probe_parts.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

// Shared by the converter and the descriptor.
constexpr HeadContainer kHeadContainer = HeadContainer::KelmChunk;

using namespace convert_steps;

constexpr FourCC kForm("FORM");
constexpr FourCC kDs16("DS16");
constexpr FourCC kHedr("HEDR");
constexpr FourCC kHdr8("HDR8");
constexpr FourCC kInterleaved("SDAB");
constexpr FourCC kChannelA("SDA_");

constexpr int kHedrPeaks = 2;
constexpr uint32_t kDateAndCountsBytes = kNspDateLength + 8;
// The bytes "FORM", "DS16" and the DS16 size in front of the chunks.
constexpr int64_t kFormBytes = 12;
constexpr int64_t kChunkHeaderBytes = 8;
constexpr uint16_t kAbsentPeak = 0xFFFF;
// A peak of 32768 would read back as a negative field, that is as an absent channel.
constexpr int32_t kLargestPeak = 32767;
// Samples per block of a sample chunk: blocks of at most kBlockBytes.
constexpr size_t kBlockSamples = kBlockBytes / 2;

using tpeaks = std::array<uint16_t, kMaxNspChannels>;

uint32_t HeaderBodyBytes(int peakFields) {
  return kDateAndCountsBytes + 2 * static_cast<uint32_t>(peakFields);
}

// ---- Export ----------------------------------------------------------------------------------

struct NspLayout {
  bool hdr8 = false;
  // One chunk ("SDA_" for one channel, "SDAB" for two) instead of one chunk per channel.
  bool oneChunk = false;

  int PeakFields() const { return hdr8 ? kMaxNspChannels : kHedrPeaks; }
};

NspLayout LayoutFor(int channels, const ExportNSPSettings& settings) {
  if (channels == 1) {
    const bool hdr8 = settings.OneChannelType != 0;
    return {hdr8, !hdr8};
  }
  if (channels == 2) {
    const bool hdr8 = settings.TwoChannelType >= 2;
    return {hdr8, settings.TwoChannelType == 0};
  }
  return {true, false};
}

// True (after telling the user) when the file has no channel or more than NSP can hold.
bool RefuseChannelCount(ConversionContext& context, TSMPfile& smp, int channels) {
  if (channels > kMaxNspChannels) {
    context.dialogs.ShowMessageBox("NSP files cannot have more than 8 channels,\r" +
                                       smp.Filename() + "\r" + " has " + std::to_string(channels),
                                   "Too many channels", mbOk | mbIconExclamation);
    return true;
  }
  if (channels < 1) {
    context.dialogs.ShowMessageBox("Cannot convert \r" + smp.Filename() + "\r to NSP", "Error",
                                   mbOk | mbIconExclamation);
    return true;
  }
  return false;
}

// The extremes of every slot of interleaved scans, with 0 among them (which leaves the largest
// magnitude as it is, and gives 0 for no samples). Rows of kRowScans scans are folded element
// by element, a loop the compiler turns into vector instructions.
class SlotExtremes {
 public:
  explicit SlotExtremes(int slots) : slots_(slots), width_(slots * kRowScans) {}

  void Add(std::span<const int16_t> samples) {
    // Local copies: the compiler need not fear that the samples overlap them.
    std::array<int16_t, kWidestRow> lo = lo_;
    std::array<int16_t, kWidestRow> hi = hi_;
    size_t i = 0;
    for (; i + width_ <= samples.size(); i += width_) {
      const int16_t* row = samples.data() + i;
      for (size_t j = 0; j < width_; ++j) {
        // By value: std::min's reference result would make the compiler fear aliasing.
        const int16_t x = row[j];
        const int16_t l = lo[j];
        const int16_t h = hi[j];
        lo[j] = x < l ? x : l;
        hi[j] = x > h ? x : h;
      }
    }
    for (size_t j = 0; i < samples.size(); ++i, ++j) {
      lo[j] = std::min(lo[j], samples[i]);
      hi[j] = std::max(hi[j], samples[i]);
    }
    lo_ = lo;
    hi_ = hi;
  }

  // The largest magnitude of the slot's samples.
  int32_t Peak(int slot) const {
    int32_t peak = 0;
    for (size_t j = static_cast<size_t>(slot); j < width_; j += static_cast<size_t>(slots_)) {
      peak = std::max({peak, std::abs(int32_t{lo_[j]}), std::abs(int32_t{hi_[j]})});
    }
    return peak;
  }

 private:
  static constexpr size_t kRowScans = 32;
  static constexpr size_t kWidestRow = kMaxNspChannels * kRowScans;

  int slots_;
  size_t width_;
  std::array<int16_t, kWidestRow> lo_{};
  std::array<int16_t, kWidestRow> hi_{};
};

// The peak of each channel from the extremes of its slot; a channel without samples has the
// peak 0, and a channel reaching -32768 gets 32767 so that its field does not read as an absent
// channel.
tpeaks ChannelPeaks(TSMPfile& smp, int channels, const SlotExtremes& extremes) {
  tpeaks peaks;
  peaks.fill(kAbsentPeak);
  for (int slot = 0; slot < channels; ++slot) {
    peaks[static_cast<size_t>(smp.ScanChannel(slot))] =
        static_cast<uint16_t>(std::min(extremes.Peak(slot), kLargestPeak));
  }
  return peaks;
}

tnspdate DateText(TSMPfile& smp) {
  if (const std::optional<tnspdate> kept = NspDateFromItem(smp.get_item("nspdate"))) {
    return *kept;
  }
  struct stat info {};
  const std::time_t modified = ::stat(smp.Filename().c_str(), &info) == 0 ? info.st_mtime : 0;
  return NspDateOfTime(modified);
}

uint32_t RatePerChannel(TSMPfile& smp) {
  // Halves go to the even neighbour in the default rounding mode.
  const double rate = std::nearbyint(smp.ChannelSf(0));
  return static_cast<uint32_t>(std::clamp(rate, 0.0, double{UINT32_MAX}));
}

// Writes the header chunk with the peaks left open; gives the offset of the peak fields.
uint64_t WriteHeaderChunk(ByteWriter& out, const NspLayout& layout, const tnspdate& date,
                          uint32_t rate, uint32_t frames) {
  out.fourcc(layout.hdr8 ? kHdr8 : kHedr);
  out.u32le(HeaderBodyBytes(layout.PeakFields()));
  out.Text({date.data(), date.size()});
  out.u32le(rate);
  out.u32le(frames);
  const uint64_t peaksAt = out.Position();
  out.Zeros(2 * static_cast<uint64_t>(layout.PeakFields()));
  return peaksAt;
}

void WritePeaks(ByteWriter& out, uint64_t peaksAt, const NspLayout& layout, const tpeaks& peaks) {
  std::array<uint8_t, 2 * kMaxNspChannels> bytes{};
  const auto fields = static_cast<size_t>(layout.PeakFields());
  for (size_t field = 0; field < fields; ++field) {
    bytes[2 * field] = static_cast<uint8_t>(peaks[field]);
    bytes[2 * field + 1] = static_cast<uint8_t>(peaks[field] >> 8);
  }
  out.WriteAt(peaksAt, std::span<const uint8_t>(bytes.data(), 2 * fields));
}

std::vector<int> ChannelOfEverySlot(TSMPfile& smp) {
  std::vector<int> channels(static_cast<size_t>(std::max(smp.ScanCount(), 1)));
  for (size_t slot = 0; slot < channels.size(); ++slot) {
    channels[slot] = smp.ScanChannel(static_cast<int>(slot));
  }
  return channels;
}

// ---- Import ----------------------------------------------------------------------------------

// A peak field names a channel unless it is negative; 0x8000 is the peak 32768 of a channel
// that reaches -32768, as writers that do not limit it store it.
bool ChannelPresent(uint16_t peakField) {
  return peakField <= 0x8000;
}

class NspChunkWalk {
 public:
  NspChunkWalk(ConversionContext& context, const ImportViewSettings& settings, ByteReader& input,
               const std::string& inputPath, uint32_t declaredSize)
      : context_(context),
        settings_(settings),
        smp_(context.SMPfile1),
        input_(input),
        inputPath_(inputPath),
        declared_(declaredSize),
        // Praat counts only the first sample chunk in the DS16 size; the chunks it writes
        // after that are still read.
        limit_(std::max<int64_t>(declaredSize, input.Size() - kFormBytes)),
        chunk_(std::make_unique<tsamplechunk>()) {}

  // True when an embedded SMP head was restored.
  bool Run() {
    ChunkWalker walker(context_, input_, ByteOrder::LittleEndian, kFormBytes + limit_, 1,
                       inputPath_);
    while (!done_) {
      const std::optional<ChunkHeader> header = walker.Next();
      if (!header) {
        // Bytes after the declared size that make no chunk are trailing bytes, not damage. A
        // declared size beyond the end of the file, the streaming marker aside, means the file
        // was cut short; cut inside a chunk header, its data are invalid.
        const int64_t before = walker.HeaderStart() - kFormBytes;
        const int64_t missing = kFormBytes + declared_ - input_.Size();
        const bool partialHeader = kFormBytes + before < input_.Size();
        if (before < declared_ && (partialHeader || missing <= 0)) {
          InvalidData();
        } else if (missing > 0 && declared_ != kStreamingSize) {
          walker.NoteShort(missing);
        }
        break;
      }
      if (!HandleChunk(*header, walker)) {
        InvalidData();
        break;
      }
    }
    return headRestored_;
  }

 private:
  void InvalidData() { context_.log.Append("Invalid data in " + FileNameOf(inputPath_)); }

  // False when a header chunk cannot be read.
  bool HandleChunk(const ChunkHeader& header, ChunkWalker& walker) {
    if ((header.id == kHedr || header.id == kHdr8) && header.size > 0) {
      return ReadHeaderChunk(header, header.id == kHdr8 ? kMaxNspChannels : kHedrPeaks, walker);
    }
    // A chunk beyond the end of the file reads to its end; a header chunk cut short is invalid
    // instead.
    if (header.size != kStreamingSize) {
      if (const int64_t missing = walker.Missing(header.size); missing > 0) {
        walker.NoteShort(missing);
      }
    }
    ChunkBody body = walker.Body(header.size);
    if (header.id == kInterleaved) {
      CopySamples(
          body, [this](const tsamplechunk& chunk) { smp_.SetChunk(chunk); },
          [this](int32_t used) { return int64_t{smp_.Position()} + used; });
    } else if (header.id == kEmbeddedHeadId) {
      RestoreHead(body);
    } else if (!samplesStored_ && CopyChannelChunksTogether(header)) {
      done_ = true;
      return true;
    } else if (const int channel = ChannelOfChunkId(header.id, numbering_); channel >= 0) {
      const int target = std::min(channel, smp_.nChans() - 1);
      if (target >= 0) {
        CopySamples(
            body,
            [this, target](const tsamplechunk& chunk) { smp_.SetChannelChunk(target, chunk); },
            [this, target](int32_t used) {
              return int64_t{smp_.ScanPitch(target)} * (smp_.GetChannelPosition(target) + used);
            });
      }
    }
    body.Finish();
    return true;
  }

  bool ReadHeaderChunk(const ChunkHeader& header, int peakFields, ChunkWalker& walker) {
    const uint32_t fieldBytes = HeaderBodyBytes(peakFields);
    if (header.size < fieldBytes) {
      return false;
    }
    const uint64_t start = input_.Position();
    tnspdate date{};
    input_.ReadExact({reinterpret_cast<uint8_t*>(date.data()), date.size()});
    const uint32_t rate = input_.u32le();
    input_.u32le();  // the length per channel follows from the sample chunks
    int channels = 0;
    for (int field = 0; field < peakFields; ++field) {
      channels += ChannelPresent(input_.u16le()) ? 1 : 0;
    }
    if (input_.Position() - start < fieldBytes) {
      return false;  // the file ends inside the fields
    }
    ChunkBody rest = walker.Body(header.size - fieldBytes);
    rest.Finish();
    headerChannels_ = channels;
    smp_.SetnChans(channels);
    smp_.SetSfTot(static_cast<double>(channels) * rate);
    smp_.set_item("nspdate", NspDateToItem(date));
    KeepChannelLayoutUsable();
    return true;
  }

  // A channel layout of an embedded head that does not fit the channel count in force (a
  // "scan" item, or more channels than an SMP file holds) would stop every later sample
  // operation; the channels then keep their plain order, and the header chunk's count.
  void KeepChannelLayoutUsable() {
    if (ScanTablesValid()) {
      return;
    }
    // Any letter case: the scan tables find the item as get_item does.
    for (const std::string& name : smp_.ItemSpellings("scan")) {
      smp_.set_item(name, "");
    }
    if (!ScanTablesValid()) {
      smp_.SetnChans(headerChannels_);
    }
    context_.log.Append(inputPath_ +
                        " has an SMP header chunk whose channel layout does not fit; the "
                        "channels keep their plain order.");
  }

  bool ScanTablesValid() {
    try {
      smp_.ScanCount();
      return true;
    } catch (const EInvalidSMPHeader&) {
      return false;
    }
  }

  // A file whose remaining chunks all hold one channel each is interleaved in one pass over
  // the chunks, instead of writing the SMP data once per channel; the result is the same.
  bool CopyChannelChunksTogether(const ChunkHeader& first) {
    if (ChannelOfChunkId(first.id, numbering_) < 0) {
      return false;
    }
    // A restored head may order the channels differently in a scan, but not at split rates.
    if (smp_.IsSplitRate()) {
      return false;
    }
    const std::optional<ChannelChunkPlan> plan = PlanChannelChunks(
        input_, first, smp_.nChans(), numbering_, static_cast<uint64_t>(kFormBytes + limit_));
    if (!plan) {
      return false;
    }
    std::vector<size_t> slotOfChannel;
    for (int c = 0; c < smp_.nChans(); ++c) {
      slotOfChannel.push_back(static_cast<size_t>(smp_.ScanFirst(c)));
    }
    ChannelInterleaver channels(input_, *plan, std::move(slotOfChannel));
    for (;;) {
      channels.Next(*chunk_);
      if (chunk_->used == 0) {
        break;
      }
      if (WouldReachSizeLimit(int64_t{smp_.Position()} + chunk_->used)) {
        context_.log.Append(inputPath_ +
                            " would give an SMP file of 2 GiB or more. Sample chunks skipped.");
        break;
      }
      Tick(context_);
      smp_.SetChunk(*chunk_);
      Tick(context_);
    }
    return true;
  }

  // Stores the chunk's samples block by block; `samplesAfter` tells how many samples of all
  // channels the SMP data would hold after storing a block, so that the SMP file stays below
  // 2 GiB.
  template <typename Store, typename SamplesAfter>
  void CopySamples(ChunkBody& body, Store store, SamplesAfter samplesAfter) {
    while (body.Remaining() > 0) {
      const SampleRead read =
          body.ReadSamples16(std::span(chunk_->data, kBlockSamples), ByteOrder::LittleEndian);
      if (read.bytes == 0) {
        break;
      }
      if (read.samples == 0) {
        continue;
      }
      chunk_->used = static_cast<int32_t>(read.samples);
      if (WouldReachSizeLimit(samplesAfter(chunk_->used))) {
        context_.log.Append(inputPath_ +
                            " would give an SMP file of 2 GiB or more. Sample chunk skipped.");
        return;
      }
      Tick(context_);
      store(*chunk_);
      Tick(context_);
      samplesStored_ = true;
    }
  }

  void RestoreHead(ChunkBody& body) {
    // The samples already stored sit at the data offset of the head in force; a new head
    // would move that offset under them.
    if (samplesStored_) {
      context_.log.Append(inputPath_ +
                          " has an SMP header chunk after its samples; that header is ignored.");
      return;
    }
    if (ReadEmbeddedHeader(smp_, body)) {
      headRestored_ = true;
      KeepChannelLayoutUsable();
      // The samples begin right after the restored head, whatever its size.
      smp_.SetPosition(0);
      for (int c = 0; c < kMaxChannels; ++c) {
        smp_.SetChannelPosition(c, 0);
      }
    }
    smp_.SetMSBFirst(settings_.MSBFirst);
  }

  ConversionContext& context_;
  const ImportViewSettings& settings_;
  TSMPfile& smp_;
  ByteReader& input_;
  const std::string& inputPath_;
  const int64_t declared_;
  const int64_t limit_;
  std::unique_ptr<tsamplechunk> chunk_;
  DigitNumbering numbering_ = DigitNumbering::Undecided;
  bool headRestored_ = false;
  bool samplesStored_ = false;
  bool done_ = false;
  // The channel count of the last header chunk; before one, that of a new SMP file.
  int headerChannels_ = 1;
};

}  // namespace

void ImportNSP(ConversionContext& context, const ImportViewSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  const std::unique_ptr<ByteReader> source = BeginImport(context, inputPath, outputPath);
  if (!source) {
    return;
  }
  ByteReader& input = *source;
  const FourCC form = input.fourcc();
  const FourCC type = input.fourcc();
  const uint32_t declaredSize = input.u32le();
  if (input.ShortRead() || form != kForm || type != kDs16) {
    ShowCannotImport(context, inputPath + " does not appear to be an NSP file");
    return;
  }

  TSMPfile& smp = context.SMPfile1;
  ImportOutput output(context, inputPath, outputPath);
  output.BeginSamples(settings);
  const bool headRestored = NspChunkWalk(context, settings, input, inputPath, declaredSize).Run();
  // The channel layout the samples were stored in, and the header chunk's items: a restored head
  // too full to be saved keeps them when it loses its own items.
  std::vector<std::pair<std::string, std::string>> layout;
  for (const char* name : {"nchans", "sftot", "nspdate", "scan"}) {
    layout.emplace_back(name, smp.get_item(name));
  }
  const auto completeHead = [&](bool restored) {
    if (headRestored && !restored) {
      for (const auto& [name, value] : layout) {
        smp.set_item(name, value);
      }
    }
    if (!restored) {
      smp.insert_nonpresent_defaults();
      ApplyImportView(smp, settings);
    }
    smp.set_proc(std::string(kProgramTitle) + " from " + inputPath);
  };
  completeHead(headRestored);
  output.Finish(inputPath, completeHead);
}

void ExportNSP(ConversionContext& context, const ExportNSPSettings& settings,
               const std::string& inputPath, const std::string& outputPath) {
  const std::optional<SMPFileCloser> source =
      BeginExport(context, inputPath, outputPath, std::nullopt, SplitRate::Refused);
  if (!source) {
    return;
  }
  TSMPfile& smp = context.SMPfile1;
  const int channels = smp.nChans();
  if (RefuseChannelCount(context, smp, channels)) {
    return;
  }
  const NspLayout layout = LayoutFor(channels, settings);
  // Whole scans only, so that every size below describes the samples that follow it.
  // A file shorter than its head has a negative count of samples: it has none.
  const int64_t frames = std::max<int32_t>(0, smp.ChannelnSamples(0));
  const int64_t samples = frames * channels;
  const int64_t chunkCount = layout.oneChunk ? 1 : channels;
  const int64_t embeddedBytes =
      settings.StoreSMPHeader ? EmbeddedHeaderChunkBytes(smp, kHeadContainer) : 0;
  const int64_t ds16Size = 2 * samples + kChunkHeaderBytes + HeaderBodyBytes(layout.PeakFields()) +
                           kChunkHeaderBytes * chunkCount + embeddedBytes;
  if (RefuseOutputSize(context, inputPath, kFormBytes + ds16Size, "an NSP")) {
    return;
  }

  SlotExtremes extremes(channels);
  ByteWriter out(outputPath);
  out.Preallocate(static_cast<uint64_t>(kFormBytes + ds16Size));
  out.fourcc(kForm);
  out.fourcc(kDs16);
  out.u32le(static_cast<uint32_t>(ds16Size));
  const uint64_t peaksAt = WriteHeaderChunk(out, layout, DateText(smp), RatePerChannel(smp),
                                            static_cast<uint32_t>(frames));
  if (settings.StoreSMPHeader) {
    WriteEmbeddedHeader(smp, out, kHeadContainer);
  }
  smp.SetPosition(0);
  if (layout.oneChunk) {
    out.fourcc(channels == 1 ? kChannelA : kInterleaved);
    out.u32le(static_cast<uint32_t>(2 * samples));
    // The sizes and the frame count claim only the whole scans in the file, after a write
    // error, a stop by the user or a source that held fewer samples than it said.
    const auto keepSizesWritten = [&](uint64_t dataStart) {
      const uint64_t scanBytes = 2 * static_cast<uint64_t>(channels);
      const uint64_t dataBytes = ScanBytesWritten(out, dataStart, scanBytes);
      PatchSize(out, 8, dataStart + dataBytes - kFormBytes, ByteOrder::LittleEndian);
      PatchSize(out, peaksAt - 4, dataBytes / scanBytes, ByteOrder::LittleEndian);
      PatchSize(out, dataStart - 4, dataBytes, ByteOrder::LittleEndian);
    };
    WriteExportData(
        out, static_cast<uint64_t>(2 * samples),
        [&] {
          ForEachSourceChunk(context, samples, [&](std::span<const int16_t> block) {
            extremes.Add(block);
            out.WriteSamples16(block, ByteOrder::LittleEndian);
          });
        },
        keepSizesWritten);
  } else {
    ChannelChunkWriter chunks(out, out.Position(), ChannelOfEverySlot(smp), channels, frames);
    try {
      ForEachSourceChunk(context, samples, [&](std::span<const int16_t> block) {
        extremes.Add(block);
        chunks.Add(block);
      });
      chunks.Finish();
    } catch (...) {
      // The chunks before the last keep their sizes, which place the chunks after them.
      const uint64_t lastStart = chunks.LastChunkDataStart();
      const uint64_t lastBytes = chunks.LastChunkBytesWritten();
      PatchSize(out, 8, lastStart + lastBytes - kFormBytes, ByteOrder::LittleEndian);
      PatchSize(out, peaksAt - 4, chunks.FramesWritten(), ByteOrder::LittleEndian);
      PatchSize(out, lastStart - 4, lastBytes, ByteOrder::LittleEndian);
      throw;
    }
  }
  WritePeaks(out, peaksAt, layout, ChannelPeaks(smp, channels, extremes));
  out.Close();
}

// The descriptor: what the tables of types, targets and settings know of NSP.

namespace {

namespace pp = probe_parts;

int32_t DetectNSP(std::span<const uint8_t> bytes, int32_t) {
  return pp::HasTag(bytes, 0, "FORM") && pp::HasTag(bytes, 4, "DS16") ? ftNSP : kNotThisFormatCode;
}

std::string DescribeNSP(int32_t, ByteReader& reader, int64_t fileSize, const NumberFormat& format) {
  const FourCC form = reader.fourcc();
  if (reader.ShortRead()) {
    return pp::CantOpen(reader);
  }
  if (form != FourCC("FORM")) {
    return "Unknown .nsp file type " + pp::Printable(form);
  }
  const FourCC dataType = reader.fourcc();
  const uint32_t dataSize = reader.u32le();
  if (dataType != FourCC("DS16")) {
    return "Unknown .nsp data type " + pp::Printable(dataType);
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
      rate = pp::U32le(body, 20);
      length = pp::U32le(body, 24);
      for (size_t at = 28; at < bodyBytes; at += 2) {
        if (static_cast<int16_t>(pp::U16le(body, at)) >= 0) {
          ++channels;
        }
      }
    } else {
      pp::PassBody(reader, chunk->size);
    }
  }
  if (!haveHeader || rate == 0) {
    return std::string(pp::kUnknownEncoding);
  }
  const double duration = static_cast<double>(length) / rate;
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + FormatGeneral(rate, format) + " Hz, " + pp::Channels(channels);
}

std::string NSPExtension(const ForeignFormatSettings&) {
  return ".nsp";
}

constexpr std::array<std::string_view, 1> kNSPExtensions = {".nsp"};
constexpr std::array<FormatFileType, 1> kNSPTypes = {{{ftNSP, "NSP", kNSPExtensions}}};

constexpr auto kImportNSPRows = ImportViewRows<&NSPSettings::ImportNSP>();
constexpr std::array<SettingRow, 3> kExportNSPRows = {{
    {"StoreSMPHeader", SettingStorage::Everywhere,
     &RefTo<&NSPSettings::ExportNSP, &ExportNSPSettings::StoreSMPHeader>},
    {"OneChannelType", SettingStorage::Everywhere,
     &RefTo<&NSPSettings::ExportNSP, &ExportNSPSettings::OneChannelType>},
    {"TwoChannelType", SettingStorage::Everywhere,
     &RefTo<&NSPSettings::ExportNSP, &ExportNSPSettings::TwoChannelType>},
}};
constexpr std::array<SettingsSection, 2> kNSPSections = {{
    {"ImportNSP", 4, kImportNSPRows},
    {"ExportNSP", 11, kExportNSPRows},
}};

}  // namespace

std::string NSPHeaderLine(const ForeignFormatSettings& settings) {
  return settings.ExportNSP.StoreSMPHeader ? "NSP:  smphead" : "NSP: ";
}

const FormatDescriptor NSPFormat::descriptor = {
    .format = "NSP",
    .types = kNSPTypes,
    .detect = &DetectNSP,
    .stage = DetectionStage::Header,
    .reservedTag = "FORM",
    .describe = &DescribeNSP,
    .settings = kNSPSections,
    .importer = FormatImport{.convert = &WithSection<&NSPSettings::ImportNSP, &ImportNSP>},
    .exporter =
        FormatExport{
            .buttonName = "nspbutton",
            .caption = "NSP !",
            .cliAction = "to-nsp",
            .cliHelp = "export SMP files to NSP",
            .extension = &NSPExtension,
            .refusalExtension = ".nsp",
            .refusalPlace = 4,
            .headerLine = &NSPHeaderLine,
            .batchLogsCancel = false,
            .convert = &WithSection<&NSPSettings::ExportNSP, &ExportNSP>,
            .eightBit = std::nullopt,
        },
    .embeddedHead = kHeadContainer,
};

}  // namespace vorsel
