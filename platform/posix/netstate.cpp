#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/netstate.h"

namespace vorsel {

namespace {

constexpr unsigned kRouteUp = 0x0001;  // RTF_UP

std::string NetFolder() {
  const char* folder = std::getenv("VORSEL_PROC_NET");
  return folder != nullptr && folder[0] != '\0' ? folder : "/proc/net";
}

bool IsModemInterface(std::string_view name) {
  return name.rfind("ppp", 0) == 0 || name.rfind("wwan", 0) == 0;
}

struct DefaultRoutes {
  bool readable = false;
  std::vector<std::string> interfaces;
};

// /proc/net/route: "Iface Destination Gateway Flags ..." with hexadecimal fields after a
// heading line; the default route has destination and mask 0.
void ReadIpv4(const std::string& file, DefaultRoutes& routes) {
  std::ifstream in(file);
  if (!in) {
    return;
  }
  routes.readable = true;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refcnt, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refcnt >> use >> metric >> mask)) {
      continue;
    }
    const unsigned long flagBits = std::strtoul(flags.c_str(), nullptr, 16);
    if (destination == "00000000" && mask == "00000000" && (flagBits & kRouteUp) != 0) {
      routes.interfaces.push_back(iface);
    }
  }
}

// /proc/net/ipv6_route: destination, its prefix length, source, its prefix length, next hop,
// metric, reference count, use count, flags, interface; no heading line.
void ReadIpv6(const std::string& file, DefaultRoutes& routes) {
  std::ifstream in(file);
  if (!in) {
    return;
  }
  routes.readable = true;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, source, sourcePrefix, nextHop, metric, refcnt, use, flags,
        iface;
    if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >>
          refcnt >> use >> flags >> iface)) {
      continue;
    }
    const unsigned long flagBits = std::strtoul(flags.c_str(), nullptr, 16);
    if (destination == std::string(32, '0') && prefix == "00" && iface != "lo" &&
        (flagBits & kRouteUp) != 0) {
      routes.interfaces.push_back(iface);
    }
  }
}

// /proc/net/dev: two heading lines, then "name: counters" per interface.
bool HasInterfaceBesidesLoopback(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  for (int heading = 0; heading < 2 && std::getline(in, line); ++heading) {
  }
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) {
      continue;
    }
    const size_t start = line.find_first_not_of(' ');
    const std::string name = line.substr(start, colon - start);
    if (!name.empty() && name != "lo") {
      return true;
    }
  }
  return false;
}

bool ProxyConfigured() {
  for (const char* name :
       {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') {
      return true;
    }
  }
  return false;
}

bool PppdInstalled() {
  for (const char* path : {"/usr/sbin/pppd", "/sbin/pppd", "/usr/bin/pppd"}) {
    if (access(path, X_OK) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<ConnectionState> ReadConnectionState() {
  const std::string folder = NetFolder();
  DefaultRoutes routes;
  ReadIpv4(folder + "/route", routes);
  ReadIpv6(folder + "/ipv6_route", routes);
  if (!routes.readable) {
    return std::nullopt;
  }
  ConnectionState state;
  for (const std::string& iface : routes.interfaces) {
    state.online = true;
    state.flags |= IsModemInterface(iface) ? kConnectionModem : kConnectionLan;
  }
  if (ProxyConfigured()) {
    state.flags |= kConnectionProxy;
  }
  if (PppdInstalled()) {
    state.flags |= kConnectionRasInstalled;
  }
  if (HasInterfaceBesidesLoopback(folder + "/dev")) {
    state.flags |= kConnectionConfigured;
  }
  return state;
}

}  // namespace vorsel
