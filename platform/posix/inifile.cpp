#include "platform/inifile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/charset.h"
#include "platform/cp1252.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

// Settings files are a few kilobytes; anything this large is not one.
constexpr off_t kMaxFileBytes = 64 * 1024 * 1024;

enum class Encoding { Utf8, Utf8WithMark, Cp1252, Utf16Le };

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modifiedNs = 0;

  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& st) {
  return {true, st.st_dev, st.st_ino, st.st_size,
          int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

FileIdentity IdentityOfPath(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{};
}

std::string ErrorText(int error) {
  return std::strerror(error);
}

[[noreturn]] void FailWrite(const std::string& file, const std::string& reason) {
  throw IniWriteError(file + ": " + reason);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && IsBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool IsQuoted(std::string_view s) {
  return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

std::optional<std::string_view> SectionOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') {
    return std::nullopt;
  }
  const size_t close = t.find(']');
  if (close == std::string_view::npos) {
    return std::nullopt;
  }
  return Trim(t.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> KeyOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') {
    return std::nullopt;
  }
  const size_t equals = t.find('=');
  if (equals == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view key = Trim(t.substr(0, equals));
  if (key.empty()) {
    return std::nullopt;
  }
  return KeyLine{key, Trim(t.substr(equals + 1))};
}

std::string Unquoted(std::string_view value) {
  return std::string(IsQuoted(value) ? value.substr(1, value.size() - 2) : value);
}

// Blanks around a value, and quotes that enclose it, would be lost on reading: such a value
// is written inside one more pair of quotes, which reading removes again.
std::string Quoted(std::string_view value) {
  const bool needsQuotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsQuoted(value));
  if (!needsQuotes) {
    return std::string(value);
  }
  // Appended piece by piece: GCC 12 at -O3 warns falsely about `"\"" + std::string(...)`.
  std::string quoted(1, '"');
  quoted += value;
  quoted += '"';
  return quoted;
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string DecodeUtf16Le(std::string_view bytes) {
  std::string out;
  size_t i = 0;
  const auto unit = [&](size_t at) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  while (i + 1 < bytes.size()) {
    char32_t c = unit(i);
    i += 2;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < bytes.size() && unit(i) >= 0xDC00 &&
        unit(i) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string EncodeUtf16Le(std::string_view utf8) {
  std::string out;
  const auto put = [&out](char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  };
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t c = DecodeUtf8(utf8, pos);
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

// Reads the whole of an open file; nothing when it cannot be read or is too large.
std::optional<std::string> ReadAll(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileBytes) {
    return std::nullopt;
  }
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return std::nullopt;
    }
    if (n == 0) {
      return bytes;
    }
    bytes.append(buffer, static_cast<size_t>(n));
    if (static_cast<off_t>(bytes.size()) > kMaxFileBytes) {
      return std::nullopt;
    }
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) {
      close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

bool WriteFully(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The file a write replaces: the target of a symbolic link rather than the link itself.
std::string ReplacedPath(const std::string& fileName) {
  std::error_code error;
  if (std::filesystem::is_symlink(fileName, error)) {
    const auto target = std::filesystem::weakly_canonical(fileName, error);
    if (!error) {
      return target.string();
    }
  }
  return fileName;
}

// Holds the exclusive lock on the file that is about to be replaced. Other writers lock the
// same file; once the holder has renamed the new version into place, a waiting writer finds
// that its descriptor no longer names the path and locks the new file instead.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) : path_(path) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      fd_.Reset(open(path.c_str(), O_RDONLY | O_CLOEXEC));
      created_ = false;
      if (fd_.get() < 0 && errno == ENOENT) {
        fd_.Reset(open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, CreationMode()));
        created_ = fd_.get() >= 0;
        if (fd_.get() < 0 && errno == EEXIST) {
          continue;
        }
      }
      if (fd_.get() < 0) {
        FailWrite(path, ErrorText(errno));
      }
      while (flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
          FailWrite(path, ErrorText(errno));
        }
      }
      struct stat held {};
      struct stat named {};
      if (fstat(fd_.get(), &held) == 0 && stat(path.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        held_ = held;
        return;
      }
    }
    FailWrite(path, "the file keeps changing");
  }

  // Takes away the empty file the lock created when the write did not happen.
  ~WriteLock() {
    struct stat named {};
    if (created_ && !replaced_ && stat(path_.c_str(), &named) == 0 &&
        named.st_ino == held_.st_ino && named.st_size == 0) {
      unlink(path_.c_str());
    }
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  int fd() const { return fd_.get(); }
  bool created() const { return created_; }
  const struct stat& held() const { return held_; }
  void MarkReplaced() { replaced_ = true; }

 private:
  std::string path_;
  Descriptor fd_;
  bool created_ = false;
  bool replaced_ = false;
  struct stat held_ {};
};

}  // namespace

class IniFile::Document {
 public:
  std::vector<std::string> lines;  // UTF-8, without line ends
  Encoding encoding = Encoding::Utf8;
  FileIdentity identity;

  static Document Parse(std::string_view bytes) {
    Document doc;
    std::string text;
    if (bytes.substr(0, 2) == kUtf16LeMark) {
      doc.encoding = Encoding::Utf16Le;
      text = DecodeUtf16Le(bytes.substr(2));
    } else if (bytes.substr(0, 3) == kUtf8Mark) {
      doc.encoding = Encoding::Utf8WithMark;
      text = bytes.substr(3);
    } else if (IsValidUtf8(bytes)) {
      text = bytes;
    } else {
      doc.encoding = Encoding::Cp1252;
      text = Cp1252ToUtf8(bytes);
    }
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        doc.lines.push_back(text.substr(start));
        break;
      }
      doc.lines.push_back(text.substr(start, end - start));
      start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return doc;
  }

  std::string Serialize() {
    std::string text;
    for (const std::string& line : lines) {
      text += line;
      text += "\r\n";
    }
    switch (encoding) {
      case Encoding::Utf8:
        return text;
      case Encoding::Utf8WithMark:
        return std::string(kUtf8Mark) + text;
      case Encoding::Utf16Le:
        return std::string(kUtf16LeMark) + EncodeUtf16Le(text);
      case Encoding::Cp1252:
        if (auto bytes = Utf8ToCp1252(text)) {
          return *bytes;
        }
        encoding = Encoding::Utf8;  // a character the code page lacks: keep it, in UTF-8
        return text;
    }
    return text;
  }

  std::optional<std::string> Read(std::string_view section, std::string_view key) const {
    const auto range = FirstSection(section);
    if (!range) {
      return std::nullopt;
    }
    const std::string wanted = FoldCase(Trim(key));
    for (size_t i = range->first + 1; i < range->second; ++i) {
      const auto entry = KeyOf(lines[i]);
      if (entry && FoldCase(entry->key) == wanted) {
        return Unquoted(entry->value);
      }
    }
    return std::nullopt;
  }

  std::vector<std::string> SectionNames() const {
    std::vector<std::string> names;
    std::vector<std::string> folded;
    for (const std::string& line : lines) {
      if (const auto name = SectionOf(line)) {
        AddUnique(names, folded, *name);
      }
    }
    return names;
  }

  std::vector<std::string> KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    std::vector<std::string> folded;
    if (const auto range = FirstSection(section)) {
      for (size_t i = range->first + 1; i < range->second; ++i) {
        if (const auto entry = KeyOf(lines[i])) {
          AddUnique(names, folded, entry->key);
        }
      }
    }
    return names;
  }

  void Write(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    const auto range = FirstSection(section);
    if (!range) {
      std::string header(1, '[');
      header += Trim(section);
      header += ']';
      lines.push_back(std::move(header));
      lines.push_back(std::string(name) + "=" + Quoted(value));
      return;
    }
    const std::string wanted = FoldCase(name);
    size_t insertAt = range->first + 1;
    for (size_t i = range->first + 1; i < range->second; ++i) {
      const auto entry = KeyOf(lines[i]);
      if (!entry) {
        continue;
      }
      if (FoldCase(entry->key) == wanted) {
        lines[i] = std::string(entry->key) + "=" + Quoted(value);
        return;
      }
      insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(insertAt),
                 std::string(name) + "=" + Quoted(value));
  }

  // Every section of that name goes, so that no later copy shows through.
  void EraseSection(std::string_view section) {
    const std::string wanted = FoldCase(Trim(section));
    std::vector<std::string> kept;
    bool erasing = false;
    for (std::string& line : lines) {
      if (const auto name = SectionOf(line)) {
        erasing = FoldCase(*name) == wanted;
      }
      if (!erasing) {
        kept.push_back(std::move(line));
      }
    }
    lines = std::move(kept);
  }

  void DeleteKey(std::string_view section, std::string_view key) {
    const auto range = FirstSection(section);
    if (!range) {
      return;
    }
    const std::string wanted = FoldCase(Trim(key));
    for (size_t i = range->second; i-- > range->first + 1;) {
      const auto entry = KeyOf(lines[i]);
      if (entry && FoldCase(entry->key) == wanted) {
        lines.erase(lines.begin() + static_cast<ptrdiff_t>(i));
      }
    }
  }

 private:
  // Header line and end (exclusive) of the first section of that name.
  std::optional<std::pair<size_t, size_t>> FirstSection(std::string_view section) const {
    const std::string wanted = FoldCase(Trim(section));
    for (size_t i = 0; i < lines.size(); ++i) {
      const auto name = SectionOf(lines[i]);
      if (!name || FoldCase(*name) != wanted) {
        continue;
      }
      size_t end = i + 1;
      while (end < lines.size() && !SectionOf(lines[end])) {
        ++end;
      }
      return std::pair(i, end);
    }
    return std::nullopt;
  }

  static void AddUnique(std::vector<std::string>& names, std::vector<std::string>& folded,
                        std::string_view name) {
    std::string fold = FoldCase(name);
    for (const std::string& seen : folded) {
      if (seen == fold) {
        return;
      }
    }
    folded.push_back(std::move(fold));
    names.emplace_back(name);
  }
};

