// Chunk transfer of TSMPfile against plain write/read loops of the same block size over files
// of the same size, in one run, with the ratios printed at the end.
//
//   vorsel_smp_bench [--benchmark_...]   (files go to $TMPDIR, default /tmp)

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
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

// The plain loops write and read the layout of an SMP file: a 1024-byte head, then the blocks,
// which therefore do not start on page boundaries. The "FromZero" variants put the blocks at
// byte 0, to show what the layout itself costs.
constexpr size_t kHeadBytes = 1024;

void PlainWriteLoop(benchmark::State& state, bool withHead) {
  const std::string path = BenchPath("write.raw");
  const auto chunk = PatternChunk();
  const std::vector<char> head(kHeadBytes);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (withHead) {
      benchmark::DoNotOptimize(write(fd, head.data(), head.size()));
    }
    for (int64_t i = 0; i < kChunks; ++i) {
      benchmark::DoNotOptimize(write(fd, chunk->data, kBlockBytes));
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  unlink(path.c_str());
}

void PlainWrite(benchmark::State& state) {
  PlainWriteLoop(state, true);
}

void PlainWriteFromZero(benchmark::State& state) {
  PlainWriteLoop(state, false);
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

void PlainReadLoop(benchmark::State& state, const std::string& path, bool withHead) {
  std::vector<char> block(kBlockBytes);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    int64_t total = 0;
    if (withHead) {
      total += read(fd, block.data(), kHeadBytes);
    }
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
  PlainReadLoop(state, path, true);
  unlink(path.c_str());
}

void PlainReadFromZero(benchmark::State& state) {
  const std::string path = BenchPath("read0.raw");
  MakeSmpFile(path, 1);
  PlainReadLoop(state, path, false);
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
  PlainReadLoop(state, path, true);
  unlink(path.c_str());
}

void Register(const char* name, void (*function)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, function)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(0.5)
      ->Repetitions(7);
}

void RegisterAll() {
  Register("SmpWrite", SmpWrite);
  Register("PlainWrite", PlainWrite);
  Register("PlainWriteFromZero", PlainWriteFromZero);
  Register("SmpRead", SmpRead);
  Register("PlainRead", PlainRead);
  Register("PlainReadFromZero", PlainReadFromZero);
  Register("SmpChannelRead", SmpChannelRead);
  Register("PlainReadFourChannelFile", PlainReadFourChannelFile);
}

// Keeps the fastest repetition of each benchmark, the one least disturbed by other work on the
// machine, in wall-clock and in processor time, so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) {
        continue;
      }
      const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      const auto [entry, inserted] = fastest_.try_emplace(run.run_name.function_name, times);
      if (!inserted) {
        entry->second.real = std::min(entry->second.real, times.real);
        entry->second.cpu = std::min(entry->second.cpu, times.cpu);
      }
    }
  }

  // A limit of 0 prints the ratio for information only.
  void PrintRatio(const char* label, const char* component, const char* plain, double limit) {
    const auto c = fastest_.find(component);
    const auto p = fastest_.find(plain);
    if (c == fastest_.end() || p == fastest_.end() || p->second.real <= 0.0 ||
        p->second.cpu <= 0.0) {
      return;
    }
    const double real = c->second.real / p->second.real;
    const double cpu = c->second.cpu / p->second.cpu;
    std::printf("%-44s real %.3f  cpu %.3f", label, real, cpu);
    if (limit > 0.0) {
      std::printf("  (target at most %.2f) %s\n", limit, real <= limit ? "met" : "MISSED");
    } else {
      std::printf("  (for information)\n");
    }
  }

 private:
  struct Times {
    double real;
    double cpu;
  };
  std::map<std::string, Times> fastest_;
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
  vorsel::RegisterAll();
  vorsel::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("SetChunk write / plain write:", "SmpWrite", "PlainWrite", 1.15);
  reporter.PrintRatio("GetChunk read / plain read:", "SmpRead", "PlainRead", 1.15);
  reporter.PrintRatio("channel read (4 channels) / plain read:", "SmpChannelRead",
                      "PlainReadFourChannelFile", 2.0);
  reporter.PrintRatio("plain write, blocks after a head / from 0:", "PlainWrite",
                      "PlainWriteFromZero", 0.0);
  reporter.PrintRatio("plain read, blocks after a head / from 0:", "PlainRead", "PlainReadFromZero",
                      0.0);
  benchmark::Shutdown();
  return 0;
}
