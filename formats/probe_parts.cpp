#include "formats/probe_parts.h"

namespace vorsel::probe_parts {

bool HasTag(std::span<const uint8_t> bytes, size_t offset, std::string_view tag) {
  if (bytes.size() < offset + tag.size()) {
    return false;
  }
  for (size_t k = 0; k < tag.size(); ++k) {
    if (bytes[offset + k] != static_cast<uint8_t>(tag[k])) {
      return false;
    }
  }
  return true;
}

std::string CantOpen(const ByteReader& reader) {
  return "Can't open " + reader.Path();
}

std::string Channels(int64_t channels) {
  return std::to_string(channels) + (channels >= 2 ? " channels" : " channel");
}

std::string Printable(const FourCC& id) {
  std::string text;
  for (const char c : id.bytes) {
    text += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return text;
}

uint16_t U16le(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32le(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
         (uint32_t{b[at + 3]} << 24);
}

uint16_t U16be(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

uint32_t U32be(std::span<const uint8_t> b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         uint32_t{b[at + 3]};
}

void PassBody(ByteReader& reader, uint64_t size) {
  reader.Seek(reader.Position() + size + (size & 1));
}

}  // namespace vorsel::probe_parts
