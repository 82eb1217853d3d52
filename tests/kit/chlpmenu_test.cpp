#include "kit/chlpmenu.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kit/about.h"
#include "platform/folders.h"
#include "platform/keystore.h"
#include "tests/kit/fake_menu.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/loopback_http_server.h"

namespace vorsel {
namespace {

namespace fs = std::filesystem;
using test::FakeMenuItem;
using test::LoopbackHttpServer;

constexpr int32_t kToday = 46364;  // 8 December 2026
const std::string kWebMenu = "Software\\QuorvikData\\WebMenu";
const std::string kItems = "Software\\QuorvikData\\WebMenu\\items";
const std::string kUserKey = "Software\\QuorvikData\\Vorsel";

class RecordingOpener : public Opener {
 public:
  bool OpenDocument(const std::string& address) override {
    opened.push_back(address);
    return true;
  }
  std::vector<std::string> opened;
};

class THelpMenuTest : public ::testing::Test {
 protected:
  THelpMenuTest() {
    fs::create_directories(env.dir / "bin");
    SetProgramFileName(env.dir / "bin/vorsel");
    id.SetProductName("Vorsel");
    id.SetAutoVersion(false);
    id.SetVersion("4.50");
    for (const char* caption : {"&File", "&Settings"}) {
      bar.push_back(std::make_unique<FakeMenuItem>(caption));
      mainMenu.Insert(mainMenu.Count(), *bar.back());
    }
    // Online: a default route over an ordinary interface.
    env.Set("VORSEL_PROC_NET", env.dir / "net");
    fs::create_directories(env.dir / "net");
    test::WriteFile(env.dir / "net/route",
                    "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                    "eth0\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\n");
  }

  std::unique_ptr<THelpMenu> Menu(std::unique_ptr<HttpClient> http = nullptr) {
    if (!http) {
      http = CreateHttpClient({std::chrono::milliseconds(2000), 64 * 1024});
    }
    auto menu = std::make_unique<THelpMenu>(boxes, opener, std::move(http));
    menu->SetToday([this] { return today; });
    menu->SetOnEndProgram([this] { ++ended; });
    return menu;
  }

  // Placed as the window places it, with the version check switched on.
  std::unique_ptr<THelpMenu> Load(const std::string& url, bool enableCheck = true,
                                  std::unique_ptr<HttpClient> http = nullptr) {
    auto menu = Menu(std::move(http));
    menu->SetMainMenu(&mainMenu);
    menu->SetAboutBox(&about);
    menu->SetProgId(&id);
    menu->SetNewFullVersionURL(url);
    menu->SetEnableVersionCheck(enableCheck);
    menu->Loaded();
    return menu;
  }

  FakeMenuItem& HelpMenu() {
    for (FakeMenuItem* menu : mainMenu.children) {
      if (menu->Caption() == "&Help") {
        return *menu;
      }
    }
    throw std::logic_error("no help menu");
  }

  FakeMenuItem& Item(const std::string& caption) {
    for (FakeMenuItem* item : HelpMenu().children) {
      if (item->Caption() == caption) {
        return *item;
      }
    }
    throw std::logic_error("no item " + caption);
  }

  std::optional<StoreValue> UserValue(const std::string& name) {
    return OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->ReadValue(kUserKey, name);
  }
  void SetUserValue(const std::string& name, int32_t value) {
    OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->WriteValue(kUserKey, name, value);
  }

  test::StoreEnvironment env;
  test::FakeMessageBoxes boxes;
  RecordingOpener opener;
  TProgId id;
  TDravelAbout about;
  FakeMenuItem mainMenu;
  std::vector<std::unique_ptr<FakeMenuItem>> bar;
  int32_t today = kToday;
  int ended = 0;
};

TEST_F(THelpMenuTest, WithoutManualOrWebMenuOnlyTheAboutEntryIsLeft) {
  // A machine store that cannot be written: its folder lies below a regular file.
  test::WriteFile(env.dir / "plain", "");
  env.Set("VORSEL_MACHINE_DIR", env.dir / "plain/machine");
  auto menu = Load("", false);
  EXPECT_EQ(HelpMenu().Caption(), "&Help");
  EXPECT_EQ(mainMenu.Count(), 3);
  EXPECT_EQ(HelpMenu().VisibleCaptions(), std::vector<std::string>{"A&bout..."});
  menu.reset();
  EXPECT_EQ(mainMenu.Count(), 2);
}

TEST_F(THelpMenuTest, TheFullMenuInItsOrder) {
  test::WriteFile(env.dir / "bin/vorsel.html", "<html></html>");
  auto menu = Menu();
  menu->SetMainMenu(&mainMenu);
  menu->SetAboutBox(&about);
  menu->SetProgId(&id);
  menu->SetMenuPos(1);
  menu->SetAdditionalMenutexts({"Manual online", "", "Forum"});
  menu->SetAdditionalCommands(
      {"https://manual.example/", "https://skipped.example/", "https://forum.example/"});
  menu->SetNewFullVersionURL("http://127.0.0.1:1/version.txt");
  menu->SetEnableVersionCheck(true);
  menu->Loaded();

  EXPECT_EQ(mainMenu.Child(1).Caption(), "&Help");
  EXPECT_EQ(
      mainMenu.Child(1).VisibleCaptions(),
      (std::vector<std::string>{"&Help...", "-", "Manual online", "Forum", "E-mail Quorvik Data",
                                "Quorvik Data Web", "Check for new version now",
                                "Check for new version automatically", "-", "A&bout..."}));
  EXPECT_EQ(Item("&Help...").ShortCut(), "F1");
  EXPECT_TRUE(Item("Check for new version automatically").Checked());

  Item("&Help...").Click();
  Item("Quorvik Data Web").Click();
  Item("E-mail Quorvik Data").Click();
  Item("Forum").Click();
  EXPECT_EQ(opener.opened, (std::vector<std::string>{
                               env.dir / "bin/vorsel.html", "https://www.quorvikdata.example/",
                               "mailto:support@quorvikdata.example", "https://forum.example/"}));
}

TEST_F(THelpMenuTest, TheManualIsAlsoFoundInTheInstalledLayout) {
  fs::create_directories(env.dir / "share/doc/vorsel");
  test::WriteFile(env.dir / "share/doc/vorsel/vorsel.html", "<html></html>");
  auto menu = Load("", false);
  EXPECT_EQ(fs::path(menu->HelpFile()), fs::path(env.dir / "share/doc/vorsel/vorsel.html"));
  EXPECT_EQ(HelpMenu().Child(0).Caption(), "&Help...");
}

TEST_F(THelpMenuTest, TheWebMenuIsStampedOnceAndThenOnlyRead) {
  auto machine = OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE);
  { auto menu = Menu(); }
  EXPECT_EQ(machine->ReadValue(kWebMenu, "MenuDate"), StoreValue(std::string("20020523")));
  EXPECT_EQ(machine->ValueNames(kItems),
            (std::vector<std::string>{"Quorvik Data Web", "E-mail Quorvik Data"}));

