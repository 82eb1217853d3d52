#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorsel {

// One message between the programs of the suite: the registered message number, the sender's
// address (first word) and the content word (second word).
struct LinkDatagram {
  uint32_t message = 0;
  uint32_t wparam = 0;
  uint32_t lparam = 0;

  bool operator==(const LinkDatagram&) const = default;
};

// On the wire the three words follow each other, each little-endian, whatever the machine.
inline constexpr size_t kLinkDatagramSize = 12;
std::array<uint8_t, kLinkDatagramSize> EncodeLinkDatagram(const LinkDatagram& datagram);
// Nothing unless the bytes are exactly one datagram.
std::optional<LinkDatagram> DecodeLinkDatagram(std::span<const uint8_t> bytes);

// The number of a registered message name: derived from the name alone, so every program of
// the suite gets the same one, in the range the desktop the suite came from hands out
// (0xC000 to 0xFFFF).
uint32_t RegisterLinkMessage(std::string_view name);

// The folder of the suite's sockets: $XDG_RUNTIME_DIR/<name>, else /tmp/<name>-<uid>. Nothing
// when neither can be formed.
std::optional<std::string> LinkFolder(std::string_view name);

// The mailbox of one running program: it can post a datagram to one other program, by its
// handle, or to every program of the suite, itself included; and it receives what others
// post to it. Posting never waits: a datagram that cannot be delivered at once is dropped.
// A transport that could not be set up has handle 0 and neither sends nor receives.
class LinkTransport {
 public:
  virtual ~LinkTransport() = default;

  // The address others answer to; 0 without a link.
  virtual uint32_t Handle() const = 0;
  // The number of the message name the transport was opened for.
  virtual uint32_t MessageNumber() const = 0;

  virtual void Broadcast(const LinkDatagram& datagram) = 0;
  virtual void Post(uint32_t handle, const LinkDatagram& datagram) = 0;

  // The descriptor that becomes readable when datagrams are pending, for an event loop to
  // watch; -1 without a link.
  virtual int ReceiveDescriptor() const = 0;
  // Hands each pending datagram that passes the transport's checks to `receiver`, without
  // waiting, at most `limit` of them per call so that a flood cannot hold the caller; returns
  // how many datagrams were taken off the queue, rejected ones included.
  using Receiver = std::function<void(const LinkDatagram&)>;
  virtual size_t ReceivePending(const Receiver& receiver, size_t limit = 64) = 0;
};

enum class LinkFolderUse {
  Create,        // a program that listens: creates the suite's folder when missing
  ExistingOnly,  // a program that only tells: without the folder nobody listens
};

// Opens this program's socket in the suite's folder of the message name `name`. Never fails:
// without a usable folder or socket the transport is one without a link.
std::unique_ptr<LinkTransport> OpenLinkTransport(std::string_view name, LinkFolderUse use);

}  // namespace vorsel
