#include "codings/dither.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace vorsel {

namespace {

// Draws made from whole words at a time: large enough that the checks between blocks do not
// count, small enough that few blocks hold a rejected unit (one in 128 for 255 values), which
// sends the block to Draw.
constexpr size_t kWordBlockDraws = 512;

// The two loops below run on millions of draws per export, so they are made for the widest
// vectors the processor offers.

// The 16-bit units, low first, of the SplitMix64 words that follow the state `start`: word w is
// the output for the state start + (w + 1) steps, so the words are made side by side.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] void MakeUnits(
    uint64_t start, size_t words, uint16_t* units) {
  for (size_t w = 0; w < words; ++w) {
    const uint64_t word = dither_detail::Mix(start + (w + 1) * dither_detail::kGolden);
    for (size_t u = 0; u < 4; ++u) {
      units[4 * w + u] = static_cast<uint16_t>(word >> (16 * u));
    }
  }
}

// Draw's mapping of n units to lo + (unit * span) / 65536; true when a unit is to be rejected.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] bool MapUnits(
    const uint16_t* units, size_t n, uint32_t lo, uint32_t span, uint32_t threshold, int32_t* out) {
  uint32_t rejected = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t scaled = uint32_t{units[i]} * span;
    rejected |= static_cast<uint32_t>((scaled & 0xFFFF) < threshold);
    out[i] = static_cast<int32_t>(lo + (scaled >> 16));
  }
  return rejected != 0;
}

}  // namespace

int32_t DitherGenerator::DrawWide(DitherRange range, uint32_t span) {
  const auto next32 = [this] {
    const uint32_t high = NextUnit();
    return (high << 16) | NextUnit();
  };
  uint64_t scaled = uint64_t{next32()} * span;
  if (static_cast<uint32_t>(scaled) < span) {
    const uint32_t threshold = (0u - span) % span;
    while (static_cast<uint32_t>(scaled) < threshold) {
      scaled = uint64_t{next32()} * span;
    }
  }
  return static_cast<int32_t>(static_cast<uint32_t>(range.lo) +
                              static_cast<uint32_t>(scaled >> 32));
}

bool DitherGenerator::FillFromWords(DitherRange range, std::span<int32_t> out) {
  const uint32_t span = Span(range);
  std::array<uint16_t, kWordBlockDraws> units;
  const size_t words = out.size() / 4;
  MakeUnits(state_, words, units.data());
  if (MapUnits(units.data(), out.size(), static_cast<uint32_t>(range.lo), span, kUnitValues % span,
               out.data())) {
    return false;
  }
  state_ += words * dither_detail::kGolden;
  return true;
}

void DitherGenerator::Fill(DitherRange range, std::span<int32_t> out) {
  size_t i = 0;
  if (Span(range) <= kUnitValues) {
    for (;;) {
      // Whole words only from a word boundary, so that units are taken in the order of Draw.
      while (unitsLeft_ > 0 && i < out.size()) {
        out[i++] = Draw(range);
      }
      const size_t n = std::min(kWordBlockDraws, (out.size() - i) / 4 * 4);
      if (n == 0) {
        break;
      }
      if (!FillFromWords(range, out.subspan(i, n))) {
        // A unit of this block is rejected: Draw replaces it by the next one.
        for (const size_t end = i + n; i < end;) {
          out[i++] = Draw(range);
        }
        continue;
      }
      i += n;
    }
  }
  for (; i < out.size(); ++i) {
    out[i] = Draw(range);
  }
}

DitherGenerator& ProcessDither() {
  static DitherGenerator generator(
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  return generator;
}

namespace {
// Seeds the generator during start-up rather than at the first dithered sample.
[[maybe_unused]] const DitherGenerator& startupDither = ProcessDither();
}  // namespace

}  // namespace vorsel
