#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once as
# built for use, once under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan; any report fails).  HSA_NO_SANITIZE=1 skips the second run.
# ctest runs each case in a process of its own; every test program then runs
# once more whole and shuffled, so a case that leans on another's leftovers
# fails too (the seed is printed; HSA_SHUFFLE_SEED repeats it).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
source "$root/tools/setup-common.sh"
hsa_install_packages
export QT_QPA_PLATFORM=offscreen

hsa_build "$root" "$root/build"
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
"$root/tools/run-whole-shuffled.sh" "$root/build"

if [ "${HSA_NO_SANITIZE:-0}" != 1 ]; then
  HSA_CONFIGURE_ARGS="-DHSA_SANITIZE=ON -DHSA_BUILD_BENCH=OFF" \
    hsa_build "$root" "$root/build-asan"
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  (cd "$root/build-asan" && ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
  "$root/tools/run-whole-shuffled.sh" "$root/build-asan"
fi
