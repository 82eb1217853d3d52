#pragma once

// The folder a fuzz target works in: every input is written here, every output must land
// here, and nothing else may appear or change.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsel::fuzz {

class Workspace {
 public:
  // Creates the folder under $TMPDIR (else /tmp) and points TMPDIR and every store location
  // of the program (XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR, VORSEL_MACHINE_DIR,
  // VORSEL_COMMON_DIR) into subfolders of it, so that no run touches the user's files, and
  // makes it the current folder.
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  std::string Path(std::string_view name) const;
  // Writes the bytes as the named file of the folder and returns its path.
  std::string Write(std::string_view name, std::span<const uint8_t> bytes) const;

  // Aborts, naming the stray file, unless the folder holds no file but the allowed names and
  // the temporary folder is empty: a conversion writes its own output and nothing else.
  void ExpectOnly(std::initializer_list<std::string_view> allowed) const;
  void ExpectOnly(const std::vector<std::string>& allowed) const;
  // Removes every file of the folder (the store folders stay).
  void Clear() const;

 private:
  std::string root_;
};

// The workspace of the running target, made at its first use.
const Workspace& TheWorkspace();

// Aborts with the message: a finding.
[[noreturn]] void Fail(const std::string& message);

}  // namespace vorsel::fuzz
