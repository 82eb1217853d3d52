#pragma once

#include <ctime>
#include <exception>
#include <functional>
#include <string>

#include "platform/messagebox.h"

namespace vorsel {

class TAbout;

// Called after a record was written: the exception's sender, the log file's full name and
// the record's section name (each cut at 255 characters).
using tAddToFileEvent =
    std::function<void(void* sender, const std::string& FileName, const std::string& Key)>;
using tExceptionEvent = std::function<void(void* sender, const std::exception& E)>;

// Records the exceptions that escape the window's event handlers in an INI log file, when
// logging is switched on, and shows them to the user in any case. The switch (LogErrors) and
// the file's location (LogFileName) are kept per user in the kit's key, section "ErrorLog".
// The file also notes each start and stop of the program (section "Termination"), so a
// "Started" mark without a later "Terminated" shows a run that ended abnormally.
//
// Nothing the log itself fails at is ever reported: the record, the marks and LogString are
// abandoned at the first error. Every write of the file replaces it atomically.
class TErrorLog {
 public:
  static constexpr const char* kDefaultFileName = "DravelErr.log";

  // Validates the location at once (this reads and writes the kit key and may create the log
  // file). The owner hands unhandled exceptions to ApplicationException.
  explicit TErrorLog(MessageBoxes& boxes);
  ~TErrorLog();  // writes the stop mark
  TErrorLog(const TErrorLog&) = delete;
  TErrorLog& operator=(const TErrorLog&) = delete;

  bool ShowExceptions() const { return fshowexceptions; }
  void SetShowExceptions(bool value) { fshowexceptions = value; }
  // Re-validates the location, then gives the stored one made absolute.
  std::string LogFileName();
  // Only the value's file-name part is used, and only when the stored location fails.
  void SetLogFileName(const std::string& value);
  TAbout* Dravelabout() const { return fdravelabout; }
  void SetDravelabout(TAbout* value) { fdravelabout = value; }
  const tExceptionEvent& OnException() const { return fonexception; }
  void SetOnException(tExceptionEvent value) { fonexception = std::move(value); }
  const tAddToFileEvent& OnAddToFile() const { return fonaddtofile; }
  void SetOnAddToFile(tAddToFileEvent value) { fonaddtofile = std::move(value); }
  const std::string& DebugString() const { return fdebugstring; }
  void SetDebugString(std::string value) { fdebugstring = std::move(value); }
  bool SendLogFileRequest() const { return fsendlogfilemessagebox; }
  void SetSendLogFileRequest(bool value) { fsendlogfilemessagebox = value; }
  const std::string& SendLogFileMessage() const { return fsendlogfilemessage; }
  void SetSendLogFileMessage(std::string value) { fsendlogfilemessage = std::move(value); }

  // The caption of the error box that shows an exception; the program's base name until set.
  const std::string& ApplicationTitle() const { return fapplicationtitle; }
  void SetApplicationTitle(std::string value) { fapplicationtitle = std::move(value); }
  // Where time stamps come from; the system clock until set.
  void SetClock(std::function<std::time_t()> clock) { fclock = std::move(clock); }

  // Links the about box's toggle, applies the switch to it, writes the start mark.
  void Loaded();

  // The handler of an exception that escaped an event handler: records it when logging is
  // on, tells where the file is, calls OnException, then shows the exception.
  void ApplicationException(void* sender, const std::exception& E);
  // A text record, when logging is on.
  void LogString(const std::string& stringtolog);
  // Flips the stored switch; the about box calls it.
  void onactivateerrlog();

  bool LogErrors();

 private:
  void StoreLogErrors(bool value);
  void WriteMark(const std::string& text);
  // The log file to write to, or an empty name while logging is off.
  std::string ActiveLogFile();
  std::string TimeStamp() const;
  void WriteIdentity(class TIni& ini, const std::string& section);

  MessageBoxes& fboxes;
  bool fshowexceptions = true;
  bool fsendlogfilemessagebox = true;
  std::string fsendlogfilemessage;
  std::string flogfilename;
  tExceptionEvent fonexception;
  tAddToFileEvent fonaddtofile;
  TAbout* fdravelabout = nullptr;
  std::string fdebugstring;
  std::string compiledatesave;
  std::string fapplicationtitle;
  std::function<std::time_t()> fclock;
};

// Whether a log file of that name can be written: writes and erases a section "Verify" in it
// (so a passing test leaves the file in existence).
bool LogFileWritable(const std::string& fileName);

// The standard error box's text of a message: a final "." is added unless the message ends in
// a character up to "." (such as "." itself, "!" or a blank).
std::string ExceptionBoxText(std::string message);

}  // namespace vorsel
