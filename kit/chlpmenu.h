#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kit/about.h"
#include "kit/cProgId.h"
#include "kit/webdetect.h"
#include "platform/http.h"
#include "platform/menu.h"
#include "platform/messagebox.h"
#include "platform/opener.h"

namespace vorsel {

// Builds the program's "&Help" menu: the manual's entry when the manual is installed, the web
// menu kept machine-wide in \Software\QuorvikData\WebMenu (with the program's own additional
// entries), the about entry and, when enabled, the two version-check entries.
//
// The version check fetches a short text (newest version, download address, an unused line,
// then the message for the user) and offers the download when the newest version differs
// from the running one. The automatic check runs at most once a day per user, at start, and
// only while the computer is online. The menu must outlive this component, which takes its
// items out of it when it is destroyed.
class THelpMenu {
 public:
  static constexpr int32_t kWebMenuDate = 20020523;

  THelpMenu(MessageBoxes& boxes, Opener& opener,
            std::unique_ptr<HttpClient> http = CreateHttpClient());
  ~THelpMenu();
  THelpMenu(const THelpMenu&) = delete;
  THelpMenu& operator=(const THelpMenu&) = delete;

  MenuItem* MainMenu() const { return fmainmenu; }
  void SetMainMenu(MenuItem* value) { fmainmenu = value; }
  TAbout* AboutBox() const { return faboutbox; }
  void SetAboutBox(TAbout* value) { faboutbox = value; }
  TProgId* ProgId() const { return fprogid; }
  void SetProgId(TProgId* value) { fprogid = value; }
  int32_t MenuPos() const { return fmainmenupos; }
  void SetMenuPos(int32_t value) { fmainmenupos = value; }
  const std::vector<std::string>& AdditionalCommands() const { return fAdditionalCommands; }
  void SetAdditionalCommands(std::vector<std::string> value);
  const std::vector<std::string>& AdditionalMenutexts() const { return fAdditionalMenutexts; }
  void SetAdditionalMenutexts(std::vector<std::string> value);
  const std::string& NewFullVersionURL() const { return fNewFullVersionURL; }
  void SetNewFullVersionURL(std::string value) { fNewFullVersionURL = std::move(value); }
  bool EnableVersionCheck() const { return fEnableVersionCheck; }
  void SetEnableVersionCheck(bool value) { fEnableVersionCheck = value; }

  // Asked to end the program after a download was started from the automatic check.
  void SetOnEndProgram(std::function<void()> value) { fonendprogram = std::move(value); }
  // Today's day number; the local date until set.
  void SetToday(std::function<int32_t()> value) { ftoday = std::move(value); }

  // Builds the menu once the properties are set, and may run the automatic check.
  void Loaded();

  void HelpClick();
  void WebMenuClick(size_t index);
  void AboutClick();
  void AutoCheckClick();
  void CheckNowClick();
  void VersionCheck(bool manual, bool endProgramAfterDownload);

  // The manual found at construction; empty when none is installed.
  const std::string& HelpFile() const { return fhelpfile; }
  const std::vector<std::string>& menutexts() const { return fmenutexts; }
  const std::vector<std::string>& shellcommands() const { return fshellcommands; }
  MenuItem* Menu() const { return fmenu.get(); }
  TWebDetect& webdetect() { return fwebdetect; }

 private:
  std::unique_ptr<MenuItem> NewItem(const std::string& caption);
  void InsertOnTop(MenuItem& item);
  std::string UserKey() const;
  bool ReadAutoCheck() const;
  int32_t ReadLastCheckDate() const;
  void WriteUserValue(const std::string& name, int32_t value) const;
  int32_t Today() const;

  MessageBoxes& fboxes;
  Opener& fopener;
  MenuItem* fmainmenu = nullptr;
  std::unique_ptr<MenuItem> fmenu;
  int32_t fmainmenupos = 100;
  TProgId* fprogid = nullptr;
  std::vector<std::unique_ptr<MenuItem>> fmenuitem;
  std::unique_ptr<MenuItem> fbaritem1;
  std::unique_ptr<MenuItem> fbaritem2;
  std::unique_ptr<MenuItem> faboutitem;
  std::unique_ptr<MenuItem> fnewversionitem;
  std::unique_ptr<MenuItem> fnewversionnowitem;
  std::string fNewFullVersionURL;
  std::string newversionstr;
  std::string usermessage;
  std::string downloadurl;
  std::unique_ptr<MenuItem> fhelpitem;
  TAbout* faboutbox = nullptr;
  std::vector<std::string> fAdditionalCommands;
  std::vector<std::string> fAdditionalMenutexts;
  bool fEnableVersionCheck = false;
  std::vector<std::string> fmenutexts;
  std::vector<std::string> fshellcommands;
  std::unique_ptr<HttpClient> idhttp;
  TWebDetect fwebdetect;
  int32_t lastnewversioncheckdate = 0;
  std::string fhelpfile;
  bool finserted = false;
  std::function<void()> fonendprogram;
  std::function<int32_t()> ftoday;
};

// The parts of a version reply; nothing when the reply is empty or binary or names no version.
struct VersionReply {
  std::string newestversion;
  std::string downloadurl;
  std::string usermessage;
};
std::optional<VersionReply> ParseVersionReply(std::string_view text);

// Days since 30 December 1899 of the local date of the moment.
int32_t DayNumber(std::time_t when);

}  // namespace vorsel
