#pragma once

// Big-endian builders for AU and AIFF bytes and a source SMP file maker, written apart from the
// code under test so that the tests check bytes, not the code's own view of them.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/formats/wav_test_support.h"

namespace vorsel::test {

inline std::string BE16(uint16_t v) {
  return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}

inline std::string BE32(uint32_t v) {
  return BE16(static_cast<uint16_t>(v >> 16)) + BE16(static_cast<uint16_t>(v & 0xFFFF));
}

inline uint32_t ReadBE32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3]));
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) {
    out += static_cast<char>(v);
  }
  return out;
}

inline std::string SamplesBE16(const std::vector<int16_t>& samples) {
  std::string out;
  for (const int16_t s : samples) {
    out += BE16(static_cast<uint16_t>(s));
  }
  return out;
}

// The 24-byte AU header.
inline std::string AuHeader(uint32_t dataOffset, uint32_t dataSize, uint32_t encoding,
                            uint32_t rate, uint32_t channels) {
  return ".snd" + BE32(dataOffset) + BE32(dataSize) + BE32(encoding) + BE32(rate) + BE32(channels);
}

// An IFF chunk, big-endian size, with its pad byte when the body is odd.
inline std::string ChunkBE(std::string_view id, std::string_view body) {
  std::string out = std::string(id) + BE32(static_cast<uint32_t>(body.size())) + std::string(body);
  if (body.size() % 2 != 0) {
    out += '\0';
  }
  return out;
}

// 10-byte extended reals of the rates the tests use.
inline const std::string kExtended8000 = Bytes({0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0});
inline const std::string kExtended16000 = Bytes({0x40, 0x0C, 0xFA, 0, 0, 0, 0, 0, 0, 0});
inline const std::string kExtended5512_5 = Bytes({0x40, 0x0B, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});

inline std::string CommBody(uint16_t channels, uint32_t frames, uint16_t bits,
                            const std::string& rate) {
  return BE16(channels) + BE32(frames) + BE16(bits) + rate;
}

// "FORM", its size (everything after the field unless one is given), the form type, chunks.
inline std::string Form(std::string_view type, std::string_view chunks, int64_t formSize = -1) {
  const std::string body = std::string(type) + std::string(chunks);
  return "FORM" + BE32(static_cast<uint32_t>(formSize >= 0 ? formSize : int64_t(body.size()))) +
         body;
}

inline std::string SsndBody(std::string_view frames) {
  return BE32(0) + BE32(0) + std::string(frames);
}

// The sample values a test file holds: a ramp across the whole 16-bit range and back.
inline std::vector<int16_t> Spread(size_t count) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i < count; ++i) {
    samples.push_back(static_cast<int16_t>(static_cast<uint16_t>(i * 2654435761u >> 16)));
  }
  return samples;
}

// Items of a source SMP file: head size first, as the component builds it.
inline std::vector<std::string> SourceItems(std::string_view sftot, std::string_view nchans,
                                            std::vector<std::string> extra = {}) {
  std::vector<std::string> items = {"head=1024", "file=samp", "sftot=" + std::string(sftot),
                                    "nchans=" + std::string(nchans), "msb=last"};
  items.insert(items.end(), extra.begin(), extra.end());
  return items;
}

}  // namespace vorsel::test
