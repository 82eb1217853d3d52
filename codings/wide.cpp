#include "codings/wide.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace vorsel {

namespace {

// The byte order is a template argument, so that each loop is compiled without a branch on it.
template <ByteOrder order>
uint32_t Load32(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  const bool swap = (order == ByteOrder::BigEndian) == (std::endian::native == std::endian::little);
  return swap ? Swap32(word) : word;
}

template <ByteOrder order>
uint64_t Load64(const uint8_t* p) {
  const uint64_t first = Load32<order>(p);
  const uint64_t second = Load32<order>(p + 4);
  return order == ByteOrder::LittleEndian ? (second << 32) | first : (first << 32) | second;
}

template <ByteOrder order>
int32_t Load24(const uint8_t* p) {
  const uint32_t word = order == ByteOrder::LittleEndian
                            ? uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16
                            : uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
  // Sign extension of the top byte.
  return static_cast<int32_t>(word << 8) >> 8;
}

template <typename Decode>
[[gnu::always_inline]] inline void ForEachSample(std::span<const uint8_t> bytes, size_t width,
                                                 std::span<int16_t> out, Decode decode) {
  const size_t count = bytes.size() / width;
  const uint8_t* p = bytes.data();
  for (size_t i = 0; i < count; ++i, p += width) {
    out[i] = decode(p);
  }
}

// Inlined, so that the loops are made for each processor that ReduceWideSamples is made for.
template <ByteOrder order>
[[gnu::always_inline]] inline size_t ReduceInOrder(std::span<const uint8_t> bytes,
                                                   WideCoding coding, std::span<int16_t> out) {
  size_t clipped = 0;
  const size_t width = WideSampleBytes(coding);
  switch (coding) {
    case WideCoding::Int24: {
      // A 32-bit load takes each sample with the first byte of the next; the last sample,
      // which has no next, is taken byte by byte.
      const size_t count = bytes.size() / width;
      if (count > 1) {
        ForEachSample(bytes.first((count - 1) * width), width, out, [](const uint8_t* p) {
          const uint32_t word = Load32<order>(p);
          return ReduceInt24(order == ByteOrder::LittleEndian ? static_cast<int32_t>(word << 8) >> 8
                                                              : static_cast<int32_t>(word) >> 8);
        });
      }
      if (count > 0) {
        out[count - 1] = ReduceInt24(Load24<order>(bytes.data() + (count - 1) * width));
      }
      break;
    }
    case WideCoding::Int32:
      ForEachSample(bytes, width, out, [](const uint8_t* p) {
        return ReduceInt32(static_cast<int32_t>(Load32<order>(p)));
      });
      break;
    case WideCoding::Float32:
      ForEachSample(bytes, width, out, [&clipped](const uint8_t* p) {
        return ReduceFloat(std::bit_cast<float>(Load32<order>(p)), clipped);
      });
      break;
    case WideCoding::Float64:
      ForEachSample(bytes, width, out, [&clipped](const uint8_t* p) {
        return ReduceFloat(std::bit_cast<double>(Load64<order>(p)), clipped);
      });
      break;
  }
  return clipped;
}

}  // namespace

int16_t ReduceFloat(double value, size_t& clipped) {
  if (std::isnan(value)) {
    return 0;
  }
  const double rounded = std::floor(value * 32768.0 + 0.5);
  if (rounded > 32767.0) {
    ++clipped;
    return 32767;
  }
  if (rounded < -32768.0) {
    ++clipped;
    return -32768;
  }
  return static_cast<int16_t>(rounded);
}

// Every sample of a wide import passes here; made for the widest vectors the processor offers.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] size_t ReduceWideSamples(
    std::span<const uint8_t> bytes, WideCoding coding, ByteOrder order, std::span<int16_t> out) {
  return order == ByteOrder::LittleEndian
             ? ReduceInOrder<ByteOrder::LittleEndian>(bytes, coding, out)
             : ReduceInOrder<ByteOrder::BigEndian>(bytes, coding, out);
}

}  // namespace vorsel
