#include "platform/link_transport.h"

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/store_environment.h"
#include "tests/support/link_listener.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  return address;
}

// A plain datagram socket bound at `path`, for sending what the suite's programs never send.
int RawSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  const sockaddr_un address = Address(path);
  EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0) << path;
  return fd;
}

void SendRaw(int fd, const std::string& to, const void* bytes, size_t size) {
  const sockaddr_un address = Address(to);
  sendto(fd, bytes, size, 0, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

class LinkTransportTest : public ::testing::Test {
 protected:
  LinkTransportTest() {
    fs::create_directories(runtime);
    env.Set("XDG_RUNTIME_DIR", runtime);
  }

  std::string SocketOf(const LinkTransport& t) const {
    return folder + "/" + std::to_string(t.Handle());
  }
  LinkDatagram Message(const LinkTransport& from, uint32_t lparam) const {
    return {RegisterLinkMessage("VERAZIDUZA"), from.Handle(), lparam};
  }

  test::StoreEnvironment env;
  std::string runtime = env.dir / "run";
  std::string folder = runtime + "/VERAZIDUZA";
};

TEST(LinkWire, ThreeLittleEndianWordsAndNothingElse) {
  const auto bytes = EncodeLinkDatagram({0x0000C123, 0x01020304, 0xA0B0C0D0});
  const std::array<uint8_t, 12> expected = {0x23, 0xC1, 0,    0,    0x04, 0x03,
                                            0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(DecodeLinkDatagram(bytes), (LinkDatagram{0xC123, 0x01020304, 0xA0B0C0D0}));
  EXPECT_FALSE(DecodeLinkDatagram(std::span(bytes).first(11)));
  const std::array<uint8_t, 13> longer{};
  EXPECT_FALSE(DecodeLinkDatagram(longer));
}

TEST(LinkWire, MessageNumberDependsOnTheNameAlone) {
  const uint32_t number = RegisterLinkMessage("VERAZIDUZA");
  EXPECT_EQ(number, RegisterLinkMessage("VERAZIDUZA"));
  EXPECT_GE(number, 0xC000u);
  EXPECT_LE(number, 0xFFFFu);
  EXPECT_NE(number, RegisterLinkMessage("VERAZIDUZB"));
}

TEST(LinkFolder, RuntimeFolderElsePerUserFolderInTmp) {
  test::StoreEnvironment env;
  env.Set("XDG_RUNTIME_DIR", "/run/user/7/");
  EXPECT_EQ(LinkFolder("VERAZIDUZA"), "/run/user/7/VERAZIDUZA");
  env.Set("XDG_RUNTIME_DIR", "relative/run");
  EXPECT_EQ(LinkFolder("VERAZIDUZA"), "/tmp/VERAZIDUZA-" + std::to_string(getuid()));
  env.Set("XDG_RUNTIME_DIR", std::nullopt);
  EXPECT_EQ(LinkFolder("VERAZIDUZA"), "/tmp/VERAZIDUZA-" + std::to_string(getuid()));
}

TEST_F(LinkTransportTest, ListenerMakesAPrivateFolderAndASocketNamedByItsHandle) {
  {
    const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
    ASSERT_NE(link->Handle(), 0u);
    EXPECT_GE(link->ReceiveDescriptor(), 0);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(fs::is_socket(SocketOf(*link)));
  }
  EXPECT_TRUE(fs::is_empty(folder)) << "the socket goes with its program";
}

TEST_F(LinkTransportTest, FolderOpenToOthersIsClosedAgain) {
  fs::create_directory(folder);
  chmod(folder.c_str(), 0755);
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  EXPECT_NE(link->Handle(), 0u);
  struct stat info {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST_F(LinkTransportTest, SenderOnlyCreatesNothingWhenNobodyListens) {
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::ExistingOnly);
  EXPECT_EQ(link->Handle(), 0u);
  EXPECT_EQ(link->ReceiveDescriptor(), -1);
  link->Broadcast(Message(*link, 1));
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(LinkTransportTest, UnusableFolderMeansRunningWithoutALink) {
  test::WriteFile(env.dir / "file", "");
  env.Set("XDG_RUNTIME_DIR", env.dir / "file" + "/run");
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  EXPECT_EQ(link->Handle(), 0u);
  EXPECT_EQ(link->ReceiveDescriptor(), -1);
  link->Broadcast(Message(*link, 1));
  link->Post(12345, Message(*link, 1));
  EXPECT_EQ(link->ReceivePending([](const LinkDatagram&) { FAIL(); }), 0u);
}

TEST_F(LinkTransportTest, BroadcastReachesEveryProgramItselfIncludedPostOnlyOne) {
  const auto a = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const auto b = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  ASSERT_NE(a->Handle(), b->Handle());
  a->Broadcast(Message(*a, 0x17040000));
  const auto atA = test::Collect(*a, 2s, [](const auto& ds) { return ds.size() == 1; });
  const auto atB = test::Collect(*b, 2s, [](const auto& ds) { return ds.size() == 1; });
  ASSERT_EQ(atA.size(), 1u);
  ASSERT_EQ(atB.size(), 1u);
  EXPECT_EQ(atB[0], Message(*a, 0x17040000));

  b->Post(a->Handle(), Message(*b, 0x17030000));
  EXPECT_EQ(test::Collect(*a, 2s, [](const auto& ds) { return !ds.empty(); }),
            test::Datagrams{Message(*b, 0x17030000)});
  EXPECT_TRUE(test::Collect(*b, 100ms).empty());
}

TEST_F(LinkTransportTest, BroadcastRemovesSocketsOfProgramsThatAreGoneAndNothingElse) {
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  close(RawSocket(folder + "/4000000000"));  // a killed program leaves its socket behind
  test::WriteFile(folder + "/notes", "");
  ASSERT_TRUE(fs::exists(folder + "/4000000000"));
  link->Broadcast(Message(*link, 0x17010000));
  EXPECT_FALSE(fs::exists(folder + "/4000000000"));
  EXPECT_TRUE(fs::exists(folder + "/notes"));
  EXPECT_TRUE(fs::exists(SocketOf(*link)));
}

TEST_F(LinkTransportTest, DropsDatagramsOfTheWrongSizeOrFromOutsideOrUnsigned) {
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const std::string to = SocketOf(*link);
  const int inside = RawSocket(folder + "/77");
  const int outside = RawSocket(env.dir / "elsewhere");
  const auto good = EncodeLinkDatagram({RegisterLinkMessage("VERAZIDUZA"), 77, 0x05010000});
  const auto unsigned_ = EncodeLinkDatagram({RegisterLinkMessage("VERAZIDUZA"), 78, 0x05010000});
  const std::array<uint8_t, 13> longer{};
  SendRaw(inside, to, good.data(), 11);
  SendRaw(inside, to, longer.data(), longer.size());
  SendRaw(inside, to, good.data(), 0);
  SendRaw(outside, to, good.data(), good.size());
  SendRaw(inside, to, unsigned_.data(), unsigned_.size());  // claims another address
  SendRaw(inside, to, good.data(), good.size());
  const auto received = test::Collect(*link, 300ms);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].wparam, 77u);
  close(inside);
  close(outside);
}

TEST_F(LinkTransportTest, AFloodNeitherBlocksTheSenderNorPilesUpAtTheReceiver) {
  const auto receiver = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const auto sender = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5000; ++i) {
    sender->Post(receiver->Handle(), Message(*sender, 0x17010000));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  size_t total = 0;
  for (size_t taken = 1; taken > 0;) {
    taken = receiver->ReceivePending([](const LinkDatagram&) {}, 64);
    EXPECT_LE(taken, 64u);
    total += taken;
  }
  EXPECT_GT(total, 0u);
  EXPECT_LT(total, 5000u) << "the queue is bounded; the rest was dropped";
}

// Runs `body` in a child that has become the unprivileged user; its result is the exit code.
int AsNobody(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
        setresuid(kNobody, kNobody, kNobody) != 0) {
      _exit(90);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(LinkTransportTest, ReadOnlyFolderMeansRunningWithoutALink) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to act as another user";
  }
  fs::create_directory(folder);
  chown(runtime.c_str(), kNobody, kNobody);
  chown(folder.c_str(), kNobody, kNobody);
  chmod(folder.c_str(), 0500);
  EXPECT_EQ(AsNobody([] {
              const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
              return link->Handle() == 0 && link->ReceiveDescriptor() == -1 ? 0 : 1;
            }),
            0);
}

TEST_F(LinkTransportTest, AnotherUsersFolderOrSocketIsNeverUsed) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to give files to another user";
  }
  fs::create_directory(folder, runtime);
  chmod(folder.c_str(), 0700);
  chown(folder.c_str(), kNobody, kNobody);
  EXPECT_EQ(OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create)->Handle(), 0u);
  EXPECT_TRUE(fs::is_empty(folder));

  chown(folder.c_str(), 0, 0);
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const auto foreign = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  chown(SocketOf(*foreign).c_str(), kNobody, kNobody);
  link->Broadcast(Message(*link, 0x17010000));
  link->Post(foreign->Handle(), Message(*link, 0x17010000));
  EXPECT_TRUE(test::Collect(*foreign, 200ms).empty());
  EXPECT_EQ(test::Collect(*link, 2s, [](const auto& ds) { return !ds.empty(); }).size(), 1u);
}