struct IniFile::Change {
  enum class Kind { Write, EraseSection, DeleteKey };
  Kind kind;
  std::string section;
  std::string key;
  std::string value;

  void ApplyTo(Document& doc) const {
    switch (kind) {
      case Kind::Write:
        doc.Write(section, key, value);
        break;
      case Kind::EraseSection:
        doc.EraseSection(section);
        break;
      case Kind::DeleteKey:
        doc.DeleteKey(section, key);
        break;
    }
  }
};

namespace {

void CheckSection(const std::string& file, std::string_view section) {
  const std::string_view name = Trim(section);
  if (name.empty() || HasLineBreak(name) || name.find(']') != std::string_view::npos) {
    FailWrite(file, "a section cannot be named \"" + std::string(section) + "\"");
  }
}

void CheckKey(const std::string& file, std::string_view key) {
  const std::string_view name = Trim(key);
  if (name.empty() || HasLineBreak(name) || name.find('=') != std::string_view::npos ||
      name.front() == '[' || name.front() == ';' || name.front() == '#') {
    FailWrite(file, "a key cannot be named \"" + std::string(key) + "\"");
  }
}

}  // namespace

IniFile::IniFile(std::string fileName)
    : fileName_(std::move(fileName)), disk_(std::make_unique<Document>()) {}

