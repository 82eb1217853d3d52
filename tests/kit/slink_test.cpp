#include "kit/slink.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

constexpr uint32_t kOwnHandle = 0x00012345;
constexpr uint32_t kPeer = 0x0003BEEF;

// Records what the link sends; delivers nothing.
class FakeTransport : public LinkTransport {
 public:
  struct Sent {
    uint32_t to;  // 0 for a broadcast
    LinkDatagram datagram;
  };
  uint32_t Handle() const override { return kOwnHandle; }
  uint32_t MessageNumber() const override { return RegisterLinkMessage(kLinkMessageName); }
  void Broadcast(const LinkDatagram& d) override { sent->push_back({0, d}); }
  void Post(uint32_t handle, const LinkDatagram& d) override { sent->push_back({handle, d}); }
  int ReceiveDescriptor() const override { return -1; }
  size_t ReceivePending(const Receiver&, size_t) override { return 0; }

  std::vector<Sent>* sent = nullptr;
};

class FakeOwner : public LinkOwner {
 public:
  explicit FakeOwner(bool form) : form_(form) {}
  bool IsForm() const override { return form_; }
  void BringToFront() override { calls.push_back("BringToFront"); }
  void CloseMainForm() override { calls.push_back("CloseMainForm"); }
  std::vector<std::string> calls;

 private:
  bool form_;
};

class FakeAbout : public AboutBoxFacts {
 public:
  std::string Title() const override { return "Vorsel"; }
  std::string Version() const override { return version; }
  void showmodal() override { shown++; }
  std::string version = "4.5";
  int shown = 0;
};

uint32_t Word(int id, int kind, int param = 0) {
  return static_cast<uint32_t>(id) << 24 | static_cast<uint32_t>(kind) << 16 |
         static_cast<uint32_t>(param);
}

class TLinkTest : public ::testing::Test {
 protected:
  explicit TLinkTest(bool form = true) : owner(form) { Make(); }

  void Make() {
    auto transport = std::make_unique<FakeTransport>();
    transport->sent = &sent;
    link = std::make_unique<TLink>(&owner, std::move(transport));
    link->SetMyID(idvorsel);
    const auto record = [this](const char* name) {
      return [this, name](TLink& sender, uint16_t apphandle, tslprogid progid, tslmessage msg,
                          uint16_t param) {
        EXPECT_EQ(&sender, link.get());
        events.push_back(std::string(name) + " " + std::to_string(apphandle) + " " +
                         std::to_string(progid) + " " + std::to_string(msg) + " " +
                         std::to_string(param));
        owner.calls.push_back(name);
      };
    };
    link->SetOnMessage(record("OnMessage"));
    link->SetOnNewFile(record("OnNewFile"));
    link->SetOnWho(record("OnWho"));
    link->SetOnImSomeOne(record("OnImSomeOne"));
    link->SetOnStarting(record("OnStarting"));
    link->SetOnQuitting(record("OnQuitting"));
    link->SetOnShowAbout(record("OnShowAbout"));
    link->SetOnAskVersion(record("OnAskVersion"));
    link->SetOnAnswerVersion(record("OnAnswerVersion"));
    link->SetOnTakeFocus(record("OnTakeFocus"));
    link->SetOnHeavyLoad(record("OnHeavyLoad"));
    link->SetOnQuit(record("OnQuit"));
    link->Loaded();
    sent.clear();
  }

  bool Receive(int id, int kind, int param = 0, uint32_t from = kPeer) {
    return link->HandleMessage(RegisterLinkMessage(kLinkMessageName), from, Word(id, kind, param));
  }

  LinkDatagram Expected(int kind, int param = 0) const {
    return {RegisterLinkMessage(kLinkMessageName), kOwnHandle, Word(idvorsel, kind, param)};
  }

  std::vector<FakeTransport::Sent> sent;
  FakeOwner owner;
  std::vector<std::string> events;
  std::unique_ptr<TLink> link;
};

class TLinkNotFormTest : public TLinkTest {
 protected:
  TLinkNotFormTest() : TLinkTest(false) {}
};

