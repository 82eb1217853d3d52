// Throughput of the byte reader and writer for 16-bit sample blocks of 16384 bytes, in the
// processor's order and swapped, through a file in the temporary folder.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fileio/byteio.h"

namespace vorsel {
namespace {

constexpr size_t kSamplesPerBlock = kBlockBytes / 2;
constexpr size_t kBlocks = 2048;  // 32 MiB per pass

std::string TempPath() {
  const char* base = std::getenv("TMPDIR");
  return std::string(base && *base ? base : "/tmp") + "/vorsel-byteio-bench-" +
         std::to_string(::getpid());
}

void BM_WriteSamples16(benchmark::State& state) {
  const auto order = static_cast<ByteOrder>(state.range(0));
  const std::string path = TempPath();
  std::vector<int16_t> block(kSamplesPerBlock, 0x1234);
  for (auto _ : state) {
    ByteWriter writer(path);
    for (size_t i = 0; i < kBlocks; ++i) {
      writer.WriteSamples16(block, order);
    }
    writer.Close();
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlocks * kBlockBytes));
}

void BM_ReadSamples16(benchmark::State& state) {
  const auto order = static_cast<ByteOrder>(state.range(0));
  const std::string path = TempPath();
  {
    std::vector<int16_t> block(kSamplesPerBlock, 0x1234);
    ByteWriter writer(path);
    for (size_t i = 0; i < kBlocks; ++i) {
      writer.WriteSamples16(block, ByteOrder::LittleEndian);
    }
    writer.Close();
  }
  std::vector<int16_t> block(kSamplesPerBlock);
  for (auto _ : state) {
    ByteReader reader(path);
    while (reader.ReadSamples16(block, order).bytes > 0) {
      benchmark::DoNotOptimize(block.data());
    }
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlocks * kBlockBytes));
}

BENCHMARK(BM_WriteSamples16)
    ->Arg(static_cast<int>(ByteOrder::LittleEndian))
    ->Arg(static_cast<int>(ByteOrder::BigEndian));
BENCHMARK(BM_ReadSamples16)
    ->Arg(static_cast<int>(ByteOrder::LittleEndian))
    ->Arg(static_cast<int>(ByteOrder::BigEndian));

}  // namespace
}  // namespace vorsel

BENCHMARK_MAIN();
