#include "frontend/hex_dump.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <system_error>

#include "codings/byteorder.h"
#include "codings/g711.h"
#include "fileio/file_io.h"
#include "platform/cp1252.h"

namespace vorsel {

namespace {

constexpr std::string_view kPlaceholder = "\u2022";  // 0x95 in Windows-1252

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& text, uint8_t byte) {
  text += kHexDigits[byte >> 4];
  text += kHexDigits[byte & 0x0F];
}

std::string OffsetText(uint64_t offset) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[offset & 0x0F]);
    offset >>= 4;
  } while (offset != 0);
  if (digits.size() < 5) {
    digits.insert(0, 5 - digits.size(), '0');
  }
  return digits;
}

bool UndefinedInCp1252(uint8_t byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

int Nearest(double value) {
  // The default rounding mode takes halves to the even neighbour.
  return static_cast<int>(std::nearbyint(value));
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
  throw std::system_error(error, std::generic_category(), std::string(what) + " " + path);
}

}  // namespace

std::string DumpCharacter(uint8_t byte) {
  if (byte < 32 || UndefinedInCp1252(byte)) {
    return std::string(kPlaceholder);
  }
  const char code = static_cast<char>(byte);
  return Cp1252ToUtf8(std::string_view(&code, 1));
}

void DumpLineBuilder::Add(uint8_t byte) {
  if (index_ % 4 == 0) {
    hex_ += ' ';
    chars_ += ' ';
  }
  if (index_ % 16 == 0) {
    if (index_ > 0) {
      Emit();
    }
    hex_.clear();
    chars_.clear();
    offset_ = OffsetText(start_ + index_);
  }
  hex_ += ' ';
  AppendHexByte(hex_, byte);
  chars_ += DumpCharacter(byte);
  ++index_;
}

void DumpLineBuilder::Emit() {
  lines_.push_back(hex_ + ' ' + offset_ + ' ' + chars_);
}

std::vector<std::string> DumpLineBuilder::Finish() {
  if (index_ > 0) {
    // The last line ends in a space like every line before it.
    hex_ += ' ';
    chars_ += ' ';
    Emit();
  }
  return std::move(lines_);
}

std::vector<std::string> DumpLines(std::span<const uint8_t> block, uint64_t start) {
  if (block.empty()) {
    return {std::string(kCouldNotReadLine)};
  }
  DumpLineBuilder builder(start);
  for (const uint8_t byte : block) {
    builder.Add(byte);
  }
  return builder.Finish();
}

std::optional<WavePoint> WaveformPoint(std::span<const uint8_t> block, size_t i,
                                       const WaveDecoding& decoding) {
  const size_t n = block.size();
  if (n < 2 || i >= n) {
    return std::nullopt;
  }
  const uint8_t byte = block[i];
  const bool isSigned = decoding.signedData || decoding.encoding == WaveEncoding::MuLaw ||
                        decoding.encoding == WaveEncoding::ALaw;
  const bool swap = decoding.motorola && decoding.encoding == WaveEncoding::Linear16;
  uint16_t bits = 0;
  switch (decoding.encoding) {
    case WaveEncoding::MuLaw:
      bits = static_cast<uint16_t>(MuLawToLinear(byte));
      break;
    case WaveEncoding::ALaw:
      bits = static_cast<uint16_t>(ALawToLinear(byte));
      break;
    case WaveEncoding::Linear8:
      bits = static_cast<uint16_t>(byte << 8);
      break;
    case WaveEncoding::Linear16:
      if (i % 2 == 0) {
        return std::nullopt;  // the low byte of the value that the next byte completes
      }
      bits = static_cast<uint16_t>((byte << 8) | block[i - 1]);
      break;
  }
  if (swap) {
    bits = Swap16(bits);
  }
  if (!isSigned) {
    bits = static_cast<uint16_t>(bits - 32768);
  }
  const int16_t v = static_cast<int16_t>(bits);
  return WavePoint{
      .x = Nearest(static_cast<double>(i) / static_cast<double>(n - 1) * kWaveformWidth),
      .y = Nearest((0.5 - v / 65536.0) * kWaveformHeight)};
}

std::vector<WavePoint> WaveformPoints(std::span<const uint8_t> block,
                                      const WaveDecoding& decoding) {
  std::vector<WavePoint> points;
  for (size_t i = 0; i < block.size(); ++i) {
    if (const auto point = WaveformPoint(block, i, decoding)) {
      points.push_back(*point);
    }
  }
  return points;
}

DumpBlock ReadDumpBlock(const std::string& path, uint64_t position) {
  const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) {
    ThrowFileError("Cannot open file", path, errno);
  }
  DumpBlock block{.start = DumpStart(position), .bytes = std::vector<uint8_t>(kDumpBlockBytes)};
  size_t done = 0;
  // Only the bytes this read delivers are kept: a file that shrinks meanwhile gives fewer.
  while (done < kDumpBlockBytes) {
    const ssize_t got = ::pread(file.fd(), block.bytes.data() + done, kDumpBlockBytes - done,
                                static_cast<off_t>(block.start + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      ThrowFileError("Cannot read file", path, errno);
    }
    if (got == 0) {
      break;
    }
    done += static_cast<size_t>(got);
  }
  block.bytes.resize(done);
  return block;
}

DumpScrollLimits ScrollLimitsFor(std::optional<uint64_t> fileSize) {
  DumpScrollLimits limits;
  if (!fileSize || *fileSize <= kDumpBlockBytes) {
    return limits;
  }
  limits.enabled = true;
  limits.maximumBytes = *fileSize - kDumpBlockBytes;
  while (((limits.maximumBytes + (uint64_t{1} << limits.shift) - 1) >> limits.shift) >
         static_cast<uint64_t>(INT_MAX)) {
    ++limits.shift;
  }
  // Rounded up, so that the bar's end reaches the file's last block.
  limits.maximum =
      static_cast<int>((limits.maximumBytes + (uint64_t{1} << limits.shift) - 1) >> limits.shift);
  limits.smallChange = std::max(1024 >> limits.shift, 1);
  limits.largeChange = std::max(static_cast<int>(kDumpBlockBytes) >> limits.shift, 1);
  return limits;
}

uint64_t ScrollBytes(int value, const DumpScrollLimits& limits) {
  if (!limits.enabled || value <= 0) {
    return 0;
  }
  return std::min(static_cast<uint64_t>(value) << limits.shift, limits.maximumBytes);
}

int ScrollValue(uint64_t bytes, const DumpScrollLimits& limits) {
  if (!limits.enabled) {
    return 0;
  }
  return static_cast<int>(std::min(bytes, limits.maximumBytes) >> limits.shift);
}

}  // namespace vorsel
