#include "probing/guess.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "codings/g711.h"
#include "codings/linear.h"
#include "codings/wide.h"
#include "fileio/byteio.h"
#include "probing/filetype.h"

namespace vorsel {

namespace {

constexpr std::array<std::string_view, CodingGuesser::kCodings> kCodingNames = {
    "u-law",         "A-law",
    "uint8",         "sint8",
    "Intel uint16",  "Motorola uint16",
    "Intel sint16",  "Motorola sint16",
    "Intel sint24",  "Motorola sint24",
    "Intel sint32",  "Motorola sint32",
    "Intel float32", "Motorola float32",
    "Intel float64", "Motorola float64"};

enum Candidate { kMuLaw, kALaw, kUint8, kSint8, kIntelU16, kMotorolaU16, kIntelS16, kMotorolaS16 };

// The wider candidates follow the 16-bit ones, each coding in Intel, then Motorola order.
constexpr std::array<WideCoding, 2> kWideCodings = {WideCoding::Int24, WideCoding::Int32};
constexpr int kFirstWide = kMotorolaS16 + 1;
// A whole number of samples of every wider integer coding.
constexpr size_t kWideStep = 12;

// The floating-point candidates follow the wider integers, in the same order.
constexpr int kFirstFloat = kFirstWide + 2 * static_cast<int>(kWideCodings.size());

struct FloatCoding {
  WideCoding coding;
  ByteOrder order;
};

constexpr std::array<FloatCoding, CodingGuesser::kFloatCodings> kFloatCodingsInOrder = {{
    {WideCoding::Float32, ByteOrder::LittleEndian},
    {WideCoding::Float32, ByteOrder::BigEndian},
    {WideCoding::Float64, ByteOrder::LittleEndian},
    {WideCoding::Float64, ByteOrder::BigEndian},
}};

// Magnitudes that floating-point audio uses: from far below the step of 24-bit samples (quiet
// noise and fades written as floats stay well above it) to 24 dB beyond full scale. The
// floats of integer samples scatter their exponents over the whole range; a float file read
// as doubles gives exponents eight times those of its floats, mostly beyond these bounds.
constexpr double kLeastAudible = 0x1p-30;
constexpr double kMostAudible = 0x1p4;
// At most one value in a hundred may be implausible, and each needs ten audible ones.
constexpr uint64_t kImplausibleShare = 100;
constexpr uint64_t kAudiblePerImplausible = 10;
// The bytes that may hold a header; the headers of sound files are mostly shorter.
constexpr uint64_t kHeadBytes = 512;

uint64_t FloatBits(const uint8_t* p, FloatCoding coding) {
  const size_t width = WideSampleBytes(coding.coding);
  uint64_t bits = 0;
  for (size_t i = 0; i < width; ++i) {
    bits = bits << 8 | p[coding.order == ByteOrder::BigEndian ? i : width - 1 - i];
  }
  return bits;
}

double FloatValue(uint64_t bits, WideCoding coding) {
  return coding == WideCoding::Float32 ? double{std::bit_cast<float>(static_cast<uint32_t>(bits))}
                                       : std::bit_cast<double>(bits);
}

// The candidate with the least value; a later one wins only when strictly less.
template <typename Mean>
int Least(const Mean& mean, const std::array<bool, CodingGuesser::kCodings>& present) {
  int best = -1;
  double bestValue = 0;
  for (int i = 0; i < CodingGuesser::kCodings; ++i) {
    if (!present[i]) {
      continue;
    }
    const double value = mean(i);
    if (best < 0 || value < bestValue) {
      best = i;
      bestValue = value;
    }
  }
  return best;
}

}  // namespace

void CodingGuesser::Add(std::span<const uint8_t> block) {
  for (const uint8_t byte : block) {
    codings_[kMuLaw].Add(MuLawToLinear(byte));
    codings_[kALaw].Add(ALawToLinear(byte));
    codings_[kUint8].Add(Offset8ToLinear(byte));
    codings_[kSint8].Add(Signed8ToLinear(byte));
  }
  for (size_t i = 0; i + 1 < block.size(); i += 2) {
    const auto intel = static_cast<uint16_t>(block[i] | (block[i + 1] << 8));
    const auto motorola = static_cast<uint16_t>((block[i] << 8) | block[i + 1]);
    codings_[kIntelU16].Add(Offset16ToLinear(intel));
    codings_[kMotorolaU16].Add(Offset16ToLinear(motorola));
    codings_[kIntelS16].Add(static_cast<int16_t>(intel));
    codings_[kMotorolaS16].Add(static_cast<int16_t>(motorola));
  }
  AddFloats(block);
  pending_.insert(pending_.end(), block.begin(), block.end());
  const size_t whole = pending_.size() - pending_.size() % kWideStep;
  AddWide(std::span(pending_).first(whole));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
}

void CodingGuesser::AddWide(std::span<const uint8_t> bytes) {
  reduced_.resize(bytes.size() / 3);
  int candidate = kFirstWide;
  for (const WideCoding coding : kWideCodings) {
    for (const ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
      ReduceWideSamples(bytes, coding, order, reduced_);
      const size_t count = bytes.size() / WideSampleBytes(coding);
      for (size_t i = 0; i < count; ++i) {
        codings_[candidate].Add(reduced_[i]);
      }
      ++candidate;
    }
  }
}

void CodingGuesser::AddFloats(std::span<const uint8_t> block) {
  floatPending_.insert(floatPending_.end(), block.begin(), block.end());
  if (floatPending_.size() < kMostFloatBytes) {
    return;
  }
  // Every float starting at one of these offsets ends within the pending bytes.
  const size_t starts = floatPending_.size() - (kMostFloatBytes - 1);
  for (size_t k = 0; k < kFloatCodingsInOrder.size(); ++k) {
    const size_t width = WideSampleBytes(kFloatCodingsInOrder[k].coding);
    for (size_t at = 0; at < starts; ++at) {
      const uint64_t offset = floatOffset_ + at;
      const uint64_t bits = FloatBits(floatPending_.data() + at, kFloatCodingsInOrder[k]);
      floatReadings_[k][offset % width].Add(FloatValue(bits, kFloatCodingsInOrder[k].coding),
                                            offset < kHeadBytes);
    }
  }
  floatPending_.erase(floatPending_.begin(),
                      floatPending_.begin() + static_cast<std::ptrdiff_t>(starts));
  floatOffset_ += starts;
}

void CodingGuesser::Roughness::Add(double x) {
  const double clipped = std::clamp(x, -1.0, 1.0);
  const double difference = previous - clipped;
  sumSquares += clipped * clipped;
  sumSquaredDifferences += difference * difference;
  previous = clipped;
}

void CodingGuesser::FloatReading::Add(double x, bool inHead) {
  const double magnitude = std::fabs(x);
  double value = 0;
  if (magnitude >= kLeastAudible && magnitude <= kMostAudible) {
    ++audible;
    value = x;
  } else if (magnitude != 0) {  // NaN included
    ++implausible;
  }
  whole.Add(value);
  if (!inHead) {
    afterHead.Add(value);
  }
  size_t clipped = 0;
  samples.Add(ReduceFloat(x, clipped));
}

bool CodingGuesser::FloatReading::Plausible() const {
  return audible > 0 && implausible * kImplausibleShare <= samples.count &&
         implausible * kAudiblePerImplausible <= audible;
}

double CodingGuesser::FloatReading::RelativeRoughness() const {
  return afterHead.sumSquares > 0 ? afterHead.Value() : whole.Value();
}

const CodingGuesser::FloatReading* CodingGuesser::BestReading(int floatCoding) const {
  // Floats sit at one offset of the file only; bytes that read as plausible floats at two
  // offsets keep to a few values that happen to look like exponents (a square wave in 8 bits).
  const FloatReading* best = nullptr;
  for (const FloatReading& reading : floatReadings_[floatCoding]) {
    if (reading.Plausible()) {
      if (best != nullptr) {
        return nullptr;
      }
      best = &reading;
    }
  }
  return best;
}

std::string CodingGuesser::Result() const {
  std::array<bool, kCodings> present{};
  std::array<const Running*, kCodings> stats{};
  for (int i = 0; i < kFirstFloat; ++i) {
    present[i] = codings_[i].count > 0;
    stats[i] = &codings_[i];
  }
  std::array<const FloatReading*, kFloatCodings> readings{};
  std::array<bool, kCodings> floats{};
  for (int k = 0; k < kFloatCodings; ++k) {
    readings[k] = BestReading(k);
    present[kFirstFloat + k] = readings[k] != nullptr;
    stats[kFirstFloat + k] = readings[k] != nullptr ? &readings[k]->samples : nullptr;
    floats[kFirstFloat + k] = readings[k] != nullptr;
  }
  const auto meanSquaredDifference = [&stats](int i) {
    return static_cast<double>(stats[i]->sumSquaredDifferences) /
           static_cast<double>(stats[i]->count);
  };
  const auto meanSquare = [&stats](int i) {
    return static_cast<double>(stats[i]->sumSquares) / static_cast<double>(stats[i]->count);
  };
  const auto roughness = [&readings](int i) {
    return readings[i - kFirstFloat]->RelativeRoughness();
  };
  const bool anyFloats = std::find(floats.begin(), floats.end(), true) != floats.end();
  const int smoothest =
      anyFloats ? Least(roughness, floats) : Least(meanSquaredDifference, present);
  if (smoothest < 0) {
    return "no guess (empty file)";
  }
  // A 16-bit file read in 32 bits is every other sample, as quiet by chance; so a wider coding
  // is named as the quieter one only when it is the smoothest too.
  std::array<bool, kCodings> quietCandidates = present;
  for (int i = kFirstWide; i < kCodings; ++i) {
    quietCandidates[i] = present[i] && i == smoothest;
  }
  const int quietest = Least(meanSquare, quietCandidates);
  std::string result(kCodingNames[smoothest]);
  if (quietest != smoothest) {
    result += " or ";
    result += kCodingNames[quietest];
  }
  return result;
}

std::string GuessCoding(const std::string& path) {
  std::error_code error;
  // Reading a pipe or a device to its end could take for ever.
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
    throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                            path + ": not a regular file");
  }
  ByteReader reader(path);
  CodingGuesser guesser;
  std::array<uint8_t, kBlockBytes> block{};
  for (;;) {
    const size_t got = reader.Read(block);
    if (got == 0) {
      break;
    }
    guesser.Add(std::span(block).first(got));
  }
  return guesser.Result();
}

std::string GuessFileTypeLine(const std::string& path, const ProbeSettings& settings) {
  // The guess first: it refuses what is not a regular file before the type test opens it.
  const std::string guess = GuessCoding(path);
  const std::string name = std::filesystem::path(path).filename().string();
  return name + " is " + FileTypeName(path, settings) + " " + guess + "?";
}

}  // namespace vorsel