  // An administrator removed an entry: a stamp that has been reached leaves it removed.
  machine->DeleteValue(kItems, "Quorvik Data Web");
  auto menu = Menu();
  EXPECT_EQ(menu->menutexts(), std::vector<std::string>{"E-mail Quorvik Data"});

  // A malformed stamp counts as none.
  machine->WriteValue(kWebMenu, "MenuDate", std::string("soon"));
  menu = Menu();
  EXPECT_EQ(menu->menutexts().size(), 2u);
}

TEST_F(THelpMenuTest, TheFirstStartStoresTodayAndChecksOnlyOnALaterDay) {
  LoopbackHttpServer server(
      [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "4.50\r\n"); });
  { auto menu = Load(server.Url("/version.txt")); }
  EXPECT_EQ(UserValue("LastNewVersionCheckDate"), StoreValue(kToday));
  EXPECT_TRUE(server.Requests().empty());

  { auto menu = Load(server.Url("/version.txt")); }
  EXPECT_TRUE(server.Requests().empty());

  today = kToday + 1;
  { auto menu = Load(server.Url("/version.txt")); }
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /version.txt HTTP/1.1"});
  EXPECT_EQ(UserValue("LastNewVersionCheckDate"), StoreValue(kToday + 1));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(THelpMenuTest, UntickingTheAutomaticCheckAlsoStopsTheManualOne) {
  LoopbackHttpServer server(
      [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "4.50\r\n"); });
  auto menu = Load(server.Url("/v"));
  Item("Check for new version automatically").Click();
  EXPECT_FALSE(Item("Check for new version automatically").Checked());
  EXPECT_EQ(UserValue("AutoCheckForNewVersion"), StoreValue(0));
  Item("Check for new version now").Click();
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(boxes.shown.empty());

