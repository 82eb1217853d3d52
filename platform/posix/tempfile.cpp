#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/tempfile.h"

namespace vorsel {

namespace {

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return {};
  }
  return exe.filename().string();
}

}  // namespace

std::string CreateUniqueTempFile(std::string_view prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp");
  if (pattern.back() != '/') {
    pattern += '/';
  }
  pattern.append(prefix);
  pattern += "XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    return {};
  }
  close(fd);
  return pattern;
}

std::string ProgramTempPrefix() {
  std::string prefix = "~";
  prefix.append(ProgramFileName(), 0, 2);
  return prefix;
}

}  // namespace vorsel
