#include "kit/webdetect.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/store_environment.h"

namespace vorsel {
namespace {

constexpr const char* kRouteHead =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
constexpr const char* kDevHead =
    "Inter-|   Receive                   |  Transmit\n"
    " face |bytes    packets errs drop fifo|bytes    packets errs drop fifo\n";

class TWebDetectTest : public ::testing::Test {
 protected:
  TWebDetectTest() {
    env.Set("VORSEL_PROC_NET", net);
    for (const char* name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"}) {
      env.Set(name, std::nullopt);
    }
    std::filesystem::create_directories(net);
  }

  void Tables(const std::string& routes, const std::string& interfaces,
              const std::string& ipv6Routes = "") {
    test::WriteFile(net + "/route", kRouteHead + routes);
    test::WriteFile(net + "/ipv6_route", ipv6Routes);
    test::WriteFile(net + "/dev", kDevHead + interfaces);
  }

  // The sentences without the one on remote access, which depends on pppd being installed.
  static std::string WithoutRas(std::string text) {
    const std::string ras = "Remote Access Services are installed on this system.";
    if (text.size() >= ras.size() && text.compare(text.size() - ras.size(), ras.size(), ras) == 0) {
      text.erase(text.size() - ras.size());
    }
    return text;
  }

  test::StoreEnvironment env;
  std::string net = env.dir / "net";
};

const std::string kEthDefault =
    "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
const std::string kInterfaces =
    "    lo: 100 1 0 0 0 0 0 0 100 1 0 0 0 0 0 0\n"
    "  eth0: 200 2 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n";

TEST_F(TWebDetectTest, ALanConnectionThroughAProxy) {
  Tables(kEthDefault, kInterfaces);
  TWebDetect detect;
  detect.SetDLLName("wininet.dll");
  EXPECT_TRUE(detect.Online());
  EXPECT_TRUE(detect.ConnectedViaLAN());
  EXPECT_FALSE(detect.ConnectedViaModem());
  EXPECT_EQ(WithoutRas(detect.ConnectStr()),
            "You have a network connection configured.\r"
            "The local system connects to the Internet via a LAN.");

  env.Set("https_proxy", "http://127.0.0.1:3128");
  EXPECT_TRUE(detect.ConnectedViaProxy());
  EXPECT_EQ(WithoutRas(detect.ConnectStr()),
            "You have a network connection configured.\r"
            "The local system connects to the Internet via a LAN, and uses a proxy server. ");
}

TEST_F(TWebDetectTest, AModemRouteAndAnIpv6OnlyRoute) {
  Tables("ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
         "  ppp0: 1 1 0 0 0 0 0 0 1 1 0 0 0 0 0 0\n");
  TWebDetect detect;
  EXPECT_TRUE(detect.ConnectedViaModem());
  EXPECT_EQ(WithoutRas(detect.ConnectStr()),
            "You have a network connection configured.\r."
            "The local system uses a modem to connect to the Internet. ");

  Tables("", kInterfaces,
         "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
         "fe800000000000000000000000000001 00000400 00000001 00000000 00450003 wlan0\n");
  EXPECT_TRUE(detect.Online());
  EXPECT_TRUE(detect.ConnectedViaLAN());
}

TEST_F(TWebDetectTest, NoDefaultRouteIsOffline) {
  // Only a local network route, and a default route that is not up.
  Tables(
      "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
      "eth1\t00000000\t0102A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n",
      kInterfaces,
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200 lo\n");
  TWebDetect detect;
  EXPECT_FALSE(detect.Online());
  EXPECT_EQ(detect.ConnectStr(), "Not connected to the internet now.");
}

TEST_F(TWebDetectTest, UnreadableTablesAreSaidSo) {
  TWebDetect detect;
  detect.SetDLLName("wininet.dll");
  EXPECT_FALSE(detect.Online());
  EXPECT_FALSE(detect.ConnectedViaLAN());
  EXPECT_EQ(detect.ConnectStr(), "Cannot read the network configuration.");
}

}  // namespace
}  // namespace vorsel