TEST_F(LinkTransportTest, DropsWhatAnotherUserSent) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to act as another user";
  }
  const auto link = OpenLinkTransport("VERAZIDUZA", LinkFolderUse::Create);
  const std::string to = SocketOf(*link);
  const std::string from = folder + "/99";
  const pid_t child = fork();
  if (child == 0) {
    // Bound and connected while still root; what counts is the user at the time of sending.
    const int fd = RawSocket(from);
    const sockaddr_un address = Address(to);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
      _exit(91);
    }
    const auto own = EncodeLinkDatagram({RegisterLinkMessage("VERAZIDUZA"), 99, 0x05010001});
    const auto foreign = EncodeLinkDatagram({RegisterLinkMessage("VERAZIDUZA"), 99, 0x05010002});
    send(fd, own.data(), own.size(), 0);
    if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
        setresuid(kNobody, kNobody, kNobody) != 0) {
      _exit(90);
    }
    send(fd, foreign.data(), foreign.size(), 0);
    _exit(0);
  }
  int childStatus = 0;
  waitpid(child, &childStatus, 0);
  ASSERT_TRUE(WIFEXITED(childStatus));
  ASSERT_EQ(WEXITSTATUS(childStatus), 0);
  const auto received = test::Collect(*link, 300ms);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(test::ParamOf(received[0]), 1);
}

}  // namespace
}  // namespace vorsel
