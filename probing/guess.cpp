#include "probing/guess.h"

#include <array>
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
    "u-law",        "A-law",           "uint8",        "sint8",
    "Intel uint16", "Motorola uint16", "Intel sint16", "Motorola sint16",
    "Intel sint24", "Motorola sint24", "Intel sint32", "Motorola sint32"};

enum Candidate { kMuLaw, kALaw, kUint8, kSint8, kIntelU16, kMotorolaU16, kIntelS16, kMotorolaS16 };

// The wider candidates follow the 16-bit ones, each coding in Intel, then Motorola order.
constexpr std::array<WideCoding, 2> kWideCodings = {WideCoding::Int24, WideCoding::Int32};
constexpr int kFirstWide = kMotorolaS16 + 1;
// A whole number of samples of every wider coding.
constexpr size_t kWideStep = 12;

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

std::string CodingGuesser::Result() const {
  std::array<bool, kCodings> present{};
  for (int i = 0; i < kCodings; ++i) {
    present[i] = codings_[i].count > 0;
  }
  const auto meanSquaredDifference = [this](int i) {
    return static_cast<double>(codings_[i].sumSquaredDifferences) /
           static_cast<double>(codings_[i].count);
  };
  const auto meanSquare = [this](int i) {
    return static_cast<double>(codings_[i].sumSquares) / static_cast<double>(codings_[i].count);
  };
  const int smoothest = Least(meanSquaredDifference, present);
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
