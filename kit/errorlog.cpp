#include "kit/errorlog.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "kit/about.h"
#include "kit/sini.h"
#include "platform/charset.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "platform/throwsite.h"

namespace vorsel {

namespace {

constexpr const char* kSection = "ErrorLog";
constexpr size_t kMaxEventText = 255;
constexpr size_t kMaxUserName = 254;
constexpr size_t kMaxComputerName = 255;

// The name made absolute against the current directory; empty when that is unknown.
std::string Absolute(const std::string& name) {
  if (name.empty()) {
    return name;
  }
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(name, error);
  return error ? std::string() : path.lexically_normal().string();
}

std::string FileNamePart(const std::string& name) {
  const size_t separator = name.find_last_of("/\\");
  return separator == std::string::npos ? name : name.substr(separator + 1);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) {
    return {};
  }
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    return home;
  }
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

// The login name; a failure raises with the system's reason, which ends the record there.
std::string CurrentUserName() {
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  const int error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
  if (found == nullptr) {
    throw std::runtime_error(error != 0 ? std::strerror(error) : "Unknown user");
  }
  return std::string(Utf8Prefix(entry.pw_name, kMaxUserName));
}

std::string ComputerName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) {
    return {};
  }
  return std::string(Utf8Prefix(name.data(), kMaxComputerName));
}

// A value line cannot hold a line break; the record keeps the text on one line instead of
// being lost.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  return text;
}

