#!/usr/bin/env bash
# Builds the fuzz targets with clang (the whole tree instrumented) and runs
# each for a bounded time (default 60 seconds) over a copy of its seed corpus.
# New inputs that libFuzzer finds stay in build-fuzz/corpus-<target>; crashes
# in build-fuzz/crashes.
#   fuzz/run-fuzz.sh [seconds] [target...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(zip_open_fuzzer zip_update_fuzzer zip_extract_fuzzer dbf_table_fuzzer gradefile_fuzzer)
fi
source "$root/tools/setup-common.sh"
hsa_install_packages
build="$root/build-fuzz"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DHSA_BUILD_FUZZ=ON -DHSA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target "${targets[@]}"
mkdir -p "$build/crashes"
export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
  case "$t" in
    zip_*) seeds="$root/fuzz/corpus" ;;
    dbf_*) seeds="$root/fuzz/corpus-dbf" ;;
    gradefile_*) seeds="$root/fuzz/corpus-gradefile" ;;
  esac
  mkdir -p "$build/corpus-$t"
  echo "== $t ($seconds s)"
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/crashes/$t-" "$build/corpus-$t" "$seeds"
done
