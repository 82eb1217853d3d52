#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsel {

// The hex dump viewer shows one block of a file at a time.
inline constexpr size_t kDumpBlockBytes = 8192;
inline constexpr std::string_view kCouldNotReadLine = "Could not read file.";

// The even offset at or below the scroll position: a block always starts on a 16-bit sample.
constexpr uint64_t DumpStart(uint64_t position) {
  return position & ~uint64_t{1};
}

// The character-column text of one byte, in UTF-8: the Windows-1252 character of that code,
// or a bullet for control codes and the five codes Windows-1252 leaves undefined.
std::string DumpCharacter(uint8_t byte);

// Builds the dump lines byte by byte, so that a caller can stop between any two bytes: each
// line is the bytes in groups of four, the offset in at least five upper-case hex digits, and
// the characters in groups of four, every part followed by a space.
class DumpLineBuilder {
 public:
  explicit DumpLineBuilder(uint64_t start) : start_(start) {}

  void Add(uint8_t byte);
  // Emits the line in progress; the lines of the block after its last byte.
  std::vector<std::string> Finish();

 private:
  void Emit();

  uint64_t start_;
  uint64_t index_ = 0;
  std::string hex_;
  std::string chars_;
  std::string offset_;
  std::vector<std::string> lines_;
};

// The whole dump of a block read from start; the one line "Could not read file." for an
// empty block.
std::vector<std::string> DumpLines(std::span<const uint8_t> block, uint64_t start);

// The waveform preview's choices, as the viewer's radio groups number them.
enum class WaveEncoding { MuLaw = 0, ALaw = 1, Linear8 = 2, Linear16 = 3 };
struct WaveDecoding {
  WaveEncoding encoding = WaveEncoding::Linear16;
  bool signedData = true;  // "Data is": "Signed"; u-law and A-law are always signed
  bool motorola = false;   // "Byte order": "Motorola"; only 16-bit data has one
};

inline constexpr int kWaveformWidth = 353;
inline constexpr int kWaveformHeight = 73;

struct WavePoint {
  int x = 0;
  int y = 0;
  bool operator==(const WavePoint&) const = default;
};

// The point that byte i of the block gives, if it gives one: 16-bit data gives a point at
// every odd byte, the other decodings at every byte, and a block of fewer than two bytes none.
// A point may fall on x = kWaveformWidth or y = kWaveformHeight, just outside the image.
std::optional<WavePoint> WaveformPoint(std::span<const uint8_t> block, size_t i,
                                       const WaveDecoding& decoding);
std::vector<WavePoint> WaveformPoints(std::span<const uint8_t> block, const WaveDecoding& decoding);

// Reads the block at the even start at or below position: at most kDumpBlockBytes, fewer at
// the end of the file (or of a file that shrank since its size was taken). Throws
// std::system_error when the file cannot be opened or read.
struct DumpBlock {
  uint64_t start = 0;
  std::vector<uint8_t> bytes;
};
DumpBlock ReadDumpBlock(const std::string& path, uint64_t position);

// The viewer's scroll bar counts in 32-bit steps; a file of 2 GiB and more is scrolled in
// steps of 2^shift bytes so that its whole length fits. Starts are even, so a shift of 1
// loses nothing for files up to 4 GiB.
struct DumpScrollLimits {
  bool enabled = false;
  int maximum = 0;
  int smallChange = 1024;
  int largeChange = static_cast<int>(kDumpBlockBytes);
  unsigned shift = 0;
  uint64_t maximumBytes = 0;
};
// For a file of this size (nothing when it cannot be found): disabled for 8192 bytes or less.
DumpScrollLimits ScrollLimitsFor(std::optional<uint64_t> fileSize);
uint64_t ScrollBytes(int value, const DumpScrollLimits& limits);
int ScrollValue(uint64_t bytes, const DumpScrollLimits& limits);

}  // namespace vorsel
