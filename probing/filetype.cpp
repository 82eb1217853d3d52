#include "probing/filetype.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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

bool BeginsWith(std::span<const uint8_t> bytes, std::string_view tag) {
  return bytes.size() >= tag.size() &&
         std::equal(tag.begin(), tag.end(), bytes.begin(),
                    [](char t, uint8_t b) { return static_cast<uint8_t>(t) == b; });
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

std::string_view FileTypeCodeName(int32_t code, std::span<const FormatProbe> formats) {
  if (code == ftSMP) {
    return "SMP";
  }
  for (const FormatProbe& format : formats) {
    for (const ProbeType& type : format.types) {
      if (type.code == code) {
        return type.name;
      }
    }
  }
  return {};
}

const FormatProbe* FindFormatProbe(std::span<const FormatProbe> formats, int32_t code) {
  for (const FormatProbe& format : formats) {
    for (const ProbeType& type : format.types) {
      if (type.code == code) {
        return &format;
      }
    }
  }
  return nullptr;
}

int32_t FileTypeOfExtension(std::string_view path, std::span<const FormatProbe> formats) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return kUnrecognisedFileType;
  }
  std::string ext;
  for (const char c : name.substr(dot)) {
    ext += LowerAscii(c);
  }
  if (ext == ".smp") {
    return ftSMP;
  }
  for (const FormatProbe& format : formats) {
    for (const ProbeType& type : format.types) {
      for (const std::string_view known : type.extensions) {
        if (ext == known) {
          return type.code;
        }
      }
    }
  }
  return kUnrecognisedFileType;
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

int32_t FileTypeOfBytes(std::span<const uint8_t> bytes, const ProbeSettings& settings) {
  if (bytes.size() < 4) {
    return kUnrecognisedFileType;
  }
  const auto detected = [&](ProbeStage stage) {
    for (const FormatProbe& format : settings.formats) {
      if (format.stage != stage || format.detect == nullptr) {
        continue;
      }
      const int32_t code = format.detect(bytes, settings.StripLines);
      if (code != kNotThisFormat) {
        return code;
      }
    }
    return kNotThisFormat;
  };
  if (const int32_t code = detected(ProbeStage::Header); code != kNotThisFormat) {
    return code;
  }
  for (const FormatProbe& format : settings.formats) {
    if (!format.reservedTag.empty() && BeginsWith(bytes, format.reservedTag)) {
      return kUnrecognisedFileType;
    }
  }
  if (HoldsSMPHead(bytes)) {
    return ftSMP;
  }
  const int32_t text = detected(ProbeStage::Text);
  return text != kNotThisFormat ? text : kUnrecognisedFileType;
}

int32_t FileTypeOf(const std::string& path, const ProbeSettings& settings) {
  if (settings.UseExtensionAsId) {
    return FileTypeOfExtension(path, settings.formats);
  }
  std::array<uint8_t, kFileTypeProbeBytes> buffer;
  size_t n = 0;
  {
    ReadOnlyFile file(path);
    n = file.ReadUpTo(buffer, path);
  }
  return FileTypeOfBytes(std::span<const uint8_t>(buffer.data(), n), settings);
}

std::string FileTypeName(const std::string& path, const ProbeSettings& settings) {
  return std::string(FileTypeCodeName(FileTypeOf(path, settings), settings.formats));
}

}  // namespace vorsel
