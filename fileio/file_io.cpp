#include "fileio/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "platform/eventpump.h"

namespace vorsel {

FileHandle::~FileHandle() {
  Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool FileHandle::Close() {
  if (fd_ < 0) {
    return true;
  }
  const int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0;
}

size_t FileHandle::ReadAt(void* buffer, size_t count, int64_t offset) const {
  if (fd_ < 0 || offset < 0) {
    return 0;
  }
  auto* bytes = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, bytes + done, count - done, offset + done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t FileHandle::WriteAt(const void* buffer, size_t count, int64_t offset) const {
  if (fd_ < 0 || offset < 0) {
    writeError_ = fd_ < 0 ? EBADF : EINVAL;
    return 0;
  }
  const auto* bytes = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t put = ::pwrite(fd_, bytes + done, count - done, offset + done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      writeError_ = put < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<size_t>(put);
  }
  return done;
}

int64_t FileHandle::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    return -1;
  }
  return info.st_size;
}

bool FileHandle::Truncate(int64_t size) const {
  return fd_ >= 0 && size >= 0 && ::ftruncate(fd_, size) == 0;
}

FileHandle OpenExistingFile(const std::string& path, FileAccess access, bool writeThrough) {
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::read:
      flags |= O_RDONLY;
      break;
    case FileAccess::write:
      flags |= O_WRONLY;
      break;
    case FileAccess::readWrite:
      flags |= O_RDWR;
      break;
  }
  if (writeThrough) {
    flags |= O_DSYNC;
  }
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return FileHandle(fd);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DeleteFileAt(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool CreateEmptyFile(const std::string& path) {
  FileHandle created(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  return created.valid() && created.Close();
}

bool CopyFileProcessingEvents(const std::string& source, const std::string& target) {
  FileHandle in = OpenExistingFile(source, FileAccess::read, false);
  if (!in.valid()) {
    return false;
  }
  FileHandle out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!out.valid()) {
    return false;
  }
  std::array<char, 8192> block{};
  int64_t offset = 0;
  bool complete = true;
  for (;;) {
    const size_t got = in.ReadAt(block.data(), block.size(), offset);
    ProcessPendingEvents();
    if (got == 0) {
      break;
    }
    const size_t put = out.WriteAt(block.data(), got, offset);
    ProcessPendingEvents();
    offset += static_cast<int64_t>(put);
    if (put < got) {
      complete = false;
      break;
    }
  }
  struct stat info {};
  if (::fstat(in.fd(), &info) == 0) {
    const std::array<timespec, 2> times = {info.st_atim, info.st_mtim};
    ::futimens(out.fd(), times.data());
  }
  const bool closed = out.Close();
  return complete && closed;
}

}  // namespace vorsel