TEST(LinkNames, MessagesAndPrograms) {
  const std::vector<std::string> names = {"Unknown Link message 0",
                                          "NewFile",
                                          "WhosOutThere",
                                          "ImOutHere",
                                          "Starting",
                                          "Quitting",
                                          "ShowAbout",
                                          "AskVersion",
                                          "AnswerVersion",
                                          "Quit",
                                          "TakeFocus",
                                          "Unknown Link message 11",
                                          "Unknown Link message 12"};
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    EXPECT_EQ(msg_str(i), names[i]);
  }
  EXPECT_EQ(msg_str(200), "Unknown Link message 200");
  EXPECT_EQ(msg_str(-1), "Unknown Link message -1");
  EXPECT_EQ(id_str(23), "Vorsel");
  EXPECT_EQ(id_str(26), "Screen saver");
  EXPECT_EQ(id_str(33), "Suite application 33");
  EXPECT_EQ(id_str(34), "Unknown Link application 34");
}

TEST(LinkVersionParam, MajorTimes256PlusMinorEachCutTo8Bits) {
  EXPECT_EQ(LinkVersionParam("4.5"), 1029);
  EXPECT_EQ(LinkVersionParam("4.50"), 1074);
  EXPECT_EQ(LinkVersionParam("300.300"), 44 * 256 + 44);
  EXPECT_EQ(LinkVersionParam("7"), 7);
  EXPECT_EQ(LinkVersionParam("70000"), 70000 & 0xFFFF);
  EXPECT_EQ(LinkVersionParam("auto"), 0);
  EXPECT_EQ(LinkVersionParam("4.5.1"), 0);
  EXPECT_EQ(LinkVersionParam(""), 0);
}

TEST_F(TLinkTest, AnnouncesStartOnLoadAndEndOnDestructionWithItsIdAndHandle) {
  link.reset();
  sent.clear();
  for (const bool loaded : {false, true}) {
    auto transport = std::make_unique<FakeTransport>();
    transport->sent = &sent;
    TLink other(nullptr, std::move(transport));
    other.SetMyID(idvorsel);
    if (loaded) {
      other.Loaded();
      EXPECT_TRUE(other.hooked());
    }
  }
  ASSERT_EQ(sent.size(), 2u) << "a link that never listened announces nothing";
  EXPECT_EQ(sent[0].to, 0u);
  EXPECT_EQ(sent[0].datagram, Expected(slstarting));
  EXPECT_EQ(sent[1].to, 0u);
  EXPECT_EQ(sent[1].datagram, Expected(slquitting));
}

TEST_F(TLinkTest, IgnoresItsOwnBroadcastsAndOtherMessages) {
  EXPECT_FALSE(Receive(idvorsel, slstarting, 0, kOwnHandle));
  EXPECT_FALSE(
      link->HandleMessage(RegisterLinkMessage(kLinkMessageName) + 1, kPeer, Word(5, slstarting)));
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(sent.empty());
}

TEST_F(TLinkTest, WhoIsAnsweredOnceThenOnMessageAndOnWhoCarryTheDecodedFields) {
  EXPECT_TRUE(Receive(5, slwho));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, kPeer);
  EXPECT_EQ(sent[0].datagram, Expected(slimsomeone));
  const std::string fields = " " + std::to_string(kPeer & 0xFFFF) + " 5 2 0";
  EXPECT_EQ(events, (std::vector<std::string>{"OnMessage" + fields, "OnWho" + fields}));
}

TEST_F(TLinkTest, ShowAboutShowsALinkedBoxAndAnswersNothing) {
  Receive(5, slshowabout);
  FakeAbout about;
  link->SetDravelAboutBox(&about);
  Receive(5, slshowabout);
  EXPECT_EQ(about.shown, 1);
  EXPECT_TRUE(sent.empty());
}

