#include "smp/label_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "fileio/file_io.h"
#include "platform/charset.h"

namespace vorsel {

namespace {

constexpr size_t kReadBlockBytes = 16384;

FileHandle OpenWithoutBlocking(const std::string& path, int flags) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  return FileHandle(fd);
}

bool IsReadableLabelFile(const FileHandle& file) {
  struct stat info {};
  return file.valid() && ::fstat(file.fd(), &info) == 0 && S_ISREG(info.st_mode);
}

// Splits text into lines ended by CR LF, LF or CR, as they arrive block by block.
class LineSplitter {
 public:
  void Feed(std::string_view bytes) {
    for (const char c : bytes) {
      if (afterCR_ && c == '\n') {
        afterCR_ = false;
        continue;
      }
      afterCR_ = c == '\r';
      if (c == '\r' || c == '\n') {
        EndLine();
      } else {
        line_ += c;
        open_ = true;
      }
    }
  }
  // A last line without a line end still counts.
  std::vector<std::string> Finish() {
    if (open_) {
      EndLine();
    }
    return std::move(lines_);
  }

 private:
  void EndLine() {
    if (first_) {
      first_ = false;  // the SMP file's name
    } else {
      lines_.push_back(OemToCharA(line_));
    }
    line_.clear();
    open_ = false;
  }

  std::vector<std::string> lines_;
  std::string line_;
  bool first_ = true;
  bool open_ = false;
  bool afterCR_ = false;
};

}  // namespace

std::vector<std::string> ReadLabelFile(const std::string& path) {
  const FileHandle file = OpenWithoutBlocking(path, O_RDONLY);
  if (!IsReadableLabelFile(file)) {
    return {};
  }
  LineSplitter splitter;
  std::array<char, kReadBlockBytes> block{};
  int64_t offset = 0;
  while (offset < kMaxLabelFileBytes) {
    const size_t got = file.ReadAt(block.data(), block.size(), offset);
    if (got == 0) {
      break;
    }
    splitter.Feed(std::string_view(block.data(), got));
    offset += static_cast<int64_t>(got);
  }
  return splitter.Finish();
}

ForeignLabelFile CheckForeignLabelFile(const std::string& name, const std::string& namingFile,
                                       const std::vector<std::string>& folders) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path named(name);
  const fs::path path = named.is_absolute() ? named : fs::path(namingFile).parent_path() / named;
  ForeignLabelFile result{path.lexically_normal().string(), ""};
  const fs::path real = fs::weakly_canonical(path, error).parent_path();
  const bool inside = !error && std::any_of(folders.begin(), folders.end(), [&](const auto& f) {
    std::error_code ignored;
    return fs::weakly_canonical(fs::absolute(f), ignored) == real && !ignored;
  });
  if (!inside) {
    result.problem = name + " lies outside the input's and the output's folders";
    return result;
  }
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    return result;  // a missing file holds no labels: nothing to refuse
  }
  if (!fs::is_regular_file(status)) {
    result.problem = name + " is not a regular file";
  } else if (fs::file_size(path, error) > static_cast<uintmax_t>(kMaxLabelFileBytes)) {
    result.problem = name + " is larger than 16 MiB";
  }
  return result;
}

bool WriteLabelFile(const std::string& path, const std::string& smpFilename,
                    const std::vector<std::string>& labels) {
  std::string text = smpFilename + "\r\n";
  for (const std::string& label : labels) {
    text += CharToOemA(label);
    text += "\r\n";
  }
  FileHandle file = OpenWithoutBlocking(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (!file.valid()) {
    return false;
  }
  const bool complete = file.WriteAt(text.data(), text.size(), 0) == text.size();
  return file.Close() && complete;
}

}  // namespace vorsel
