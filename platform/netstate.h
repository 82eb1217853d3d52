#pragma once

#include <cstdint>
#include <optional>

namespace vorsel {

// Connection flags, numbered as the desktop the suite came from numbers them.
enum ConnectionFlags : uint32_t {
  kConnectionModem = 0x01,
  kConnectionLan = 0x02,
  kConnectionProxy = 0x04,
  kConnectionModemBusy = 0x08,
  kConnectionRasInstalled = 0x10,
  kConnectionOffline = 0x20,
  kConnectionConfigured = 0x40,
};

struct ConnectionState {
  bool online = false;  // a default route over an interface that is up
  uint32_t flags = 0;
};

// Reads the routing tables ("route" and "ipv6_route") and the interface list ("dev") in
// $VORSEL_PROC_NET, else /proc/net. Online with a default route that is up; LAN when such a
// route goes over an ordinary interface, modem over ppp* or wwan*; proxy when http_proxy,
// https_proxy or all_proxy (either case) is set; RAS installed when pppd is; configured when
// any interface other than loopback exists. Nothing when no routing table can be read.
std::optional<ConnectionState> ReadConnectionState();

}  // namespace vorsel