IniFile::~IniFile() {
  try {
    Flush();
  } catch (const IniWriteError&) {
    // Nothing is left to report to at destruction.
  }
}

const IniFile::Document& IniFile::Current() {
  const FileIdentity identity = IdentityOfPath(fileName_);
  if (!(identity == disk_->identity)) {
    Descriptor fd(open(fileName_.c_str(), O_RDONLY | O_CLOEXEC));
    std::optional<std::string> bytes;
    if (fd.get() >= 0) {
      bytes = ReadAll(fd.get());
    }
    auto fresh = std::make_unique<Document>(Document::Parse(bytes.value_or(std::string())));
    fresh->identity = identity;
    disk_ = std::move(fresh);
    view_.reset();
  }
  if (pending_.empty()) {
    return *disk_;
  }
  if (!view_) {
    view_ = std::make_unique<Document>(*disk_);
    for (const Change& change : pending_) {
      change.ApplyTo(*view_);
    }
  }
  return *view_;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) {
  return Current().Read(section, key);
}

std::vector<std::string> IniFile::SectionNames() {
  return Current().SectionNames();
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) {
  return Current().KeyNames(section);
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  CheckSection(fileName_, section);
  CheckKey(fileName_, key);
  if (HasLineBreak(value)) {
    FailWrite(fileName_, "a value cannot hold a line break");
  }
  Apply({Change::Kind::Write, std::string(section), std::string(key), std::string(value)});
}

