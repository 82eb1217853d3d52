// Per-sample cost of the codings over one sample chunk (16384 samples), as the converters use
// them.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <optional>

#include "codings/dithered_linear8.h"
#include "codings/fit.h"
#include "codings/g711.h"

namespace vorsel {
namespace {

constexpr size_t kChunk = 16384;

std::array<int16_t, kChunk> Samples() {
  std::array<int16_t, kChunk> samples{};
  for (size_t i = 0; i < kChunk; ++i) {
    samples[i] = static_cast<int16_t>(i * 2654435761u >> 16);
  }
  return samples;
}

template <typename Encode>
void RunEncoder(benchmark::State& state, Encode encode) {
  const auto samples = Samples();
  std::array<uint8_t, kChunk> out{};
  for (auto _ : state) {
    for (size_t i = 0; i < kChunk; ++i) {
      out[i] = encode(samples[i]);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kChunk));
}

void BM_LinearToMuLaw(benchmark::State& state) {
  RunEncoder(state, [](int16_t x) { return LinearToMuLaw(x); });
}

void BM_LinearToALaw(benchmark::State& state) {
  RunEncoder(state, [](int16_t x) { return LinearToALaw(x); });
}

void BM_FittedMuLaw(benchmark::State& state) {
  const double factor =
      FitFactor(-20000, 15000, true, true, FitRule{.equalMagnitudesUnscaled = true});
  RunEncoder(state, [factor](int16_t x) { return LinearToMuLaw(ScaleSample(x, factor)); });
}

void BM_EncodeLinear8Dithered(benchmark::State& state) {
  const double factor =
      FitFactor(-20000, 15000, true, true, FitRule{.equalMagnitudesUnscaled = true});
  RunEncoder(state, [factor](int16_t x) {
    return EncodeLinear8(x, factor, kDitherUpward, Representation::OffsetBinary);
  });
}

// A chunk at a time, as the exporters call it: WAV's and AU's single precision factors, and
// RAW's double precision one.
template <DitherRange kRange, Representation kRepresentation, FactorPrecision kPrecision>
void BM_EncodeLinear8DitheredChunk(benchmark::State& state) {
  const double factor = FitFactor(-20000, 15000, true, true, FitRule{.precision = kPrecision});
  const auto samples = Samples();
  std::array<uint8_t, kChunk> out{};
  const DitheredLinear8 coder(factor, kRange, kRepresentation);
  for (auto _ : state) {
    coder.Run(samples, out.data(), ProcessDither());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kChunk));
}

void BM_DitherFill(benchmark::State& state) {
  std::array<int32_t, kChunk> draws{};
  for (auto _ : state) {
    ProcessDither().Fill(kDitherUpward, draws);
    benchmark::DoNotOptimize(draws.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kChunk));
}

void BM_EncodeLinear8DoubleFactor(benchmark::State& state) {
  const double factor =
      FitFactor(-20000, 15000, true, true, FitRule{.precision = FactorPrecision::Float64});
  RunEncoder(state, [factor](int16_t x) {
    return EncodeLinear8(x, factor, kDitherCentred, Representation::Signed);
  });
}

void BM_MuLawToLinear(benchmark::State& state) {
  std::array<uint8_t, kChunk> codes{};
  for (size_t i = 0; i < kChunk; ++i) {
    codes[i] = static_cast<uint8_t>(i * 37);
  }
  std::array<int16_t, kChunk> out{};
  for (auto _ : state) {
    for (size_t i = 0; i < kChunk; ++i) {
      out[i] = MuLawToLinear(codes[i]);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kChunk));
}

BENCHMARK(BM_LinearToMuLaw);
BENCHMARK(BM_LinearToALaw);
BENCHMARK(BM_FittedMuLaw);
BENCHMARK(BM_EncodeLinear8Dithered);
BENCHMARK(BM_EncodeLinear8DitheredChunk<kDitherUpward, Representation::OffsetBinary,
                                        FactorPrecision::Float32>);
BENCHMARK(BM_EncodeLinear8DitheredChunk<kDitherCentred, Representation::Signed,
                                        FactorPrecision::Float32>);
BENCHMARK(BM_EncodeLinear8DitheredChunk<kDitherCentred, Representation::Signed,
                                        FactorPrecision::Float64>);
BENCHMARK(BM_DitherFill);
BENCHMARK(BM_EncodeLinear8DoubleFactor);
BENCHMARK(BM_MuLawToLinear);

}  // namespace
}  // namespace vorsel

BENCHMARK_MAIN();
