#pragma once

// The sample chunks of NSP files that hold one channel each ("SDA_", "SD_B", "SD_2" ...): the
// channel an id names, and a reader that takes all channel chunks of a file side by side, so
// that an import writes the interleaved SMP data in one pass.

#include <cstdint>
#include <optional>
#include <vector>

#include "formats/byteio.h"
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

}  // namespace vorsel