  menu.reset();
  menu = Load(server.Url("/v"));
  EXPECT_FALSE(Item("Check for new version automatically").Checked());
  Item("Check for new version automatically").Click();
  EXPECT_EQ(UserValue("AutoCheckForNewVersion"), StoreValue(1));
  Item("Check for new version now").Click();
  EXPECT_EQ(server.Requests().size(), 1u);
}

// Replies from a real server on the loopback address, for the manual and the automatic check.
class VersionCheckTest : public THelpMenuTest {
 protected:
  void Serve(std::string reply) {
    server = std::make_unique<LoopbackHttpServer>(
        [reply = std::move(reply), this](const std::string& line) {
          return line.find("/elsewhere") != std::string::npos
                     ? LoopbackHttpServer::Reply("200 OK", "9.9\r\nhttp://x.example/\r\n\r\nhi")
                     : reply;
        });
  }

  // Runs the check the way the menu command does; the menu is loaded on a day already
  // checked so that loading makes no check of its own.
  void CheckNow(std::unique_ptr<HttpClient> http = nullptr) {
    SetUserValue("LastNewVersionCheckDate", kToday);
    menu = Load(server->Url("/version.txt"), true, std::move(http));
    Item("Check for new version now").Click();
  }
  void CheckAutomatically() {
    SetUserValue("LastNewVersionCheckDate", kToday - 1);
    menu = Load(server->Url("/version.txt"));
  }

  void ExpectCannotConnect() {
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "New version check");
    EXPECT_EQ(boxes.shown[0].text,
              "Cannot connect to the update server.\rCheck your Internet connection.");
    EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
    EXPECT_TRUE(opener.opened.empty());
  }

  std::unique_ptr<LoopbackHttpServer> server;
  std::unique_ptr<THelpMenu> menu;
};

TEST_F(VersionCheckTest, TheRunningVersionWithBlanksIsNoNewVersion) {
  Serve(LoopbackHttpServer::Reply("200 OK", "  4.50 \r\nhttp://dl.example/\r\n\r\nNews"));
  CheckNow();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "No new version");
  EXPECT_EQ(boxes.shown[0].text,
            "There is currently no new version available.\rYou are already running the latest "
            "version: 4.50");
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconInformation);

  boxes.shown.clear();
  CheckAutomatically();
  EXPECT_EQ(server->Requests().size(), 2u);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(VersionCheckTest, AnOlderVersionIsStillOffered) {
  Serve(LoopbackHttpServer::Reply(
      "200 OK",
      "4.40\r\nhttps://dl.example/vorsel-4.40.tar.gz\n\n\nunused\r\n\r\nGet it.\nNow.\n"));
  boxes.answers = {idYes};
  CheckNow();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "New version available (current version is 4.50)");
  EXPECT_EQ(boxes.shown[0].text, "Get it.\rNow.\r");
  EXPECT_EQ(boxes.shown[0].flags, mbYesNo | mbIconQuestion);
  EXPECT_EQ(opener.opened, std::vector<std::string>{"https://dl.example/vorsel-4.40.tar.gz"});
  EXPECT_EQ(ended, 0);
}

TEST_F(VersionCheckTest, ANewerVersionFromTheAutomaticCheckEndsTheProgramAfterTheDownload) {
  Serve(LoopbackHttpServer::Reply("200 OK", "5.0\r\nhttps://dl.example/5\r\n-\r\nNew!"));
  boxes.answers = {idYes};
  CheckAutomatically();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "New!");
  EXPECT_EQ(opener.opened, std::vector<std::string>{"https://dl.example/5"});
  EXPECT_EQ(ended, 1);

  // Declined: nothing is opened.
  boxes.shown.clear();
  opener.opened.clear();
  CheckNow();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(opener.opened.empty());
}