void IniFile::EraseSection(std::string_view section) {
  Apply({Change::Kind::EraseSection, std::string(section), {}, {}});
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  Apply({Change::Kind::DeleteKey, std::string(section), std::string(key), {}});
}

void IniFile::SetDeferred(bool deferred) {
  deferred_ = deferred;
  if (!deferred_) {
    Flush();
  }
}

void IniFile::Apply(Change change) {
  if (view_) {
    change.ApplyTo(*view_);
  }
  pending_.push_back(std::move(change));
  if (!deferred_) {
    Flush();
  }
}

void IniFile::Flush() {
  if (pending_.empty()) {
    return;
  }
  // A failed write leaves the file as it was and forgets the changes, as a refused write does.
  const std::vector<Change> changes = std::move(pending_);
  pending_.clear();
  view_.reset();
  const std::string target = ReplacedPath(fileName_);
  WriteLock lock(target);
  const std::optional<std::string> bytes = ReadAll(lock.fd());
  if (!bytes) {
    FailWrite(fileName_, "the file cannot be read, or is too large for a settings file");
  }
  Document doc = Document::Parse(*bytes);
  for (const Change& change : changes) {
    change.ApplyTo(doc);
  }
  const std::string content = doc.Serialize();

  const std::filesystem::path path(target);
  const std::string folder =
      path.has_parent_path() ? path.parent_path().string() : std::string(".");
  std::string temp = folder + "/.~" + path.filename().string() + ".XXXXXX";
  Descriptor out(mkostemp(temp.data(), O_CLOEXEC));
  if (out.get() < 0) {
    FailWrite(fileName_, ErrorText(errno));
  }
  const mode_t mode = lock.created() ? CreationMode() : (lock.held().st_mode & 07777);
  bool written = WriteFully(out.get(), content) && fchmod(out.get(), mode) == 0;
  if (written && !lock.created()) {
    // Keeps the owner when an administrator edits a user's file; refused otherwise, harmless.
    [[maybe_unused]] const int ignored = fchown(out.get(), lock.held().st_uid, lock.held().st_gid);
  }
  written = written && fsync(out.get()) == 0;
  if (!written || rename(temp.c_str(), target.c_str()) != 0) {
    const int failure = errno;
    unlink(temp.c_str());
    FailWrite(fileName_, ErrorText(failure));
  }
  lock.MarkReplaced();
  Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) {
    fsync(dir.get());
  }
  struct stat st {};
  doc.identity = fstat(out.get(), &st) == 0 ? IdentityOf(st) : FileIdentity{};
  disk_ = std::make_unique<Document>(std::move(doc));
}

}  // namespace vorsel
