#pragma once

// What the type detectors and the one-line descriptions of several formats share.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fileio/byteio.h"

namespace vorsel::probe_parts {

// True when the bytes hold the tag at the offset.
bool HasTag(std::span<const uint8_t> bytes, size_t offset, std::string_view tag);

inline constexpr std::string_view kUnknownEncoding = "Unknown encoding";

// "Can't open " and the path: the header ends before its fields.
std::string CantOpen(const ByteReader& reader);

// "1 channel", "2 channels".
std::string Channels(int64_t channels);

// Identifiers come from the file; bytes that are not printable ASCII are shown as "?".
std::string Printable(const FourCC& id);

uint16_t U16le(std::span<const uint8_t> bytes, size_t at);
uint32_t U32le(std::span<const uint8_t> bytes, size_t at);
uint16_t U16be(std::span<const uint8_t> bytes, size_t at);
uint32_t U32be(std::span<const uint8_t> bytes, size_t at);

// Moves past a chunk body and its pad byte by seeking, so that no sample data is read.
void PassBody(ByteReader& reader, uint64_t size);

}  // namespace vorsel::probe_parts
