#include "formats/chunk_walker.h"

#include <algorithm>

#include "formats/convert_steps.h"

namespace vorsel {

ChunkWalker::ChunkWalker(ConversionContext& context, ByteReader& reader, ByteOrder sizeOrder,
                         int64_t end, int64_t headerRoom, const std::string& inputPath)
    : context_(context),
      reader_(reader),
      sizeOrder_(sizeOrder),
      end_(std::min(end, reader.Size())),
      headerRoom_(headerRoom),
      inputPath_(inputPath) {}

std::optional<ChunkHeader> ChunkWalker::Next() {
  headerStart_ = static_cast<int64_t>(reader_.Position());
  headerCut_ = false;
  if (end_ - headerStart_ < headerRoom_) {
    return std::nullopt;
  }
  convert_steps::Tick(context_);
  std::optional<ChunkHeader> header = ReadChunkHeader(reader_, sizeOrder_);
  headerCut_ = !header;
  return header;
}

int64_t ChunkWalker::BytesInFile() const {
  return std::max<int64_t>(0, reader_.Size() - static_cast<int64_t>(reader_.Position()));
}

int64_t ChunkWalker::Missing(uint32_t size) const {
  return std::max<int64_t>(0, int64_t{size} - BytesInFile());
}

uint64_t ChunkWalker::BytesToRead(uint32_t size) {
  const int64_t missing = Missing(size);
  if (missing == 0) {
    return size;
  }
  if (size != kStreamingSize) {
    NoteShort(missing);
  }
  return static_cast<uint64_t>(BytesInFile());
}

void ChunkWalker::NoteShort(int64_t missing) {
  if (!shortNoted_) {
    shortNoted_ = true;
    context_.log.Append(inputPath_ + " ends " + std::to_string(missing) +
                        " bytes before its header says");
  }
}

}  // namespace vorsel
