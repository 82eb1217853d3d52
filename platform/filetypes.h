#pragma once

#include <string>

namespace vorsel {

// A program registered as the desktop's handler of one file-name extension.
struct FileTypeRegistration {
  std::string extension;    // with its leading ".": ".vrs"
  std::string mimeType;     // "application/x-vorsel-settings"
  std::string description;  // what the desktop calls such files: "Vorsel settings"
  std::string programFile;  // started with the opened file as its first argument
  std::string programName;  // the program as the desktop names it: "Vorsel"
  std::string desktopId;    // the desktop entry's file name: "vorsel.desktop"
};

// The desktop's own file-type registration, kept in the user's data and configuration
// folders: a shared-mime-info package for the type, a desktop entry that opens it, and the
// default handler in mimeapps.list. An installed desktop entry that already starts the
// program is used as it is and never shadowed by one of the user's.
class DesktopFileTypes {
 public:
  virtual ~DesktopFileTypes() = default;
  // True when nothing is left to register: the type and an entry that starts the program are
  // in place (or the user's folders are unknown, so that nothing could be registered).
  virtual bool Registered(const FileTypeRegistration& registration) = 0;
  // Writes what is missing, makes the entry the type's default handler and has the desktop's
  // caches rebuilt. Throws std::runtime_error when a file cannot be written.
  virtual void Register(const FileTypeRegistration& registration) = 0;
};

// The registration in the folders the environment names ($XDG_DATA_HOME, $XDG_CONFIG_HOME,
// $XDG_DATA_DIRS for installed entries).
DesktopFileTypes& SystemDesktopFileTypes();

}  // namespace vorsel
