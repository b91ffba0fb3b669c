#!/usr/bin/env bash
# Runs every test program of a build folder once whole (all its cases in one
# process) and shuffled, so that a case that leans on the leftovers of
# another fails here even though ctest runs each case alone.  The seed is
# printed; HSA_SHUFFLE_SEED repeats a run.  Fails when any program fails.
#   tools/run-whole-shuffled.sh BUILD_DIR
set -uo pipefail
build="${1:?usage: $0 BUILD_DIR}"
seed="${HSA_SHUFFLE_SEED:-$(( (RANDOM << 15 | RANDOM) % 99999 + 1 ))}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export LC_ALL="${LC_ALL:-C.UTF-8}"
echo "Alle Testprogramme ganz und gemischt, Seed $seed (wiederholen: HSA_SHUFFLE_SEED=$seed)"

mapfile -t programs < <(find "$build/tests" -type f -name 'test_*' -perm -u+x | sort)
if [ ${#programs[@]} -eq 0 ]; then
  echo "Keine Testprogramme unter $build/tests" >&2
  exit 1
fi
failed=()
for p in "${programs[@]}"; do
  log="$(mktemp)"
  if "$p" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 >"$log" 2>&1; then
    echo "ok      $(basename "$p")"
  else
    echo "FEHLER  $(basename "$p") (Seed $seed)"
    tail -n 40 "$log"
    failed+=("$(basename "$p")")
  fi
  rm -f "$log"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fehlgeschlagen mit Seed $seed: ${failed[*]}" >&2
  exit 1
fi
echo "Alle ${#programs[@]} Testprogramme bestanden (Seed $seed)."
