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
# The generator saves settings files, which also write the machine-wide store: keep every store
# in a scratch folder so that making seeds never touches the real ones.
stores=$(mktemp -d)
trap 'rm -rf "$stores"' EXIT
export XDG_CONFIG_HOME="$stores/config" XDG_DATA_HOME="$stores/data" XDG_RUNTIME_DIR="$stores/run"
export VORSEL_MACHINE_DIR="$stores/machine" VORSEL_COMMON_DIR="$stores/common"
ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/vorsel_make_seeds" fuzz/corpus
