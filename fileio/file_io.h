#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorsel {

// Files of this size and more are refused: positions and counts are 32-bit signed integers.
inline constexpr int64_t kMaxFileBytes = int64_t{1} << 31;

enum class FileAccess { read, write, readWrite };

// Owns one file descriptor. An invalid handle (a failed open) moves no bytes.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // False when closing reported an error; the handle is invalid afterwards either way.
  bool Close();

  // Both loop over short transfers and interrupted calls; they return the bytes moved.
  size_t ReadAt(void* buffer, size_t count, int64_t offset) const;
  // A write that moves fewer bytes than asked keeps the reason in WriteError.
  size_t WriteAt(const void* buffer, size_t count, int64_t offset) const;
  // The error number of the last short write (ENOSPC when the system wrote nothing without
  // saying why); 0 while every write was whole.
  int WriteError() const { return writeError_; }
  // -1 when the size cannot be had.
  int64_t Size() const;
  bool Truncate(int64_t size) const;

 private:
  int fd_ = -1;
  mutable int writeError_ = 0;
};

// Opens an existing file; other openers may read and write it at the same time. With
// writeThrough every write reaches the disk before it returns.
FileHandle OpenExistingFile(const std::string& path, FileAccess access, bool writeThrough);

bool FileExists(const std::string& path);
bool DeleteFileAt(const std::string& path);
bool CreateEmptyFile(const std::string& path);

// Copies source to target (created or truncated) in blocks of 8192 bytes, letting the user
// interface handle pending events after each block read and written, and gives the target the
// source's modification time. True only when every block was written in full.
bool CopyFileProcessingEvents(const std::string& source, const std::string& target);

}  // namespace vorsel
