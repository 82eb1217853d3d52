#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/folders.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {

// Points every store and folder of the program into a fresh temporary folder for the life of
// the object, so that no test reaches the real home, /etc or /var/lib.
class StoreEnvironment {
 public:
  StoreEnvironment() {
    Set("HOME", dir / "home");
    Set("XDG_CONFIG_HOME", dir / "config");
    Set("XDG_DATA_HOME", dir / "data");
    Set("VORSEL_MACHINE_DIR", dir / "machine");
    Set("VORSEL_COMMON_DIR", dir / "common");
    SetProgramFileName("/opt/suite/vorsel");
  }
  ~StoreEnvironment() {
    SetProgramFileName("");
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }
  StoreEnvironment(const StoreEnvironment&) = delete;
  StoreEnvironment& operator=(const StoreEnvironment&) = delete;

  // Sets a variable for the rest of the test (restored at the end); nothing unsets it.
  void Set(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }

  std::string ConfigHome() const { return dir / "config"; }
  std::string DataHome() const { return dir / "data"; }
  std::string MachineDir() const { return dir / "machine"; }
  std::string CommonDir() const { return dir / "common"; }
  std::string UserStoreFile() const { return ConfigHome() + "/QuorvikData/registry.db"; }

  TempDir dir;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vorsel::test
