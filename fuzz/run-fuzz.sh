#!/usr/bin/env bash
# Builds the archive fuzz target with clang and runs it for a bounded time
# (default 60 seconds) over a copy of the seed corpus.  New inputs that
# libFuzzer finds stay in build-fuzz/corpus; crashes in build-fuzz/crashes.
#   fuzz/run-fuzz.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DHSA_BUILD_FUZZ=ON -DHSA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target zip_open_fuzzer
mkdir -p "$build/corpus" "$build/crashes"
cp -n "$root/fuzz/corpus/"* "$build/corpus/" 2>/dev/null || true
cd "$build"
./fuzz/zip_open_fuzzer -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/crashes/" "$build/corpus" "$root/fuzz/corpus"
