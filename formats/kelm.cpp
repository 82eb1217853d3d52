#include "formats/kelm.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <span>

#include "smp/sSMP.h"

namespace vorsel {

namespace {

static_assert(kEmbeddedHeadLimit == kHeadBufferSize, "an import parses at most one head buffer");

constexpr FourCC kApplicationChunkId = "APPL";
constexpr uint32_t kChunkFraming = 8;

// A "head" item beyond the largest head describes no head that was embedded, and would place
// the samples that far into the new file. The item is left out: the head is parsed again
// without it, so the samples start after a head of the default size, which the save grows to
// what the items need.
void DropImpossibleHeadSize(TSMPfile& target) {
  if (target.HeadSize() <= static_cast<int32_t>(kHeadBufferSize)) {
    return;
  }
  const std::vector<std::string> comment = target.Comment();
  // The size is read whatever the case of the item's name, so every spelling goes.
  for (const std::string& name : target.ItemSpellings("head")) {
    target.set_item(name, "");
  }
  target.HeadArrPtr();  // builds the head of the items as they are now
  target.UseHeadArrAsHeader();
  target.SetComment(comment);  // the second parse added the comment lines again
}

// Reads up to `count` bytes into the target's head buffer and parses them.
bool RestoreHead(TSMPfile& target, uint64_t count,
                 const std::function<size_t(std::span<uint8_t>)>& read) {
  const std::span<uint8_t, kHeadBufferSize> buffer = target.HeadArrPtr();
  const auto wanted = static_cast<size_t>(std::min<uint64_t>(count, buffer.size()));
  const size_t got = read(buffer.first(wanted));
  // What the buffer held before is no part of this head.
  std::fill(buffer.begin() + static_cast<ptrdiff_t>(got), buffer.end(), uint8_t{0});
  if (got == 0) {
    return false;
  }
  target.UseHeadArrAsHeader();
  DropImpossibleHeadSize(target);
  // The labels travel with the new file; the label file the head named is only read.
  target.KeepLabelsInOwnFile();
  return true;
}

}  // namespace

uint32_t EmbeddedHeadSize(TSMPfile& source) {
  auto size = static_cast<uint32_t>(source.HeadSize());
  const auto built = static_cast<uint32_t>(source.UsedSize());
  // As a save fits the head: grow only when the last terminator byte lies beyond the size.
  if (built > size) {
    size = built % 2 == 0 ? built : built + 1;
  }
  if (size % 2 == 1) {
    ++size;  // so that no container needs a pad byte after the head
  }
  return std::min(size, kEmbeddedHeadLimit);
}

uint32_t EmbeddedHeaderChunkBytes(TSMPfile& source, HeadContainer container) {
  const uint32_t framing =
      container == HeadContainer::ApplicationChunk ? kChunkFraming + 4 : kChunkFraming;
  return EmbeddedHeadSize(source) + framing;
}

void WriteEmbeddedHeader(TSMPfile& source, ByteWriter& output, HeadContainer container) {
  const uint32_t size = EmbeddedHeadSize(source);
  if (container == HeadContainer::ApplicationChunk) {
    output.fourcc(kApplicationChunkId);
    output.u32be(size + 4);
    output.fourcc(kEmbeddedHeadId);
  } else {
    output.fourcc(kEmbeddedHeadId);
    output.u32le(size);
  }
  output.Bytes(source.HeadArrPtr().first(size));
}

bool ReadEmbeddedHeader(TSMPfile& target, ChunkBody& body) {
  if (body.Remaining() == 0) {
    return false;
  }
  const bool restored = RestoreHead(target, body.Remaining(),
                                    [&](std::span<uint8_t> into) { return body.Read(into); });
  body.Skip(body.Remaining());
  return restored;
}

bool ReadAPPLEmbeddedHeader(TSMPfile& target, ChunkBody& body) {
  std::array<uint8_t, 4> signature{};
  if (body.Read(signature) < signature.size()) {
    return false;
  }
  const FourCC id(
      std::array<char, 4>{static_cast<char>(signature[0]), static_cast<char>(signature[1]),
                          static_cast<char>(signature[2]), static_cast<char>(signature[3])});
  return id == kEmbeddedHeadId && ReadEmbeddedHeader(target, body);
}

bool ReadAUEmbeddedHeader(TSMPfile& target, ByteReader& input) {
  const std::optional<ChunkHeader> header = ReadChunkHeader(input, ByteOrder::LittleEndian);
  if (!header || header->id != kEmbeddedHeadId) {
    return false;
  }
  const auto size = static_cast<int32_t>(header->size);
  if (size <= 0 || size >= static_cast<int32_t>(kEmbeddedHeadLimit)) {
    return false;
  }
  return RestoreHead(target, static_cast<uint64_t>(size),
                     [&](std::span<uint8_t> into) { return input.Read(into); });
}

}  // namespace vorsel
