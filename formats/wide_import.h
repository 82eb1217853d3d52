#pragma once

// The import of samples wider than 16 bits, shared by the formats that hold them: whole
// samples read a block at a time and reduced to 16 bits, and the one log line per file that
// says what the reduction did.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "codings/byteorder.h"
#include "codings/wide.h"
#include "formats/conversion_context.h"
#include "smp/sSMP.h"

namespace vorsel {

class WideImport {
 public:
  WideImport(WideCoding coding, ByteOrder order)
      : coding_(coding), order_(order), bytes_(kChunkCapacity * WideSampleBytes(coding)) {}

  WideCoding Coding() const { return coding_; }
  size_t SampleBytes() const { return WideSampleBytes(coding_); }

  // Fills `chunk` from `source` (a file or a chunk body); returns the bytes taken, 0 at the
  // end. Bytes of a sample the source ends inside are taken but give no sample.
  template <typename Source>
  size_t Fill(Source& source, tsamplechunk& chunk) {
    const size_t got = source.Read(std::span(bytes_));
    clipped_ += ReduceWideSamples(std::span(bytes_).first(got), coding_, order_, chunk.data);
    chunk.used = static_cast<int32_t>(got / SampleBytes());
    return got;
  }

  // The log line of the reduction, once the samples of the file are read.
  void LogReduction(ConversionContext& context) const;

 private:
  WideCoding coding_;
  ByteOrder order_;
  std::vector<uint8_t> bytes_;
  size_t clipped_ = 0;
};

}  // namespace vorsel
