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
# The programs run side by side (as ctest runs their cases); each writes a
# log of its own, read once all have ended.
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT
jobs_max="$(nproc)"
for p in "${programs[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  name="$(basename "$p")"
  ( "$p" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 >"$logs/$name.log" 2>&1
    echo $? >"$logs/$name.rc" ) &
done
wait
failed=()
for p in "${programs[@]}"; do
  name="$(basename "$p")"
  if [ "$(cat "$logs/$name.rc" 2>/dev/null)" = 0 ]; then
    echo "ok      $name"
  else
    echo "FEHLER  $name (Seed $seed)"
    tail -n 40 "$logs/$name.log"
    failed+=("$name")
  fi
done
echo "Testprogramme ganz und gemischt (Seed $seed):"
echo "$(( ${#programs[@]} - ${#failed[@]} )) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fehlgeschlagen mit Seed $seed: ${failed[*]}" >&2
  exit 1
fi