TEST_F(TLinkTest, LeavingTheBusyStateTellsOnlyAKnownScreenSaverToQuit) {
  link->SetHeavyLoad(false);
  EXPECT_TRUE(sent.empty());
  Receive(idscreensaver, slstarting, 0, 0x777);
  EXPECT_EQ(link->ScreenSaveHandle(), 0x777u);
  link->SetHeavyLoad(true);
  EXPECT_TRUE(sent.empty());
  link->SetHeavyLoad(false);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, 0x777u);
  EXPECT_EQ(sent[0].datagram, Expected(slquit));

  sent.clear();
  link->ask_heavyload();
  ASSERT_EQ(sent.size(), 1u) << "ask_heavyload clears the flag without telling the saver";
  EXPECT_EQ(sent[0].datagram, Expected(slaskheavyload));
  EXPECT_EQ(sent[0].to, 0u);

  Receive(idscreensaver, slquit, 0, 0x777);
  EXPECT_EQ(link->ScreenSaveHandle(), 0u);
}

TEST_F(TLinkTest, HeavyLoadAnswersAreRecordedAndAskingDoesNotForgetThem) {
  Receive(7, slheavyload, 0, 0x999);
  EXPECT_TRUE(link->SystemIsLoaded());
  EXPECT_EQ(link->LoadedHandle(), 0x999u);
  link->ask_heavyload();
  EXPECT_TRUE(link->SystemIsLoaded());
  EXPECT_EQ(events.back().rfind("OnHeavyLoad", 0), 0u);
}

TEST_F(TLinkTest, AskHeavyLoadIsAnsweredOnlyWhenBusyAndRemembersAScreenSaver) {
  Receive(idscreensaver, slaskheavyload, 0, 0x555);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(link->ScreenSaveHandle(), 0u);
  link->SetHeavyLoad(true);
  Receive(idscreensaver, slaskheavyload, 0, 0x555);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, 0x555u);
  EXPECT_EQ(sent[0].datagram, Expected(slheavyload));
  EXPECT_EQ(link->ScreenSaveHandle(), 0x555u);
}

TEST_F(TLinkTest, QuitRaisesOnQuitThenClosesTheForm) {
  Receive(5, slquit);
  ASSERT_GE(owner.calls.size(), 2u);
  EXPECT_EQ((std::vector<std::string>(owner.calls.end() - 2, owner.calls.end())),
            (std::vector<std::string>{"OnQuit", "CloseMainForm"}));
}

TEST_F(TLinkNotFormTest, QuitToALinkNotOwnedByAFormRaisesAndClosesNothing) {
  Receive(idscreensaver, slstarting, 0, 0x777);
  events.clear();
  owner.calls.clear();
  EXPECT_TRUE(Receive(idscreensaver, slquit, 0, 0x777));
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"OnMessage"}));
  EXPECT_EQ(link->ScreenSaveHandle(), 0u) << "the saver is forgotten all the same";
}

TEST_F(TLinkTest, TakeFocusRaisesTheEventThenTheWindow) {
  Receive(5, sltakefocus);
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"OnMessage", "OnTakeFocus", "BringToFront"}));
}

TEST_F(TLinkTest, KindsWithoutHandlingAreConsumedSilently) {
  for (const int kind : {0, 13, 100, 127}) {
    EXPECT_TRUE(Receive(5, kind));
  }
  EXPECT_EQ(events.size(), 4u);  // OnMessage only
  EXPECT_TRUE(sent.empty());
  events.clear();
  // Bit 23 is not part of the kind, but the event shows it.
  EXPECT_TRUE(Receive(5, 0x80 | slnewfile));
  EXPECT_EQ(events.back(), "OnNewFile " + std::to_string(kPeer & 0xFFFF) + " 5 129 0");
}

TEST_F(TLinkTest, SentKindsAreMaskedTo7Bits) {
  link->notify_one(static_cast<tslmessage>(0x80 | slnewfile), kPeer);
  link->new_file();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].datagram, Expected(slnewfile));
  EXPECT_EQ(sent[1].to, 0u);
  EXPECT_EQ(sent[1].datagram, Expected(slnewfile));
}

}  // namespace
}  // namespace vorsel
