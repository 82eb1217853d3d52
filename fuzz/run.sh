#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for SECONDS seconds on a copy of its
# seed corpus (fuzz/corpus/<target>/). Fails on the first finding: a crash, a sanitizer
# report, an input that runs longer than 10 s, or one that allocates more than 64 MiB at once.
# The reproducer and the log stay in $FUZZ_OUT (default build-fuzz-libfuzzer/findings).
#
#   fuzz/run.sh 20          the short run of .ci/run
#   fuzz/run.sh 600         ten minutes per target
#   FUZZ_TARGETS="wav_import au_import" fuzz/run.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS}
build=${FUZZ_BUILD:-build-fuzz-libfuzzer}
out=${FUZZ_OUT:-$build/findings}
jobs=${FUZZ_BUILD_JOBS:-2}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORSEL_FUZZ=ON -DVORSEL_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target vorsel_fuzzers >/dev/null

targets=${FUZZ_TARGETS:-$(sed -n 's/^vorsel_fuzz_target(\([a-z_0-9]*\).*/\1/p' fuzz/CMakeLists.txt)}
mkdir -p "$out"
# The targets work in a folder of their own; findings must still land here.
out=$(cd "$out" && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in $targets; do
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$target/." "$work/"
  log="$out/$target.log"
  if "$build/fuzz/fuzz_$target" "$work" -max_total_time="$seconds" -timeout=10 \
      -malloc_limit_mb=64 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$out/$target-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$target: ${runs:-?} runs, ${cov:-cov: ?}, no finding"
  else
    echo "fuzz_$target: FINDING (see $log)"
    tail -n 40 "$log"
    status=1
  fi
  rm -rf "$work"
done
exit $status
