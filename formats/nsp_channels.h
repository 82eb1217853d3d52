#pragma once

// The sample chunks of NSP files that hold one channel each ("SDA_", "SD_B", "SD_2" ...): the
// channel an id names, a reader that takes all channel chunks of a file side by side, so that
// an import writes the interleaved SMP data in one pass, and the writer that does the same for
// an export.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fileio/byteio.h"
#include "smp/sSMP.h"

namespace vorsel {

inline constexpr int kMaxNspChannels = 8;

// The id of the chunk that holds channel 0 to 7.
FourCC ChannelChunkId(int channel);

// How the digit of "SD_" ids counts channels. This program writes "SD_2" for the third
// channel; Praat writes "SD_3" to "SD_8" for the channels 3 to 8. The first such id decides.
enum class DigitNumbering { Undecided, FromZero, FromOne };

// The channel a chunk id names ("SDA_", "SD_0" and "SD_1", "SD_B", "SD_" and a digit), or -1.
int ChannelOfChunkId(const FourCC& id, DigitNumbering& numbering);

// Where the samples of each channel lie in the file, in the order the chunks come.
struct ChannelSegment {
  uint64_t offset = 0;   // of the first sample
  uint64_t samples = 0;  // whole little-endian samples
};

struct ChannelChunkPlan {
  std::vector<std::vector<ChannelSegment>> channels;
  // The longest channel; shorter ones are filled with zeros.
  int64_t frames = 0;
};

// Looks at the chunks from `first` (whose header was just read; the reader stands at its body)
// up to `endOffset`. When every one of them is a channel chunk or a chunk an import skips, all
// lie whole in the file and whole chunk headers fill the space up to `endOffset`, gives where
// each channel's samples lie: the chunk of a channel number at or above `channels` belongs to
// the last channel. Otherwise nothing. Either way the reader is left at `first`'s body.
std::optional<ChannelChunkPlan> PlanChannelChunks(ByteReader& input, const ChunkHeader& first,
                                                  int channels, DigitNumbering numbering,
                                                  uint64_t endOffset);

// Reads the planned channels side by side.
class ChannelInterleaver {
 public:
  // `slotOfChannel`: where in a scan of the SMP data each channel's sample goes.
  ChannelInterleaver(ByteReader& input, const ChannelChunkPlan& plan,
                     std::vector<size_t> slotOfChannel);

  // The next whole scans, as many as fit a chunk; `used` is 0 after the last.
  void Next(tsamplechunk& chunk);

 private:
  struct ChannelCursor {
    size_t segment = 0;
    uint64_t taken = 0;  // samples of the segment read so far
    std::vector<int16_t> buffer;
    size_t begin = 0;
    size_t end = 0;
  };

  // Refills the cursor's buffer from its segments; false when the channel has no more samples.
  bool Refill(size_t channel);

  ByteReader& input_;
  const ChannelChunkPlan& plan_;
  std::vector<ChannelCursor> cursors_;
  std::vector<size_t> slotOfChannel_;
  int64_t framesLeft_;
};

// Writes the chunks that hold one channel each side by side, in one pass over interleaved
// scans: chunk c, its header and `frames` samples, starts at start + c * (8 + 2 * frames).
// Each channel gathers its samples in a block of its own, written at its place when full.
class ChannelChunkWriter {
 public:
  // `channelOfSlot`: the channel (0 to channels - 1) of each slot of a scan.
  ChannelChunkWriter(ByteWriter& out, uint64_t start, std::vector<int> channelOfSlot, int channels,
                     int64_t frames);

  // Interleaved samples, going on from where the last call ended; a channel's samples beyond
  // `frames` are left out.
  void Add(std::span<const int16_t> samples);
  // Writes what is gathered, and zeros for the samples that never came.
  void Finish();

  // After a failed write: the whole samples of the last chunk in the file (which ends with
  // them), and the whole frames that every channel holds.
  uint64_t LastChunkDataStart() const { return channels_.back().start; }
  uint64_t LastChunkBytesWritten() const;
  int64_t FramesWritten() const;

 private:
  struct ChannelBlock {
    uint64_t start = 0;  // file offset of the chunk's first sample
    uint64_t next = 0;   // file offset of the block's first byte
    int64_t left = 0;    // samples still to come
    std::vector<uint8_t> bytes;
    size_t used = 0;
  };

  void WriteBlock(ChannelBlock& channel);

  ByteWriter& out_;
  std::vector<int> channelOfSlot_;
  std::vector<ChannelBlock> channels_;
  int64_t frames_;
  size_t slot_ = 0;
};

}  // namespace vorsel
