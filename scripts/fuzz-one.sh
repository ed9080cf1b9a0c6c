#!/bin/sh
# One fuzz target, in one of two modes (used by fuzz-ci.sh and fuzz-long.sh):
#   fuzz-one.sh ci   BUILD_DIR TARGET            replay regressions, then -seed=1 -runs=$runs
#   fuzz-one.sh long BUILD_DIR TARGET SECONDS    random seeds for SECONDS; every failing
#                                                input is kept in fuzz/regressions/TARGET/
# Prints "FUZZ FAILED" and exits non-zero when the target fails.
set -eu
cd "$(dirname "$0")/.."
mode="$1"
# Absolute paths throughout: targets may change their working folder.
build=$(cd "$2" && pwd)
root=$(pwd)
target="$3"
name="${target#fuzz_}"
binary="$build/$target"
[ -x "$binary" ] || { echo "FUZZ FAILED: no executable $binary"; exit 1; }

options="-max_len=65536"
for file in "fuzz/options/$target.txt" "fuzz/options/$name.txt"; do
  if [ -f "$file" ]; then
    options=$(head -n 1 "$file")
    break
  fi
done
# A target whose every input runs a whole turn gets fewer seeded runs in CI,
# from fuzz/options/<target>.runs, so the step stays within its time.
if [ -f "fuzz/options/$target.runs" ]; then
  runs=$(head -n 1 "fuzz/options/$target.runs")
fi
# Every input gets the same bounds; a target's own file may override them.
common="-timeout=30 -rss_limit_mb=2560 -malloc_limit_mb=2560 -close_fd_mask=3"

regressions="$root/fuzz/regressions/$target"
[ -d "$regressions" ] || regressions="$root/fuzz/regressions/$name"

scratch="$build/fuzz-work/$target"
rm -rf "$scratch"
mkdir -p "$scratch/corpus"
[ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$scratch/corpus/"

fail() {
  echo "FUZZ FAILED: $target $1"
  exit 1
}

replay() {
  if [ -d "$regressions" ]; then
    set --
    for input in "$regressions"/*; do
      [ -f "$input" ] && set -- "$@" "$input"
    done
    if [ "$#" -gt 0 ]; then
      # -max_len=0: a kept input is replayed whole, whatever the target's bound.
      # shellcheck disable=SC2086
      "$binary" $common $options -max_len=0 "$@" || fail "on a kept input of $regressions"
      echo "replayed $# kept inputs"
    fi
  fi
}

case "$mode" in
  ci)
    replay
    # shellcheck disable=SC2086
    "$binary" $common -seed=1 -runs="${runs:-4000}" $options \
      -artifact_prefix="$scratch/" "$scratch/corpus" || fail "(seed 1); the failing input is in $scratch/"
    echo "ok: seed 1, ${runs:-4000} runs"
    ;;
  long)
    seconds="${4:?seconds}"
    mkdir -p "$root/fuzz/regressions/$target"
    replay
    end=$(( $(date +%s) + seconds ))
    failures=0
    # A found fault stops libFuzzer: keep the input and go on until the time is up.
    while [ "$(date +%s)" -lt "$end" ]; do
      left=$(( end - $(date +%s) ))
      [ "$left" -gt 0 ] || break
      # shellcheck disable=SC2086
      if ! "$binary" $common -seed=0 -max_total_time="$left" $options \
          -artifact_prefix="$root/fuzz/regressions/$target/" "$scratch/corpus" > "$scratch/long.log" 2>&1; then
        failures=$((failures + 1))
        grep -E "^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written|.*Deadly signal|.*ERROR: libFuzzer)" "$scratch/long.log" | head -n 8
      fi
    done
    # Inputs libFuzzer found slow (over 10 s) are no failure: they stay out
    # of the regression folder, for a look at the time they cost.
    for slow in "$root/fuzz/regressions/$target"/slow-unit-*; do
      [ -f "$slow" ] || continue
      mv "$slow" "$scratch/"
      echo "slow input (not a failure): $scratch/$(basename "$slow")"
    done
    rmdir "$root/fuzz/regressions/$target" 2>/dev/null || true
    if [ "$failures" -gt 0 ]; then
      echo "FUZZ FAILED: $target failed $failures times in ${seconds}s; inputs in fuzz/regressions/$target/"
      exit 1
    fi
    echo "ok: ${seconds}s clean"
    ;;
  *)
    echo "usage: fuzz-one.sh ci|long BUILD_DIR TARGET [SECONDS]" >&2
    exit 2
    ;;
esac
