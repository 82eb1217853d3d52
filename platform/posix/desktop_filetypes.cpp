#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/desktop_text.h"
#include "platform/filetypes.h"
#include "platform/folders.h"

extern char** environ;

namespace vorsel {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file as a whole, so that a reader never sees half of it.
void WriteTextAtomically(const fs::path& file, const std::string& text) {
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  const fs::path temporary = file.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      fs::remove(temporary, error);
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  fs::rename(temporary, file, error);
  if (error) {
    fs::remove(temporary, error);
    throw std::runtime_error("cannot replace " + file.string());
  }
}

std::vector<std::string> SplitPathList(const char* list, std::string_view fallback) {
  const std::string text = list != nullptr && *list != '\0' ? list : std::string(fallback);
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ':');) {
    if (!part.empty() && part.front() == '/') {
      parts.push_back(part);
    }
  }
  return parts;
}

// The program a command name stands for, looked up in PATH when it has no folder.
std::optional<fs::path> ResolveProgram(const std::string& program) {
  if (program.empty()) {
    return std::nullopt;
  }
  if (program.find('/') != std::string::npos) {
    return fs::path(program);
  }
  for (const std::string& folder : SplitPathList(std::getenv("PATH"), "/usr/bin:/bin")) {
    const fs::path candidate = fs::path(folder) / program;
    if (access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::string ExecOf(std::string_view entry) {
  bool inEntryGroup = false;
  std::istringstream lines{std::string(entry)};
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (!line.empty() && line.front() == '[') {
      inEntryGroup = line == "[Desktop Entry]";
    } else if (inEntryGroup && line.rfind("Exec", 0) == 0) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos && line.find_first_not_of(" \t", 4) == equals) {
        return line.substr(equals + 1);
      }
    }
  }
  return "";
}

bool EntryStarts(const fs::path& entryFile, const std::string& programFile) {
  const auto entry = ReadText(entryFile);
  if (!entry) {
    return false;
  }
  const auto program = ResolveProgram(DesktopExecProgram(ExecOf(*entry)));
  if (!program) {
    return false;
  }
  std::error_code error;
  const bool same = fs::equivalent(*program, programFile, error);
  // A program file that cannot be looked at is compared by name.
  return error ? program->lexically_normal() == fs::path(programFile).lexically_normal() : same;
}

std::string PackageFileName(const std::string& mimeType) {
  std::string name;
  for (const char c : mimeType) {
    name += c == '/' ? '-' : c;
  }
  return name + ".xml";
}

std::string MimePackage(const FileTypeRegistration& registration) {
  std::string glob = registration.extension.rfind('.', 0) == 0 ? "*" : "*.";
  glob += registration.extension;
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" +
         XmlEscaped(registration.mimeType) +
         "\">\n"
         "    <comment>" +
         XmlEscaped(registration.description) +
         "</comment>\n"
         "    <glob pattern=\"" +
         XmlEscaped(glob) +
         "\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopEntry(const FileTypeRegistration& registration) {
  std::string name;
  for (const char c : registration.programName) {
    name += c == '\n' || c == '\r' ? ' ' : c;
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" +
         name +
         "\n"
         "Exec=" +
         DesktopExecValue(registration.programFile) +
         "\n"
         "MimeType=" +
         registration.mimeType +
         ";\n"
         "NoDisplay=true\n"
         "Terminal=false\n";
}

// Runs a cache tool of the desktop when it is installed; its absence or failure changes
// nothing but the desktop's speed in noticing the new files.
void RunTool(const char* tool, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string name(tool);
  std::string argument(folder);
  char* argv[] = {name.data(), argument.data(), nullptr};
  pid_t child = -1;
  if (posix_spawnp(&child, tool, &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

class XdgFileTypes : public DesktopFileTypes {
 public:
  bool Registered(const FileTypeRegistration& registration) override {
    const auto data = SystemFolders().AppData(AppDataFolder::Local);
    if (!data || InstalledEntryStarts(registration)) {
      return true;
    }
    std::error_code error;
    return EntryStarts(UserEntry(*data, registration), registration.programFile) &&
           fs::exists(UserPackage(*data, registration), error);
  }

  void Register(const FileTypeRegistration& registration) override {
    const auto data = SystemFolders().AppData(AppDataFolder::Local);
    const auto config = SystemFolders().AppData(AppDataFolder::Roaming);
    if (!data || !config) {
      return;
    }
    const bool installed = InstalledEntryStarts(registration);
    if (!installed) {
      WriteTextAtomically(UserPackage(*data, registration), MimePackage(registration));
      WriteTextAtomically(UserEntry(*data, registration), DesktopEntry(registration));
    }
    const fs::path mimeapps = fs::path(*config) / "mimeapps.list";
    WriteTextAtomically(
        mimeapps, WithDefaultApplication(ReadText(mimeapps).value_or(""), registration.mimeType,
                                         registration.desktopId));
    if (!installed) {
      RunTool("update-mime-database", (fs::path(*data) / "mime").string());
      RunTool("update-desktop-database", (fs::path(*data) / "applications").string());
    }
  }

 private:
  static fs::path UserEntry(const std::string& data, const FileTypeRegistration& registration) {
    return fs::path(data) / "applications" / registration.desktopId;
  }

  static fs::path UserPackage(const std::string& data, const FileTypeRegistration& registration) {
    return fs::path(data) / "mime" / "packages" / PackageFileName(registration.mimeType);
  }

  static bool InstalledEntryStarts(const FileTypeRegistration& registration) {
    for (const std::string& folder :
         SplitPathList(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share")) {
      if (EntryStarts(fs::path(folder) / "applications" / registration.desktopId,
                      registration.programFile)) {
        return true;
      }
    }
    return false;
  }
};

}  // namespace

DesktopFileTypes& SystemDesktopFileTypes() {
  static XdgFileTypes fileTypes;
  return fileTypes;
}

}  // namespace vorsel
