#!/usr/bin/env bash
# Rewrites the seed corpora under fuzz/corpus/ with vorsel_make_seeds, which makes them through
# the converters themselves. Run it after a change of the file formats, then commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_BUILD:-build-fuzz-libfuzzer}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORSEL_FUZZ=ON -DVORSEL_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target vorsel_make_seeds >/dev/null
mkdir -p fuzz/corpus
shopt -s nullglob
for folder in fuzz/corpus/*/; do
  # Reproducers of fixed findings are kept; the generated seeds are made anew.
  find "$folder" -type f ! -name 'finding-*' -delete
done
ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/vorsel_make_seeds" fuzz/corpus
