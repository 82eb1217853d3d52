#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "kit/about_box.h"
#include "platform/link_transport.h"

namespace vorsel {

// The name the suite's programs register their link message under.
inline constexpr std::string_view kLinkMessageName = "VERAZIDUZA";

// Message kinds; the ordinal is the wire value (7 bits).
enum tslmessage : uint8_t {
  slunknown = 0,
  slnewfile = 1,
  slwho = 2,
  slimsomeone = 3,
  slstarting = 4,
  slquitting = 5,
  slshowabout = 6,
  slaskversion = 7,
  slanswerversion = 8,
  slquit = 9,
  sltakefocus = 10,
  slheavyload = 11,
  slaskheavyload = 12,
};

// The programs of the suite, one identifier each; 0 is no program.
enum tslprogid : uint8_t {
  idnone = 0,
  idsuite1,
  idsuite2,
  idsuite3,
  idsuite4,
  idsuite5,
  idsuite6,
  idsuite7,
  idsuite8,
  idsuite9,
  idsuite10,
  idsuite11,
  idsuite12,
  idsuite13,
  idsuite14,
  idsuite15,
  idsuite16,
  idsuite17,
  idsuite18,
  idsuite19,
  idsuite20,
  idsuite21,
  idsuite22,
  idvorsel = 23,
  idsuite24,
  idsuite25,
  idscreensaver = 26,
  idsuite27,
  idsuite28,
  idsuite29,
  idsuite30,
  idsuite31,
  idsuite32,
  idsuite33,
};
inline constexpr int kLinkProgramCount = 34;

// "NewFile", "WhosOutThere", ...; "Unknown Link message <n>" for kinds without a name.
std::string msg_str(int msg);
// "Vorsel", "Screen saver", ...; "Unknown Link application <n>" outside the suite.
std::string id_str(int progid);

// The version an about box reports on the link: "a.b" gives (a mod 256) * 256 + (b mod 256),
// a text without "." the number itself (low 16 bits); 0 for anything that is not a number.
uint16_t LinkVersionParam(std::string_view versionText);

class TLink;

// Raised with the decoded fields of a message: the low 16 bits of the sender's handle, its
// identifier, bits 16 to 23 of the content word as the kind and its low 16 bits as param.
using tlinkevent = std::function<void(TLink& sender, uint16_t apphandle, tslprogid progid,
                                      tslmessage msg, uint16_t param)>;

// What the link needs of the window that owns it.
class LinkOwner {
 public:
  virtual ~LinkOwner() = default;
  // Only a form (a window) may be told to quit.
  virtual bool IsForm() const = 0;
  // Raises and activates the application's window.
  virtual void BringToFront() = 0;
  // Closes the application's main window, which ends the program.
  virtual void CloseMainForm() = 0;
};

// Tells the other running programs of the suite about this one (started, quitting, busy, new
// files) and reacts to what they announce and ask. Messages travel through the transport; the
// owner has them handled by calling ReceivePending whenever the transport's descriptor is
// readable. Loaded starts listening and announces the start; destruction announces the end.
class TLink {
 public:
  // `owner` may be null (not a form); the transport is the link's for its whole life.
  TLink(LinkOwner* owner, std::unique_ptr<LinkTransport> transport);
  ~TLink();
  TLink(const TLink&) = delete;
  TLink& operator=(const TLink&) = delete;

  void Loaded();

  bool HeavyLoad() const { return fheavyload; }
  // Leaving the busy state tells a known screen saver to quit.
  void SetHeavyLoad(bool value);
  bool SystemIsLoaded() const { return fsystemisloaded; }
  void SetSystemIsLoaded(bool value) { fsystemisloaded = value; }
  tslprogid MyID() const { return fmyid; }
  void SetMyID(tslprogid value) { fmyid = value; }
  AboutBoxFacts* DravelAboutBox() const { return fdravelaboutbox; }
  void SetDravelAboutBox(AboutBoxFacts* value) { fdravelaboutbox = value; }

