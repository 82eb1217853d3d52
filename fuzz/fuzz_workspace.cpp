#include "fuzz/fuzz_workspace.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vorsel::fuzz {

namespace fs = std::filesystem;

namespace {

// Subfolders that stand in for the temporary folder and the program's stores.
constexpr std::string_view kTempFolder = "tmp";
constexpr std::string_view kStoreFolders[] = {"config", "data", "runtime", "machine", "common"};

bool IsOwnFolder(std::string_view name) {
  return name == kTempFolder || std::find(std::begin(kStoreFolders), std::end(kStoreFolders),
                                          name) != std::end(kStoreFolders);
}

}  // namespace

Workspace::Workspace() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vorsel-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    Fail("cannot create the workspace folder");
  }
  root_ = pattern;
  fs::create_directory(Path(kTempFolder));
  setenv("TMPDIR", Path(kTempFolder).c_str(), 1);
  const char* variables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR",
                             "VORSEL_MACHINE_DIR", "VORSEL_COMMON_DIR"};
  for (size_t i = 0; i < std::size(kStoreFolders); ++i) {
    fs::create_directory(Path(kStoreFolders[i]));
    setenv(variables[i], Path(kStoreFolders[i]).c_str(), 1);
  }
  // A relative file name from the input (a label file, say) then lands where ExpectOnly looks.
  std::error_code error;
  fs::current_path(root_, error);
  if (error) {
    Fail("cannot enter the workspace folder " + root_);
  }
}

Workspace::~Workspace() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string Workspace::Path(std::string_view name) const {
  return root_ + "/" + std::string(name);
}

std::string Workspace::Write(std::string_view name, std::span<const uint8_t> bytes) const {
  const std::string path = Path(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    Fail("cannot write " + path);
  }
  return path;
}

void Workspace::ExpectOnly(std::initializer_list<std::string_view> allowed) const {
  ExpectOnly(std::vector<std::string>(allowed.begin(), allowed.end()));
}

void Workspace::ExpectOnly(const std::vector<std::string>& allowed) const {
  for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
    const std::string name = entry.path().filename().string();
    if (IsOwnFolder(name)) {
      continue;
    }
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
      Fail("a conversion left the stray file " + entry.path().string());
    }
  }
  if (!fs::is_empty(Path(kTempFolder))) {
    Fail("a conversion left a file in the temporary folder " + Path(kTempFolder));
  }
}

void Workspace::Clear() const {
  for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
    if (!IsOwnFolder(entry.path().filename().string())) {
      fs::remove_all(entry.path());
    }
  }
}

const Workspace& TheWorkspace() {
  static const Workspace workspace;
  return workspace;
}

void Fail(const std::string& message) {
  std::fprintf(stderr, "FINDING: %s\n", message.c_str());
  std::abort();
}

}  // namespace vorsel::fuzz
