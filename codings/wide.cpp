#include "codings/wide.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace vorsel {

namespace {

uint32_t Load32(const uint8_t* p, ByteOrder order) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  const bool swap = (order == ByteOrder::BigEndian) == (std::endian::native == std::endian::little);
  return swap ? Swap32(word) : word;
}

uint64_t Load64(const uint8_t* p, ByteOrder order) {
  const uint64_t first = Load32(p, order);
  const uint64_t second = Load32(p + 4, order);
  return order == ByteOrder::LittleEndian ? (second << 32) | first : (first << 32) | second;
}

int32_t Load24(const uint8_t* p, ByteOrder order) {
  const uint32_t word = order == ByteOrder::LittleEndian
                            ? uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16
                            : uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
  // Sign extension of the top byte.
  return static_cast<int32_t>(word << 8) >> 8;
}

template <typename Decode>
size_t ForEachSample(std::span<const uint8_t> bytes, size_t width, std::span<int16_t> out,
                     Decode decode) {
  const size_t count = bytes.size() / width;
  const uint8_t* p = bytes.data();
  for (size_t i = 0; i < count; ++i, p += width) {
    out[i] = decode(p);
  }
  return count;
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

size_t ReduceWideSamples(std::span<const uint8_t> bytes, WideCoding coding, ByteOrder order,
                         std::span<int16_t> out) {
  size_t clipped = 0;
  const size_t width = WideSampleBytes(coding);
  switch (coding) {
    case WideCoding::Int24:
      ForEachSample(bytes, width, out,
                    [order](const uint8_t* p) { return ReduceInt24(Load24(p, order)); });
      break;
    case WideCoding::Int32:
      ForEachSample(bytes, width, out, [order](const uint8_t* p) {
        return ReduceInt32(static_cast<int32_t>(Load32(p, order)));
      });
      break;
    case WideCoding::Float32:
      ForEachSample(bytes, width, out, [order, &clipped](const uint8_t* p) {
        return ReduceFloat(std::bit_cast<float>(Load32(p, order)), clipped);
      });
      break;
    case WideCoding::Float64:
      ForEachSample(bytes, width, out, [order, &clipped](const uint8_t* p) {
        return ReduceFloat(std::bit_cast<double>(Load64(p, order)), clipped);
      });
      break;
  }
  return clipped;
}

}  // namespace vorsel
