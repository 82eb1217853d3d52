// The link between real processes: link_peer programs and the test's own socket in a
// temporary runtime folder.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "kit/slink.h"
#include "tests/platform/store_environment.h"
#include "tests/support/link_listener.h"

namespace vorsel {
namespace {

using namespace std::chrono_literals;
using test::CountKind;
using test::Datagrams;
using test::HasKind;
using test::KindOf;

constexpr int kTestId = 5;

class LinkProcessTest : public ::testing::Test {
 protected:
  struct Peer {
    pid_t pid = -1;
    uint32_t handle = 0;
    std::string output;
  };

  LinkProcessTest() {
    std::filesystem::create_directories(env.dir / "run");
    env.Set("XDG_RUNTIME_DIR", env.dir / "run");
    me = OpenLinkTransport(kLinkMessageName, LinkFolderUse::Create);
  }

  ~LinkProcessTest() override {
    for (const Peer& peer : peers) {
      if (peer.pid > 0) {
        kill(peer.pid, SIGKILL);
        waitpid(peer.pid, nullptr, 0);
      }
    }
  }

  // Starts a peer and waits for its start announcement, which gives its handle.
  Peer& Start(std::vector<std::string> arguments) {
    Peer& peer = peers.emplace_back();
    peer.output = env.dir / ("peer" + std::to_string(peers.size()) + ".txt");
    arguments.insert(arguments.begin(), LINK_PEER);
    peer.pid = fork();
    if (peer.pid == 0) {
      if (freopen(peer.output.c_str(), "w", stdout) == nullptr) {
        _exit(99);
      }
      std::vector<char*> argv;
      for (std::string& argument : arguments) {
        argv.push_back(argument.data());
      }
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(98);
    }
    const Datagrams seen = test::Collect(*me, 10s, HasKind(slstarting));
    for (const LinkDatagram& d : seen) {
      if (KindOf(d) == slstarting) {
        EXPECT_EQ(test::SenderIdOf(d), idvorsel);
        peer.handle = d.wparam;
      }
    }
    EXPECT_NE(peer.handle, 0u) << "no start announcement from the peer";
    return peer;
  }

  // The exit status of the peer once it has ended by itself; -1 when it had to be killed.
  int WaitForEnd(Peer& peer) {
    for (int i = 0; i < 200; ++i) {
      int status = 0;
      if (waitpid(peer.pid, &status, WNOHANG) == peer.pid) {
        peer.pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(50ms);
    }
    return -1;
  }

  LinkDatagram Message(int kind) const {
    return {me->MessageNumber(), me->Handle(),
            static_cast<uint32_t>(kTestId) << 24 | static_cast<uint32_t>(kind) << 16};
  }

  test::StoreEnvironment env;
  std::unique_ptr<LinkTransport> me;
  std::vector<Peer> peers;
};

TEST_F(LinkProcessTest, APeerHandlesWhatOthersSendButNotItsOwnAnnouncements) {
  Peer& peer = Start({"--form"});
  me->Post(peer.handle, Message(slquit));
  EXPECT_EQ(WaitForEnd(peer), 0);
  const Datagrams after = test::Collect(*me, 5s, HasKind(slquitting));
  ASSERT_EQ(CountKind(after, slquitting), 1u);
  const std::string output = test::ReadFile(peer.output);
  EXPECT_EQ(output, "OnMessage Quit 5 0\nOnQuit Quit 5 0\n");
}

TEST_F(LinkProcessTest, WhoIsAnsweredByExactlyOneImSomeOnePostedBackWith23) {
  Peer& peer = Start({});
  const auto bystander = OpenLinkTransport(kLinkMessageName, LinkFolderUse::Create);
  me->Broadcast(Message(slwho));
  const Datagrams answers = test::Collect(*me, 1s);
  ASSERT_EQ(CountKind(answers, slimsomeone), 1u);
  for (const LinkDatagram& d : answers) {
    if (KindOf(d) == slimsomeone) {
      EXPECT_EQ(d.wparam, peer.handle);
      EXPECT_EQ(test::SenderIdOf(d), idvorsel);
      EXPECT_EQ(test::ParamOf(d), 0);
    }
  }
  EXPECT_EQ(CountKind(test::Collect(*bystander, 200ms), slimsomeone), 0u);
}

TEST_F(LinkProcessTest, VersionIsAnsweredWith1029For45AndWith0WithoutAboutBox) {
  const uint32_t withBox = Start({"--version", "4.5"}).handle;
  const uint32_t without = Start({}).handle;
  me->Post(withBox, Message(slaskversion));
  me->Post(without, Message(slaskversion));
  const Datagrams answers = test::Collect(
      *me, 5s, [](const Datagrams& ds) { return CountKind(ds, slanswerversion) == 2; });
  std::map<uint32_t, int> versions;
  for (const LinkDatagram& d : answers) {
    if (KindOf(d) == slanswerversion) {
      versions[d.wparam] = test::ParamOf(d);
    }
  }
  EXPECT_EQ(versions, (std::map<uint32_t, int>{{withBox, 1029}, {without, 0}}));
}

TEST_F(LinkProcessTest, ABusyPeerAnswersStartingAnIdleOneDoesNot) {
  const uint32_t busy = Start({"--heavy"}).handle;
  Start({});
  me->Broadcast(Message(slstarting));
  const Datagrams answers = test::Collect(*me, 1s);
  ASSERT_EQ(CountKind(answers, slheavyload), 1u);
  for (const LinkDatagram& d : answers) {
    if (KindOf(d) == slheavyload) {
      EXPECT_EQ(d.wparam, busy);
    }
  }
}

TEST_F(LinkProcessTest, QuitToAPeerThatIsNotAFormChangesNothing) {
  Peer& peer = Start({});
  me->Post(peer.handle, Message(slquit));
  me->Post(peer.handle, Message(slwho));
  EXPECT_EQ(CountKind(test::Collect(*me, 5s, HasKind(slimsomeone)), slimsomeone), 1u)
      << "still running and answering";
  kill(peer.pid, SIGTERM);
  WaitForEnd(peer);
  const std::string output = test::ReadFile(peer.output);
  EXPECT_EQ(output.rfind("OnMessage Quit 5 0\nOnMessage WhosOutThere 5 0\n", 0), 0u) << output;
  EXPECT_EQ(output.find("OnQuit"), std::string::npos) << output;
}

}  // namespace
}  // namespace vorsel
