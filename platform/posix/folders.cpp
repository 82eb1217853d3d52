#include "platform/folders.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace vorsel {

namespace {

std::optional<std::string> AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') {
    return std::nullopt;
  }
  return std::string(value);
}

std::optional<std::string> UserFolder(const char* variable, std::string_view belowHome) {
  if (auto folder = AbsoluteVariable(variable)) {
    return folder;
  }
  if (auto home = AbsoluteVariable("HOME")) {
    return *home + "/" + std::string(belowHome);
  }
  return std::nullopt;
}

class EnvironmentFolders : public Folders {
 public:
  std::optional<std::string> AppData(AppDataFolder folder) const override {
    switch (folder) {
      case AppDataFolder::Roaming:
        return UserFolder("XDG_CONFIG_HOME", ".config");
      case AppDataFolder::Local:
        return UserFolder("XDG_DATA_HOME", ".local/share");
      case AppDataFolder::Common:
        return AbsoluteVariable("VORSEL_COMMON_DIR").value_or("/var/lib");
    }
    return std::nullopt;
  }

  std::string WindowsDirectory() const override {
    const auto roaming = AppData(AppDataFolder::Roaming);
    return roaming ? *roaming + "/QuorvikData" : std::string();
  }
};

std::string& ProgramFileNameOverride() {
  static std::string name;
  return name;
}

}  // namespace

const Folders& SystemFolders() {
  static const EnvironmentFolders folders;
  return folders;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) {
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

std::string ProgramFileName() {
  if (!ProgramFileNameOverride().empty()) {
    return ProgramFileNameOverride();
  }
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("vorsel") : exe.string();
}

void SetProgramFileName(std::string fileName) {
  ProgramFileNameOverride() = std::move(fileName);
}

}  // namespace vorsel