TEST_F(VersionCheckTest, AnEmptyBodyFails) {
  Serve(LoopbackHttpServer::Reply("200 OK", ""));
  CheckNow();
  ExpectCannotConnect();
  boxes.shown.clear();
  CheckAutomatically();
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(VersionCheckTest, ANotFoundReplyFails) {
  Serve(LoopbackHttpServer::Reply("404 Not Found", "4.60\r\nhttps://dl.example/\r\n"));
  CheckNow();
  ExpectCannotConnect();
}

TEST_F(VersionCheckTest, ARedirectFailsAndIsNotFollowed) {
  Serve(LoopbackHttpServer::Reply("302 Found", "", "Location: /elsewhere\r\n"));
  CheckNow();
  ExpectCannotConnect();
  EXPECT_EQ(server->Requests(), std::vector<std::string>{"GET /version.txt HTTP/1.1"});
}

TEST_F(VersionCheckTest, AnOverlongOrBinaryBodyFails) {
  Serve(LoopbackHttpServer::Reply(
      "200 OK", "5.0\r\nhttps://dl.example/\r\n\r\n" + std::string(1024 * 1024, 'x')));
  CheckNow();
  ExpectCannotConnect();

  boxes.shown.clear();
  Serve(LoopbackHttpServer::Reply("200 OK", std::string("5.0\r\n\0\x01\x02", 8)));
  CheckNow();
  ExpectCannotConnect();
}

TEST_F(VersionCheckTest, ADownloadAddressThatIsNoWebAddressIsNeverOpened) {
  Serve(LoopbackHttpServer::Reply("200 OK", "5.0\r\nfile:///etc/passwd\r\n\r\nNew!"));
  boxes.answers = {idYes};
  CheckNow();
  ExpectCannotConnect();
}

TEST_F(VersionCheckTest, AServerThatNeverAnswersTimesOut) {
  Serve("");  // accepts and stays silent
  const auto start = std::chrono::steady_clock::now();
  CheckNow(CreateHttpClient({std::chrono::milliseconds(500), 64 * 1024}));
  const auto waited = std::chrono::steady_clock::now() - start;
  ExpectCannotConnect();
  EXPECT_LT(waited, std::chrono::seconds(3));
}

TEST_F(VersionCheckTest, TheAutomaticCheckWaitsWhileOffline) {
  Serve(LoopbackHttpServer::Reply("200 OK", "5.0\r\nhttps://dl.example/\r\n\r\nNew!"));
  test::WriteFile(env.dir / "net/route", "Iface\tDestination\tGateway\tFlags\n");
  CheckAutomatically();
  EXPECT_TRUE(server->Requests().empty());
  EXPECT_EQ(UserValue("LastNewVersionCheckDate"), StoreValue(kToday - 1));
}

TEST(VersionReply, LinesAndMessage) {
  const auto reply = ParseVersionReply("4.6\n\rhttp://a.example/\r\n3rd\r\n\r\nline 1\r\nline 2");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->newestversion, "4.6");
  EXPECT_EQ(reply->downloadurl, "http://a.example/");
  EXPECT_EQ(reply->usermessage, "line 1\r\nline 2");
  EXPECT_FALSE(ParseVersionReply("  \r\nhttp://a.example/"));
  EXPECT_FALSE(ParseVersionReply("4.6\xff\xfe"));
  EXPECT_TRUE(ParseVersionReply("4.6"));
}

TEST(DayNumber, CountsFromTheEndOf1899) {
  {
    test::StoreEnvironment env;
    env.Set("TZ", "UTC");
    tzset();
    EXPECT_EQ(DayNumber(1796724902), kToday);
    EXPECT_EQ(DayNumber(1286539200), 40459);  // 8 October 2010
  }
  tzset();
}

}  // namespace
}  // namespace vorsel
