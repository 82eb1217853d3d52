#pragma once

// The walk over the chunks of a RIFF or IFF container (WAV, AIFF, NSP): where the walk ends,
// how much of the container is left, chunk bodies with their pad byte, and sizes that the file
// does not reach. Sizes are unsigned 32-bit numbers; one beyond the end of the file means the
// end of the file, so a size of 2^31 or more (negative if it were signed) is never a step back.

#include <cstdint>
#include <optional>
#include <string>

#include "codings/byteorder.h"
#include "fileio/byteio.h"
#include "formats/conversion_context.h"

namespace vorsel {

// A size that a program writing to a pipe could not know: the data run to the end of the file.
inline constexpr uint32_t kStreamingSize = 0xFFFFFFFF;

class ChunkWalker {
 public:
  // Walks from the reader's position up to the file offset `end` that the container's size
  // names, or to the end of the file when that comes first. A chunk header needs
  // `headerRoom` bytes of the container left to be read at all.
  ChunkWalker(ConversionContext& context, ByteReader& reader, ByteOrder sizeOrder, int64_t end,
              int64_t headerRoom, const std::string& inputPath);

  // The next chunk header, after a busy tick; nothing at the end of the walk or when the file
  // ends inside the header (HeaderCut).
  std::optional<ChunkHeader> Next();
  // True when the last Next found the file ending inside a chunk header.
  bool HeaderCut() const { return headerCut_; }
  // File offset where the last Next began.
  int64_t HeaderStart() const { return headerStart_; }

  // The body of a chunk of `size` bytes from the reader's position; an odd size is followed by
  // its pad byte.
  ChunkBody Body(uint64_t size) { return ChunkBody(reader_, size, true); }
  // Bytes of the file from the reader's position on.
  int64_t BytesInFile() const;
  // How many bytes a body of `size` from the reader's position lacks in the file.
  int64_t Missing(uint32_t size) const;
  // The bytes a body of `size` holds in the file. A size beyond its end reads to the end;
  // unless it is the streaming marker, the file was cut short, which gets one line.
  uint64_t BytesToRead(uint32_t size);
  // The one line of an import whose file ends `missing` bytes before its header says.
  void NoteShort(int64_t missing);
  // The file's shortness was told in another way; no line for it follows.
  void ShortTold() { shortNoted_ = true; }

 private:
  ConversionContext& context_;
  ByteReader& reader_;
  ByteOrder sizeOrder_;
  int64_t end_;
  int64_t headerRoom_;
  const std::string& inputPath_;
  int64_t headerStart_ = 0;
  bool headerCut_ = false;
  bool shortNoted_ = false;
};

}  // namespace vorsel
