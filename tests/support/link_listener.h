#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/link_transport.h"

namespace vorsel::test {

using Datagrams = std::vector<LinkDatagram>;

// Collects what arrives at the transport for at most `timeout`, returning early once `enough`
// holds for what has arrived.
inline Datagrams Collect(
    LinkTransport& transport, std::chrono::milliseconds timeout,
    const std::function<bool(const Datagrams&)>& enough = [](const Datagrams&) { return false; }) {
  Datagrams received;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!enough(received)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      break;
    }
    pollfd watch{transport.ReceiveDescriptor(), POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>(left.count())) > 0) {
      transport.ReceivePending([&received](const LinkDatagram& d) { received.push_back(d); });
    }
  }
  return received;
}

// The kind (bits 16 to 22), sender identifier (bits 24 to 31) and param of a datagram.
inline int KindOf(const LinkDatagram& d) {
  return static_cast<int>((d.lparam >> 16) & 0x7F);
}
inline int SenderIdOf(const LinkDatagram& d) {
  return static_cast<int>(d.lparam >> 24);
}
inline int ParamOf(const LinkDatagram& d) {
  return static_cast<int>(d.lparam & 0xFFFF);
}

inline std::function<bool(const Datagrams&)> HasKind(int kind) {
  return [kind](const Datagrams& ds) {
    for (const LinkDatagram& d : ds) {
      if (KindOf(d) == kind) {
        return true;
      }
    }
    return false;
  };
}

inline size_t CountKind(const Datagrams& ds, int kind) {
  size_t n = 0;
  for (const LinkDatagram& d : ds) {
    n += KindOf(d) == kind ? 1 : 0;
  }
  return n;
}

}  // namespace vorsel::test
