#include "formats/nsp_channels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

namespace vorsel {

namespace {

constexpr size_t kBufferSamples = kBlockBytes / 2;
constexpr size_t kChunkHeaderBytes = 8;

// Chunks whose handling depends on what came before them: the sequential walk takes those.
bool NeedsSequentialWalk(const ChunkHeader& header) {
  return header.id == FourCC("SDAB") || header.id == FourCC("kelm") ||
         ((header.id == FourCC("HEDR") || header.id == FourCC("HDR8")) && header.size > 0);
}

}  // namespace

FourCC ChannelChunkId(int channel) {
  if (channel == 0) {
    return FourCC("SDA_");
  }
  if (channel == 1) {
    return FourCC("SD_B");
  }
  return FourCC(std::array<char, 4>{'S', 'D', '_', static_cast<char>('0' + channel)});
}

int ChannelOfChunkId(const FourCC& id, DigitNumbering& numbering) {
  if (id == FourCC("SDA_")) {
    return 0;
  }
  const std::string_view text = id.view();
  if (text.substr(0, 3) != "SD_") {
    return -1;
  }
  const char mark = text[3];
  if (mark == '0') {
    return 0;
  }
  if (mark == '1' || mark == 'B') {
    return 1;
  }
  if (mark < '2' || mark > '8') {
    return -1;
  }
  if (numbering == DigitNumbering::Undecided) {
    numbering = mark == '3' ? DigitNumbering::FromOne : DigitNumbering::FromZero;
  }
  if (numbering == DigitNumbering::FromOne) {
    return mark - '1';
  }
  return mark == '8' ? -1 : mark - '0';
}

std::optional<ChannelChunkPlan> PlanChannelChunks(ByteReader& input, const ChunkHeader& first,
                                                  int channels, DigitNumbering numbering,
                                                  uint64_t endOffset) {
  if (channels < 1 || channels > kMaxNspChannels || input.Size() < 0) {
    return std::nullopt;
  }
  const uint64_t firstBody = input.Position();
  const auto fileSize = static_cast<uint64_t>(input.Size());
  ChannelChunkPlan plan;
  plan.channels.resize(static_cast<size_t>(channels));
  std::optional<ChannelChunkPlan> result;
  ChunkHeader header = first;
  uint64_t body = firstBody;
  for (;;) {
    if (NeedsSequentialWalk(header)) {
      break;
    }
    const uint64_t next = body + header.size + header.size % 2;
    if (next > fileSize) {
      break;  // a truncated chunk: the walk reports it
    }
    if (const int channel = ChannelOfChunkId(header.id, numbering); channel >= 0) {
      const auto target = static_cast<size_t>(std::min(channel, channels - 1));
      plan.channels[target].push_back({body, header.size / 2});
    }
    if (next >= endOffset) {
      result = std::move(plan);
      break;
    }
    input.Seek(next);
    const std::optional<ChunkHeader> following = ReadChunkHeader(input, ByteOrder::LittleEndian);
    if (!following) {
      break;
    }
    header = *following;
    body = next + 8;
  }
  input.Seek(firstBody);
  if (result) {
    for (const std::vector<ChannelSegment>& segments : result->channels) {
      int64_t samples = 0;
      for (const ChannelSegment& segment : segments) {
        samples += static_cast<int64_t>(segment.samples);
      }
      result->frames = std::max(result->frames, samples);
    }
  }
  return result;
}

ChannelInterleaver::ChannelInterleaver(ByteReader& input, const ChannelChunkPlan& plan,
                                       std::vector<size_t> slotOfChannel)
    : input_(input),
      plan_(plan),
      cursors_(plan.channels.size()),
      slotOfChannel_(std::move(slotOfChannel)),
      framesLeft_(plan.frames) {
  for (ChannelCursor& cursor : cursors_) {
    cursor.buffer.resize(kBufferSamples);
  }
}

bool ChannelInterleaver::Refill(size_t channel) {
  ChannelCursor& cursor = cursors_[channel];
  const std::vector<ChannelSegment>& segments = plan_.channels[channel];
  while (cursor.segment < segments.size()) {
    const ChannelSegment& segment = segments[cursor.segment];
    const uint64_t left = segment.samples - cursor.taken;
    if (left == 0) {
      ++cursor.segment;
      cursor.taken = 0;
      continue;
    }
    input_.Seek(segment.offset + 2 * cursor.taken);
    const SampleRead read = input_.ReadSamples16(cursor.buffer, ByteOrder::LittleEndian,
                                                 Representation::Signed, 2 * left);
    if (read.samples == 0) {
      // The file shrank since it was planned: what is missing stays zero.
      cursor.segment = segments.size();
      break;
    }
    cursor.taken += read.samples;
    cursor.begin = 0;
    cursor.end = read.samples;
    return true;
  }
  return false;
}

void ChannelInterleaver::Next(tsamplechunk& chunk) {
  const auto channels = static_cast<int64_t>(cursors_.size());
  const int64_t frames = std::min<int64_t>(framesLeft_, kChunkCapacity / channels);
  for (size_t c = 0; c < cursors_.size(); ++c) {
    ChannelCursor& cursor = cursors_[c];
    int16_t* out = chunk.data + slotOfChannel_[c];
    int64_t k = 0;
    while (k < frames) {
      if (cursor.begin == cursor.end && !Refill(c)) {
        for (; k < frames; ++k) {
          out[k * channels] = 0;
        }
        break;
      }
      const int64_t run = std::min<int64_t>(frames - k, cursor.end - cursor.begin);
      const int16_t* from = cursor.buffer.data() + cursor.begin;
      for (int64_t i = 0; i < run; ++i) {
        out[(k + i) * channels] = from[i];
      }
      cursor.begin += static_cast<size_t>(run);
      k += run;
    }
  }
  framesLeft_ -= frames;
  chunk.used = static_cast<int32_t>(frames * channels);
}

ChannelChunkWriter::ChannelChunkWriter(ByteWriter& out, uint64_t start,
                                       std::vector<int> channelOfSlot, int channels, int64_t frames)
    : out_(out),
      channelOfSlot_(std::move(channelOfSlot)),
      channels_(static_cast<size_t>(channels)),
      frames_(frames) {
  const uint64_t chunkBytes = kChunkHeaderBytes + 2 * static_cast<uint64_t>(frames);
  for (size_t c = 0; c < channels_.size(); ++c) {
    ChannelBlock& channel = channels_[c];
    const uint64_t chunkStart = start + c * chunkBytes;
    const auto size = static_cast<uint32_t>(2 * frames);
    const FourCC id = ChannelChunkId(static_cast<int>(c));
    std::array<uint8_t, kChunkHeaderBytes> header{};
    std::copy(id.bytes.begin(), id.bytes.end(), header.begin());
    for (size_t i = 0; i < 4; ++i) {
      header[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    }
    out_.WriteAt(chunkStart, header);
    channel.start = chunkStart + kChunkHeaderBytes;
    channel.next = channel.start;
    channel.left = frames;
    channel.bytes.resize(kBlockBytes);
  }
}

void ChannelChunkWriter::Add(std::span<const int16_t> samples) {
  const size_t slots = channelOfSlot_.size();
  // With one slot per channel, every channel is at the same place at the start of a scan, so
  // whole scans go channel by channel, a loop without a decision per sample.
  while (slots == channels_.size() && slot_ == 0 && samples.size() >= slots &&
         channels_[0].left > 0) {
    const ChannelBlock& first = channels_[0];
    const size_t scans = std::min({samples.size() / slots, (first.bytes.size() - first.used) / 2,
                                   static_cast<size_t>(first.left)});
    for (size_t slot = 0; slot < slots; ++slot) {
      ChannelBlock& channel = channels_[static_cast<size_t>(channelOfSlot_[slot])];
      uint8_t* out = channel.bytes.data() + channel.used;
      for (size_t n = 0; n < scans; ++n) {
        const auto word = static_cast<uint16_t>(samples[n * slots + slot]);
        out[2 * n] = static_cast<uint8_t>(word);
        out[2 * n + 1] = static_cast<uint8_t>(word >> 8);
      }
      channel.used += 2 * scans;
      channel.left -= static_cast<int64_t>(scans);
      if (channel.used == channel.bytes.size()) {
        WriteBlock(channel);
      }
    }
    samples = samples.subspan(scans * slots);
  }
  for (const int16_t sample : samples) {
    ChannelBlock& channel = channels_[static_cast<size_t>(channelOfSlot_[slot_])];
    if (channel.left > 0) {
      const auto word = static_cast<uint16_t>(sample);
      channel.bytes[channel.used] = static_cast<uint8_t>(word);
      channel.bytes[channel.used + 1] = static_cast<uint8_t>(word >> 8);
      channel.used += 2;
      --channel.left;
      if (channel.used == channel.bytes.size()) {
        WriteBlock(channel);
      }
    }
    if (++slot_ == channelOfSlot_.size()) {
      slot_ = 0;
    }
  }
}

void ChannelChunkWriter::Finish() {
  for (ChannelBlock& channel : channels_) {
    WriteBlock(channel);
    std::fill(channel.bytes.begin(), channel.bytes.end(), uint8_t{0});
    while (channel.left > 0) {
      const auto zeros = static_cast<size_t>(
          std::min<int64_t>(channel.left, static_cast<int64_t>(channel.bytes.size() / 2)));
      channel.used = 2 * zeros;
      channel.left -= static_cast<int64_t>(zeros);
      WriteBlock(channel);
    }
  }
}

uint64_t ChannelChunkWriter::LastChunkBytesWritten() const {
  // A block cut short by the failed write may hold some of the last chunk's samples.
  const ChannelBlock& last = channels_.back();
  const uint64_t end = std::max(last.next, out_.FileSize());
  return (std::min(end, last.start + 2 * static_cast<uint64_t>(frames_)) - last.start) / 2 * 2;
}

int64_t ChannelChunkWriter::FramesWritten() const {
  uint64_t bytes = LastChunkBytesWritten();
  for (size_t c = 0; c + 1 < channels_.size(); ++c) {
    bytes = std::min(bytes, channels_[c].next - channels_[c].start);
  }
  return static_cast<int64_t>(bytes / 2);
}

void ChannelChunkWriter::WriteBlock(ChannelBlock& channel) {
  if (channel.used == 0) {
    return;
  }
  out_.WriteAt(channel.next, std::span<const uint8_t>(channel.bytes.data(), channel.used));
  channel.next += channel.used;
  channel.used = 0;
}

}  // namespace vorsel