bool StoredLogErrors() {
  try {
    return TDravelIni().ReadBool(kSection, "LogErrors", false);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool LogFileWritable(const std::string& fileName) {
  if (fileName.empty()) {
    return false;
  }
  try {
    TIni ini(fileName);
    ini.WriteBool("Verify", "Ok", true);
    ini.EraseSection("Verify");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string ExceptionBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    message += '.';
  }
  return message;
}

TErrorLog::TErrorLog(MessageBoxes& boxes)
    : fboxes(boxes),
      fsendlogfilemessage("Please send this file to support@quorvikdata.example"),
      fapplicationtitle(ExeBase(ProgramFileName())) {
  SetLogFileName(kDefaultFileName);
}

TErrorLog::~TErrorLog() {
  WriteMark("Terminated");
  if (fdravelabout != nullptr) {
    fdravelabout->SetOnActivateErrLog(nullptr);
  }
}

void TErrorLog::SetLogFileName(const std::string& value) {
  std::string candidate;
  try {
    candidate = Absolute(TDravelIni().ReadString(kSection, "LogFileName", ""));
  } catch (const std::exception&) {
    candidate.clear();
  }
  if (!LogFileWritable(candidate)) {
    std::string part = FileNamePart(value);
    if (part.empty()) {
      part = kDefaultFileName;
    }
    const std::string programFolder =
        std::filesystem::path(ProgramFileName()).parent_path().string();
    const std::vector<std::string> fallbacks = {
        InFolder(programFolder, part),
        Absolute(part),
        InFolder(SystemFolders().WindowsDirectory(), part),
        InFolder(HomeFolder(), part),
    };
    candidate.clear();
    for (const std::string& fallback : fallbacks) {
      if (LogFileWritable(fallback)) {
        candidate = fallback;
        break;
      }
    }
  }
  flogfilename = candidate;
  try {
    TDravelIni().WriteString(kSection, "LogFileName", candidate);
  } catch (const std::exception&) {
    // The location is still used for this run.
  }
}

std::string TErrorLog::LogFileName() {
  SetLogFileName(flogfilename);
  try {
    return Absolute(TDravelIni().ReadString(kSection, "LogFileName", ""));
  } catch (const std::exception&) {
    return flogfilename;
  }
}

bool TErrorLog::LogErrors() {
  return StoredLogErrors();
}

void TErrorLog::Loaded() {
  if (fdravelabout != nullptr) {
    fdravelabout->SetOnActivateErrLog([this] { onactivateerrlog(); });
    compiledatesave = fdravelabout->compiledatelabel().caption;
  }
  StoreLogErrors(LogErrors());
  WriteMark("Started");
}

std::string TErrorLog::TimeStamp() const {
  const std::time_t now = fclock ? fclock() : std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) {
    return DefaultDateText(now);
  }
  return DefaultDateTimeText(now);
}

void TErrorLog::WriteIdentity(TIni& ini, const std::string& section) {
  ini.WriteString(section, "ExeName", ProgramFileName());
  ini.WriteString(section, "CurrentUser", CurrentUserName());
  ini.WriteString(section, "ComputerName", ComputerName());
  if (fdravelabout != nullptr) {
    ini.WriteString(section, "Application", fdravelabout->Title());
    ini.WriteString(section, "Version", fdravelabout->Version());
    ini.WriteString(section, "Revision", fdravelabout->Revision());
    ini.WriteString(section, "Extra", OneLine(fdravelabout->Extra()));
  }
}

void TErrorLog::ApplicationException(void* sender, const std::exception& E) {
  try {
    if (LogErrors()) {
      const std::string file = LogFileName();
      if (!file.empty()) {
        const std::string section = "Exception at " + TimeStamp();
        {
          TIni ini(file);
          // One replacement of the file for the whole record.
          ini.BeginUpdate();
          WriteIdentity(ini, section);
          ini.WriteString(section, "Message", OneLine(E.what()));
          ini.WriteString(section, "Address", ThrowAddressText(&E));
          ini.WriteString(section, "DebugString", OneLine(fdebugstring));
          ini.UpdateFile();
        }
        if (fonaddtofile) {
          fonaddtofile(sender, std::string(Utf8Prefix(file, kMaxEventText)),
                       std::string(Utf8Prefix(section, kMaxEventText)));
        }
        if (fsendlogfilemessagebox) {
          fboxes.ShowMessageBox(fsendlogfilemessage + "\r" + file, "Logfile created",
                                mbOk | mbIconError);
        }
      }
      if (fonexception) {
        fonexception(sender, E);
      }
    }
  } catch (...) {
    // The log never reports its own failures.
  }
  if (fshowexceptions) {
    fboxes.ShowMessageBox(ExceptionBoxText(E.what()), fapplicationtitle, mbOk | mbIconError);
  }
}

void TErrorLog::LogString(const std::string& stringtolog) {
  try {
    const std::string file = ActiveLogFile();
    if (file.empty()) {
      return;
    }
    const std::string section = "Exception at " + TimeStamp();
    TIni ini(file);
    ini.BeginUpdate();
    WriteIdentity(ini, section);
    ini.WriteString(section, "DebugString", OneLine(fdebugstring));
    ini.WriteString(section, "Message", OneLine(stringtolog));
    ini.UpdateFile();
  } catch (...) {
    // The log never reports its own failures.
  }
}

void TErrorLog::onactivateerrlog() {
  StoreLogErrors(!LogErrors());
}

void TErrorLog::StoreLogErrors(bool value) {
  try {
    TDravelIni().WriteBool(kSection, "LogErrors", value);
  } catch (const std::exception&) {
    // An unwritable kit key leaves the switch as it was.
  }
  if (fdravelabout == nullptr) {
    return;
  }
  tAboutElement& datelabel = fdravelabout->compiledatelabel();
  tAboutElement& picture = fdravelabout->dravelimage();
  if (!StoredLogErrors()) {
    datelabel.caption = compiledatesave;
    datelabel.hint.clear();
    datelabel.showhint = false;
    datelabel.width = fdravelabout->titlelabel().width;
    picture.showhint = false;
    return;
  }
  // While logging is on, the box says so and where the file is.
  datelabel.caption = compiledatesave + " (error log on)";
  datelabel.hint = flogfilename;
  datelabel.showhint = true;
  picture.hint = "Error log: " + flogfilename;
  picture.showhint = true;
}

std::string TErrorLog::ActiveLogFile() {
  return LogErrors() ? LogFileName() : std::string();
}

void TErrorLog::WriteMark(const std::string& text) {
  try {
    const std::string file = ActiveLogFile();
    if (file.empty()) {
      return;
    }
    TIni(file).WriteString("Termination", ProgramFileName(), text + " at " + TimeStamp());
  } catch (...) {
    // The log never reports its own failures.
  }
}

}  // namespace vorsel
