// A program of the suite for the link tests: runs one TLink until it is told to quit or its
// time is up, and prints every event it raises, one line each.
//
//   link_peer [--id N] [--heavy] [--version TEXT] [--form] [--seconds S]

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kit/slink.h"

namespace {

class PeerOwner : public vorsel::LinkOwner {
 public:
  explicit PeerOwner(bool form) : form_(form) {}
  bool IsForm() const override { return form_; }
  void BringToFront() override { std::printf("BringToFront\n"); }
  void CloseMainForm() override { closed = true; }
  bool closed = false;

 private:
  bool form_;
};

class PeerAbout : public vorsel::AboutBoxFacts {
 public:
  explicit PeerAbout(std::string version) : version_(std::move(version)) {}
  std::string Title() const override { return "Peer"; }
  std::string Version() const override { return version_; }
  void showmodal() override { std::printf("showmodal\n"); }

 private:
  std::string version_;
};

vorsel::tlinkevent Printer(const char* name) {
  return [name](vorsel::TLink&, uint16_t, vorsel::tslprogid progid, vorsel::tslmessage msg,
                uint16_t param) {
    std::printf("%s %s %d %d\n", name, vorsel::msg_str(msg).c_str(), progid, param);
  };
}

}  // namespace

int main(int argc, char** argv) {
  int id = vorsel::idvorsel;
  bool heavy = false;
  bool form = false;
  int seconds = 20;
  std::string version;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--id" && i + 1 < argc) {
      id = std::atoi(argv[++i]);
    } else if (arg == "--heavy") {
      heavy = true;
    } else if (arg == "--form") {
      form = true;
    } else if (arg == "--version" && i + 1 < argc) {
      version = argv[++i];
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "link_peer: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  PeerOwner owner(form);
  PeerAbout about(version);
  {
    vorsel::TLink link(
        &owner, vorsel::OpenLinkTransport(vorsel::kLinkMessageName, vorsel::LinkFolderUse::Create));
    link.SetMyID(static_cast<vorsel::tslprogid>(id));
    link.SetHeavyLoad(heavy);
    if (!version.empty()) {
      link.SetDravelAboutBox(&about);
    }
    link.SetOnMessage(Printer("OnMessage"));
    link.SetOnNewFile(Printer("OnNewFile"));
    link.SetOnWho(Printer("OnWho"));
    link.SetOnStarting(Printer("OnStarting"));
    link.SetOnAskVersion(Printer("OnAskVersion"));
    link.SetOnQuit(Printer("OnQuit"));
    link.SetOnTakeFocus(Printer("OnTakeFocus"));
    link.Loaded();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!owner.closed && std::chrono::steady_clock::now() < end) {
      pollfd watch{link.ReceiveDescriptor(), POLLIN, 0};
      if (poll(&watch, 1, 50) > 0) {
        link.ReceivePending();
      }
    }
  }
  return owner.closed ? 0 : 3;
}