  const tlinkevent& OnMessage() const { return fOnMessage; }
  void SetOnMessage(tlinkevent value) { fOnMessage = std::move(value); }
  const tlinkevent& OnNewFile() const { return fOnNewFile; }
  void SetOnNewFile(tlinkevent value) { fOnNewFile = std::move(value); }
  const tlinkevent& OnWho() const { return fOnWho; }
  void SetOnWho(tlinkevent value) { fOnWho = std::move(value); }
  const tlinkevent& OnImSomeOne() const { return fOnimsomeone; }
  void SetOnImSomeOne(tlinkevent value) { fOnimsomeone = std::move(value); }
  const tlinkevent& OnStarting() const { return fOnStarting; }
  void SetOnStarting(tlinkevent value) { fOnStarting = std::move(value); }
  const tlinkevent& OnQuitting() const { return fOnQuitting; }
  void SetOnQuitting(tlinkevent value) { fOnQuitting = std::move(value); }
  const tlinkevent& OnShowAbout() const { return fOnShowAbout; }
  void SetOnShowAbout(tlinkevent value) { fOnShowAbout = std::move(value); }
  const tlinkevent& OnAskVersion() const { return fOnAskVersion; }
  void SetOnAskVersion(tlinkevent value) { fOnAskVersion = std::move(value); }
  const tlinkevent& OnAnswerVersion() const { return fOnAnswerVersion; }
  void SetOnAnswerVersion(tlinkevent value) { fOnAnswerVersion = std::move(value); }
  const tlinkevent& OnTakeFocus() const { return fOnTakeFocus; }
  void SetOnTakeFocus(tlinkevent value) { fOnTakeFocus = std::move(value); }
  // Raised when another program reports itself busy.
  const tlinkevent& OnHeavyLoad() const { return fOnHeavyLoad; }
  void SetOnHeavyLoad(tlinkevent value) { fOnHeavyLoad = std::move(value); }
  const tlinkevent& OnQuit() const { return fOnQuit; }
  void SetOnQuit(tlinkevent value) { fOnQuit = std::move(value); }

  // Broadcasts the message with param 0.
  void notify_others(tslmessage msg);
  // Posts the message with param 0 to the program whose handle is `who`.
  void notify_one(tslmessage msg, uint32_t who);
  void new_file();
  // Clears the busy flag (without telling the screen saver) and asks who else is busy;
  // answers set SystemIsLoaded.
  void ask_heavyload();

  // The hook every arriving message passes while the link listens: false when the message is
  // not for the link (another message number, or this program's own broadcast).
  bool HandleMessage(uint32_t message, uint32_t wparam, uint32_t lparam);
  // Handles the messages waiting at the transport; returns how many were taken.
  size_t ReceivePending();
  // For the owner's event loop to watch; -1 without a link.
  int ReceiveDescriptor() const { return transport_->ReceiveDescriptor(); }
  // This program's handle on the link; 0 without a link.
  uint32_t Handle() const { return transport_->Handle(); }

  bool hooked() const { return fhooked; }
  uint32_t ScreenSaveHandle() const { return screensavehandle; }
  uint32_t LoadedHandle() const { return loadedhandle; }

 private:
  void Post(uint32_t who, tslmessage msg, uint16_t param);
  uint32_t Word(tslmessage msg, uint16_t param) const;
  void Raise(const tlinkevent& event, uint32_t wparam, uint32_t lparam);
  uint16_t VersionParam() const;

  tlinkevent fOnMessage;
  tlinkevent fOnNewFile;
  tlinkevent fOnWho;
  tlinkevent fOnimsomeone;
  tlinkevent fOnStarting;
  tlinkevent fOnQuitting;
  tlinkevent fOnShowAbout;
  tlinkevent fOnAskVersion;
  tlinkevent fOnAnswerVersion;
  tlinkevent fOnTakeFocus;
  tlinkevent fOnHeavyLoad;
  tlinkevent fOnQuit;
  tslprogid fmyid = idnone;
  bool fhooked = false;
  AboutBoxFacts* fdravelaboutbox = nullptr;
  bool fheavyload = false;
  bool fsystemisloaded = false;
  uint32_t screensavehandle = 0;
  uint32_t loadedhandle = 0;

  LinkOwner* owner_;
  std::unique_ptr<LinkTransport> transport_;
};

}  // namespace vorsel
