#pragma once

// The private "kelm" chunk that carries a whole SMP head inside a WAV, AU, AIFF or NSP file,
// so that a later import restores every item of the head.

#include <cstdint>

#include "fileio/byteio.h"
#include "formats/head_container.h"

namespace vorsel {

class TSMPfile;

inline constexpr FourCC kEmbeddedHeadId = "kelm";
// The most head bytes an import parses; a longer chunk body is skipped after them.
inline constexpr uint32_t kEmbeddedHeadLimit = 32768;

// The number of head bytes embedded: the source's HeadSize, enlarged (to an even size) only
// when the head rebuilt from its items would not fit in it, and at most the head buffer.
uint32_t EmbeddedHeadSize(TSMPfile& source);

// Bytes the chunk adds to the container: the head plus its framing ("kelm" and the size; in an
// application chunk also "APPL").
uint32_t EmbeddedHeaderChunkBytes(TSMPfile& source, HeadContainer container);

// Writes, at the writer's position, "kelm", the little-endian head size and the head bytes of
// the source's current items; in an application chunk "APPL", the big-endian size (head + 4),
// "kelm" and the head bytes.
void WriteEmbeddedHeader(TSMPfile& source, ByteWriter& output, HeadContainer container);

// The body of a "kelm" chunk (WAV, NSP), positioned at the head bytes: parses up to 32768 of
// them as the head of `target` (UseHeadArrAsHeader) and skips the rest of the body. True when
// a head was restored. Only the chunk's own bytes are parsed. Labels from a label file that the
// head names are loaded and kept for the target's own label file (its name with ".csv"), so
// an import never writes or deletes the file that someone else's head names.
bool ReadEmbeddedHeader(TSMPfile& target, ChunkBody& body);

// The body of an AIFF "APPL" chunk: restores the head when the application signature is
// "kelm" and bytes follow it. The caller finishes the chunk.
bool ReadAPPLEmbeddedHeader(TSMPfile& target, ChunkBody& body);

// The 8 bytes directly after the 24-byte AU header: "kelm" and a little-endian size above 0
// and below 32768, then the head. Any other bytes restore nothing; the caller moves to the AU
// data offset either way.
bool ReadAUEmbeddedHeader(TSMPfile& target, ByteReader& input);

}  // namespace vorsel
