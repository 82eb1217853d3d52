#pragma once

#include <optional>
#include <string>

namespace vorsel {

// The application-data folders the kit stores its files in, numbered as the desktop the suite
// came from numbers them.
enum class AppDataFolder {
  Roaming = 26,  // $XDG_CONFIG_HOME, else ~/.config
  Local = 28,    // $XDG_DATA_HOME, else ~/.local/share
  Common = 35,   // $VORSEL_COMMON_DIR, else /var/lib
};

// Where the per-user and common folders lie. Only absolute paths in the environment count, so
// a relative or empty variable is ignored, as XDG asks.
class Folders {
 public:
  virtual ~Folders() = default;
  // Nothing when the folder is unknown (for the user folders: neither the variable nor HOME
  // gives an absolute path).
  virtual std::optional<std::string> AppData(AppDataFolder folder) const = 0;
  // The folder that stands in for the Windows directory: the roaming folder's "QuorvikData";
  // empty when the roaming folder is unknown.
  virtual std::string WindowsDirectory() const = 0;
};

// The folders the environment names, read anew at every call.
const Folders& SystemFolders();

// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& path);

// The running program's file name as the stores name it; by default the executable's own.
// The command-line tool names itself after the window program so that both share one store.
std::string ProgramFileName();
void SetProgramFileName(std::string fileName);

}  // namespace vorsel
