#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorsel {

// A write to an INI file that failed; the message names the file and the reason.
class IniWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An INI text file with the semantics of the private-profile functions: "[Section]" lines
// followed by "Key=Value" lines; section and key names compare without regard to case;
// reading a missing file, section or key gives nothing; writing a key replaces its value in
// place or adds it to the end of its section, adding the section (and the file) when missing.
// Every other line of the file is kept. Lines beginning with ";" or "#" are comments.
//
// Reading accepts LF, CR LF and CR line ends and UTF-8 (with or without a byte-order mark),
// UTF-16LE with its mark, and falls back to Windows-1252 when the bytes are not UTF-8. A
// write keeps the file's encoding where it can hold the text (else UTF-8) and ends every
// line with CR LF. A write replaces the file atomically (written beside it, synced, renamed),
// under an exclusive lock, so a crash, a full disk or another program writing at the same
// time never leaves a half-written or mixed file.
//
// Changes reach the file at once, or, while writes are deferred, at the next Flush.
class IniFile {
 public:
  explicit IniFile(std::string fileName);
  ~IniFile();  // flushes deferred changes; a failure is lost, so callers flush first
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  // The value text without surrounding blanks and without one pair of enclosing quotes.
  std::optional<std::string> Read(std::string_view section, std::string_view key);
  std::vector<std::string> SectionNames();
  std::vector<std::string> KeyNames(std::string_view section);

  // Throw IniWriteError. A name or value that a line cannot hold (a line break, a key with
  // "=" or beginning with "[" or ";", a section name with "]") is refused the same way.
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  void SetDeferred(bool deferred);
  bool Deferred() const { return deferred_; }
  // Writes the deferred changes; throws IniWriteError.
  void Flush();

 private:
  struct Change;
  class Document;

  const Document& Current();
  void Apply(Change change);

  std::string fileName_;
  bool deferred_ = false;
  std::unique_ptr<Document> disk_;  // the file as last read
  std::unique_ptr<Document> view_;  // disk_ with the pending changes applied
  std::vector<Change> pending_;
};

}  // namespace vorsel
