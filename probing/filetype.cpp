#include "probing/filetype.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace vorsel {

namespace {

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) {
      throw std::system_error(errno, std::generic_category(), "Cannot open " + path);
    }
  }
  ~ReadOnlyFile() { ::close(fd_); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Fills as much of the buffer as the file holds.
  size_t ReadUpTo(std::span<uint8_t> buffer, const std::string& path) {
    size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        throw std::system_error(errno, std::generic_category(), "Cannot read " + path);
      }
      if (got == 0) {
        break;
      }
      done += static_cast<size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
};

bool StartsWith(std::span<const uint8_t> bytes, size_t offset, std::string_view tag) {
  if (bytes.size() < offset + tag.size()) {
    return false;
  }
  for (size_t k = 0; k < tag.size(); ++k) {
    if (bytes[offset + k] != static_cast<uint8_t>(tag[k])) {
      return false;
    }
  }
  return true;
}

bool IsOneOf(uint8_t c, std::initializer_list<uint8_t> set) {
  for (const uint8_t s : set) {
    if (c == s) {
      return true;
    }
  }
  return false;
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view FileTypeCodeName(int32_t code) {
  static constexpr std::array<std::string_view, 8> kNames = {"RAW",  "SMP",    "WAV", "AU",
                                                             "AIFF", "AIFF-C", "NSP", "TXT"};
  if (code < 0 || code >= static_cast<int32_t>(kNames.size())) {
    return {};
  }
  return kNames[static_cast<size_t>(code)];
}

int32_t FileTypeOfExtension(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return ftRAW;
  }
  std::string ext;
  for (const char c : name.substr(dot)) {
    ext += LowerAscii(c);
  }
  if (ext == ".smp") {
    return ftSMP;
  }
  if (ext == ".wav") {
    return ftWAV;
  }
  if (ext == ".au") {
    return ftAU;
  }
  if (ext == ".aiff" || ext == ".aif") {
    return ftAIFF;
  }
  if (ext == ".aifc" || ext == ".afc") {
    return ftAIFC;
  }
  if (ext == ".nsp") {
    return ftNSP;
  }
  if (ext == ".txt") {
    return ftTXT;
  }
  return ftRAW;
}

bool HoldsSMPHead(std::span<const uint8_t> b) {
  const ptrdiff_t n = static_cast<ptrdiff_t>(b.size());
  if (n == 0) {
    return false;
  }
  const auto at = [&b](ptrdiff_t i) { return b[static_cast<size_t>(i)]; };
  // Spaces, carriage returns and the bytes 4 and 26 never count inside a line.
  const std::initializer_list<uint8_t> kIgnored = {4, 13, 26, 32};
  ptrdiff_t i = -1;
  bool positive = true;
  std::string line;
  while (true) {
    line.clear();
    uint8_t c = 0;
    do {
      ++i;
      while (i < n - 1 && IsOneOf(at(i), kIgnored)) {
        ++i;
      }
      c = at(i);
      if (c != 0 && c != 10) {
        line += static_cast<char>(c);
      }
    } while (line.size() < 255 && i < n - 1 && c != 0 && c != 10);

    if (line.size() == 255 && !IsOneOf(at(i), {0, 4, 10, 13, 26})) {
      positive = false;
    }
    if ((i < n - 1 || IsOneOf(at(i), {0, 4, 26})) && line.find('=') == std::string::npos) {
      positive = false;
    }
    if (!(i < n - 1 && positive && !IsOneOf(at(i), {0, 4, 26}) && line != "=")) {
      break;
    }
  }
  return positive && line == "=";
}

bool HoldsNumberText(std::span<const uint8_t> b, int32_t stripLines) {
  const size_t n = b.size();
  size_t j = 0;
  // A line ends with LF, CR LF or a lone CR, so text written on any system strips alike.
  for (int32_t k = 0; k < stripLines && j < n; ++j) {
    const bool lineEnd = b[j] == 10 || (b[j] == 13 && (j + 1 >= n || b[j + 1] != 10));
    if (lineEnd) {
      ++k;
    }
  }
  bool digit = false;
  for (; j < n; ++j) {
    const uint8_t c = b[j];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (!IsOneOf(c, {9, 10, 13, 32, '+', ',', '-', '.', 'E', 'e'})) {
      return false;
    }
  }
  return digit;
}

int32_t FileTypeOfBytes(std::span<const uint8_t> bytes, int32_t stripLines) {
  if (bytes.size() < 4) {
    return ftRAW;
  }
  if (StartsWith(bytes, 0, "RIFF")) {
    return ftWAV;
  }
  if (StartsWith(bytes, 0, ".snd")) {
    return ftAU;
  }
  if (StartsWith(bytes, 0, "FORM")) {
    if (StartsWith(bytes, 4, "DS16")) {
      return ftNSP;
    }
    if (StartsWith(bytes, 8, "AIFF")) {
      return ftAIFF;
    }
    if (StartsWith(bytes, 8, "AIFC")) {
      return ftAIFC;
    }
    return ftRAW;
  }
  if (HoldsSMPHead(bytes)) {
    return ftSMP;
  }
  return HoldsNumberText(bytes, stripLines) ? ftTXT : ftRAW;
}

int32_t FileTypeOf(const std::string& path, const ProbeSettings& settings) {
  if (settings.UseExtensionAsId) {
    return FileTypeOfExtension(path);
  }
  std::array<uint8_t, kFileTypeProbeBytes> buffer;
  size_t n = 0;
  {
    ReadOnlyFile file(path);
    n = file.ReadUpTo(buffer, path);
  }
  return FileTypeOfBytes(std::span<const uint8_t>(buffer.data(), n), settings.StripLines);
}

std::string FileTypeName(const std::string& path, const ProbeSettings& settings) {
  return std::string(FileTypeCodeName(FileTypeOf(path, settings)));
}

}  // namespace vorsel
