#include "platform/link_transport.h"

namespace vorsel {

namespace {

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint32_t GetLe32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

std::array<uint8_t, kLinkDatagramSize> EncodeLinkDatagram(const LinkDatagram& datagram) {
  std::array<uint8_t, kLinkDatagramSize> bytes{};
  PutLe32(bytes.data(), datagram.message);
  PutLe32(bytes.data() + 4, datagram.wparam);
  PutLe32(bytes.data() + 8, datagram.lparam);
  return bytes;
}

std::optional<LinkDatagram> DecodeLinkDatagram(std::span<const uint8_t> bytes) {
  if (bytes.size() != kLinkDatagramSize) {
    return std::nullopt;
  }
  return LinkDatagram{GetLe32(bytes.data()), GetLe32(bytes.data() + 4), GetLe32(bytes.data() + 8)};
}

uint32_t RegisterLinkMessage(std::string_view name) {
  // FNV-1a: stable across programs, builds and machines.
  uint32_t hash = 2166136261u;
  for (const char c : name) {
    hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  }
  return 0xC000u | (hash & 0x3FFFu);
}

}  // namespace vorsel
