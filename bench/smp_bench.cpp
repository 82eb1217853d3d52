// Chunk transfer of TSMPfile against plain write/read loops of the same block size over files
// of the same size, in one run, with the ratios printed at the end.
//
//   vorsel_smp_bench [--benchmark_...]   (files go to $TMPDIR, default /tmp)

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "smp/sSMP.h"

namespace vorsel {
namespace {

constexpr int64_t kFileBytes = int64_t{256} << 20;
constexpr int64_t kChunks = kFileBytes / (2 * kChunkCapacity);
constexpr size_t kBlockBytes = 2 * kChunkCapacity;

std::string BenchPath(const char* name) {
  const char* base = std::getenv("TMPDIR");
  return std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vorsel-bench-" + name;
}

std::unique_ptr<tsamplechunk> PatternChunk() {
  auto chunk = std::make_unique<tsamplechunk>();
  chunk->used = kChunkCapacity;
  for (int32_t i = 0; i < kChunkCapacity; ++i) {
    chunk->data[i] = static_cast<int16_t>(i * 7 - 20000);
  }
  return chunk;
}

// A file of kFileBytes of samples behind the component's head, written by the component.
void MakeSmpFile(const std::string& path, int channels) {
  TSMPfile smp;
  smp.new_file(path);
  smp.insert_nonpresent_defaults();
  smp.SetnChans(channels);
  const auto chunk = PatternChunk();
  for (int64_t i = 0; i < kChunks; ++i) {
    smp.SetChunk(*chunk);
  }
  smp.save_file("");
  smp.close_file();
}

void SmpWrite(benchmark::State& state) {
  const std::string path = BenchPath("write.smp");
  const auto chunk = PatternChunk();
  for (auto _ : state) {
    TSMPfile smp;
    smp.new_file(path);
    smp.insert_nonpresent_defaults();
    for (int64_t i = 0; i < kChunks; ++i) {
      smp.SetChunk(*chunk);
    }
    smp.save_file("");
    smp.close_file();
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  unlink(path.c_str());
}

void PlainWrite(benchmark::State& state) {
  const std::string path = BenchPath("write.raw");
  const auto chunk = PatternChunk();
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int64_t i = 0; i < kChunks; ++i) {
      benchmark::DoNotOptimize(write(fd, chunk->data, kBlockBytes));
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  unlink(path.c_str());
}

void SmpRead(benchmark::State& state) {
  const std::string path = BenchPath("read1.smp");
  MakeSmpFile(path, 1);
  const auto chunk = std::make_unique<tsamplechunk>();
  for (auto _ : state) {
    TSMPfile smp;
    smp.open_file(path, true);
    int64_t total = 0;
    do {
      smp.GetChunk(*chunk);
      total += chunk->used;
    } while (chunk->used > 0);
    smp.close_file();
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  unlink(path.c_str());
}

void PlainReadLoop(benchmark::State& state, const std::string& path) {
  std::vector<char> block(kBlockBytes);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    int64_t total = 0;
    ssize_t got = 0;
    while ((got = read(fd, block.data(), block.size())) > 0) {
      total += got;
    }
    close(fd);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void PlainRead(benchmark::State& state) {
  const std::string path = BenchPath("read1.raw");
  MakeSmpFile(path, 1);
  PlainReadLoop(state, path);
  unlink(path.c_str());
}

void SmpChannelRead(benchmark::State& state) {
  const std::string path = BenchPath("read4.smp");
  MakeSmpFile(path, 4);
  const auto chunk = std::make_unique<tsamplechunk>();
  for (auto _ : state) {
    TSMPfile smp;
    smp.open_file(path, true);
    int64_t total = 0;
    do {
      smp.GetChannelChunk(0, *chunk);
      total += chunk->used;
    } while (chunk->used > 0);
    smp.close_file();
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  unlink(path.c_str());
}

void PlainReadFourChannelFile(benchmark::State& state) {
  const std::string path = BenchPath("read4.raw");
  MakeSmpFile(path, 4);
  PlainReadLoop(state, path);
  unlink(path.c_str());
}

BENCHMARK(SmpWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7);
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7);
BENCHMARK(SmpRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7);
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7);
BENCHMARK(SmpChannelRead)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Repetitions(7);
BENCHMARK(PlainReadFourChannelFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Repetitions(7);

// Keeps the fastest real time of each benchmark's repetitions, the one least disturbed by other
// work on the machine, so that the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) {
        continue;
      }
      const double time = run.GetAdjustedRealTime();
      const auto [entry, inserted] = seconds_.try_emplace(run.run_name.function_name, time);
      if (!inserted && time < entry->second) {
        entry->second = time;
      }
    }
  }

  void PrintRatio(const char* label, const char* component, const char* plain, double limit) {
    const auto c = seconds_.find(component);
    const auto p = seconds_.find(plain);
    if (c == seconds_.end() || p == seconds_.end() || p->second <= 0.0) {
      return;
    }
    const double ratio = c->second / p->second;
    std::printf("%-38s %.3f (target at most %.2f) %s\n", label, ratio, limit,
                ratio <= limit ? "met" : "MISSED");
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace vorsel

int main(int argc, char** argv) {
  // Repetitions of the component and of the plain loop alternate, so that both meet the same
  // load of a shared machine; a flag given on the command line still overrides this.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
    return 1;
  }
  vorsel::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("SetChunk write / plain write:", "SmpWrite", "PlainWrite", 1.15);
  reporter.PrintRatio("GetChunk read / plain read:", "SmpRead", "PlainRead", 1.15);
  reporter.PrintRatio("channel read (4 channels) / plain read:", "SmpChannelRead",
                      "PlainReadFourChannelFile", 2.0);
  benchmark::Shutdown();
  return 0;
}
