#include "kit/slink.h"

#include <array>
#include <charconv>
#include <optional>
#include <utility>

namespace vorsel {

namespace {

constexpr uint32_t kKindMask = 0x7F;

constexpr std::array<std::string_view, 13> kMessageNames = {
    "",           "NewFile",       "WhosOutThere", "ImOutHere", "Starting", "Quitting", "ShowAbout",
    "AskVersion", "AnswerVersion", "Quit",         "TakeFocus", "",         ""};

tslprogid SenderId(uint32_t lparam) {
  return static_cast<tslprogid>(lparam >> 24);
}

std::optional<int32_t> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string msg_str(int msg) {
  if (msg > 0 && msg < static_cast<int>(kMessageNames.size()) && !kMessageNames[msg].empty()) {
    return std::string(kMessageNames[msg]);
  }
  return "Unknown Link message " + std::to_string(msg);
}

std::string id_str(int progid) {
  switch (progid) {
    case idnone:
      return "No application";
    case idvorsel:
      return "Vorsel";
    case idscreensaver:
      return "Screen saver";
    default:
      break;
  }
  if (progid > 0 && progid < kLinkProgramCount) {
    return "Suite application " + std::to_string(progid);
  }
  return "Unknown Link application " + std::to_string(progid);
}

uint16_t LinkVersionParam(std::string_view versionText) {
  const size_t dot = versionText.find('.');
  if (dot == std::string_view::npos) {
    const auto whole = WholeNumber(versionText);
    return whole ? static_cast<uint16_t>(*whole) : 0;
  }
  const auto major = WholeNumber(versionText.substr(0, dot));
  const auto minor = WholeNumber(versionText.substr(dot + 1));
  if (!major || !minor) {
    return 0;
  }
  return static_cast<uint16_t>((static_cast<uint32_t>(*major) & 0xFF) << 8 |
                               (static_cast<uint32_t>(*minor) & 0xFF));
}

TLink::TLink(LinkOwner* owner, std::unique_ptr<LinkTransport> transport)
    : owner_(owner), transport_(std::move(transport)) {}

TLink::~TLink() {
  if (fhooked) {
    notify_others(slquitting);
    fhooked = false;
  }
}

void TLink::Loaded() {
  fhooked = true;
  notify_others(slstarting);
}

void TLink::SetHeavyLoad(bool value) {
  fheavyload = value;
  if (!value && screensavehandle != 0) {
    notify_one(slquit, screensavehandle);
  }
}

void TLink::notify_others(tslmessage msg) {
  transport_->Broadcast({transport_->MessageNumber(), transport_->Handle(), Word(msg, 0)});
}

void TLink::notify_one(tslmessage msg, uint32_t who) {
  Post(who, msg, 0);
}

void TLink::new_file() {
  notify_others(slnewfile);
}

void TLink::ask_heavyload() {
  fheavyload = false;
  notify_others(slaskheavyload);
}

size_t TLink::ReceivePending() {
  return transport_->ReceivePending([this](const LinkDatagram& datagram) {
    HandleMessage(datagram.message, datagram.wparam, datagram.lparam);
  });
}

bool TLink::HandleMessage(uint32_t message, uint32_t wparam, uint32_t lparam) {
  if (!fhooked || message != transport_->MessageNumber() || wparam == transport_->Handle()) {
    return false;
  }
  Raise(fOnMessage, wparam, lparam);
  const auto kind = static_cast<tslmessage>((lparam >> 16) & kKindMask);
  const tslprogid senderId = SenderId(lparam);
  switch (kind) {
    case slnewfile:
      Raise(fOnNewFile, wparam, lparam);
      break;
    case slwho:
      Post(wparam, slimsomeone, 0);
      Raise(fOnWho, wparam, lparam);
      break;
    case slimsomeone:
      Raise(fOnimsomeone, wparam, lparam);
      break;
    case slstarting:
      Raise(fOnStarting, wparam, lparam);
      if (fheavyload) {
        Post(wparam, slheavyload, 0);
      }
      if (senderId == idscreensaver) {
        screensavehandle = wparam;
      }
      break;
    case slquitting:
      Raise(fOnQuitting, wparam, lparam);
      break;
    case slshowabout:
      if (fdravelaboutbox != nullptr) {
        fdravelaboutbox->showmodal();
      }
      Raise(fOnShowAbout, wparam, lparam);
      break;
    case slaskversion:
      Post(wparam, slanswerversion, VersionParam());
      Raise(fOnAskVersion, wparam, lparam);
      break;
    case slanswerversion:
      Raise(fOnAnswerVersion, wparam, lparam);
      break;
    case slquit:
      if (owner_ != nullptr && owner_->IsForm()) {
        Raise(fOnQuit, wparam, lparam);
        owner_->CloseMainForm();
      }
      if (senderId == idscreensaver) {
        screensavehandle = 0;
      }
      break;
    case sltakefocus:
      Raise(fOnTakeFocus, wparam, lparam);
      if (owner_ != nullptr) {
        owner_->BringToFront();
      }
      break;
    case slheavyload:
      fsystemisloaded = true;
      loadedhandle = wparam;
      Raise(fOnHeavyLoad, wparam, lparam);
      break;
    case slaskheavyload:
      if (fheavyload) {
        Post(wparam, slheavyload, 0);
        if (senderId == idscreensaver) {
          screensavehandle = wparam;
        }
      }
      break;
    default:
      break;
  }
  return true;
}

void TLink::Post(uint32_t who, tslmessage msg, uint16_t param) {
  transport_->Post(who, {transport_->MessageNumber(), transport_->Handle(), Word(msg, param)});
}

uint32_t TLink::Word(tslmessage msg, uint16_t param) const {
  return static_cast<uint32_t>(fmyid) << 24 | (static_cast<uint32_t>(msg) & kKindMask) << 16 |
         param;
}

void TLink::Raise(const tlinkevent& event, uint32_t wparam, uint32_t lparam) {
  if (event) {
    event(*this, static_cast<uint16_t>(wparam), SenderId(lparam),
          static_cast<tslmessage>((lparam >> 16) & 0xFF), static_cast<uint16_t>(lparam));
  }
}

uint16_t TLink::VersionParam() const {
  return fdravelaboutbox != nullptr ? LinkVersionParam(fdravelaboutbox->Version()) : 0;
}

}  // namespace vorsel
