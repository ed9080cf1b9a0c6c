#!/bin/sh
# The reproducible fuzz step of CI: every fuzz target of a build folder first
# replays each input kept in fuzz/regressions/<target>/, then runs a fixed
# number of inputs from a fixed seed over its seed corpus fuzz/corpus/<name>/
# (<name> is the target without "fuzz_"). The same commit gives the same
# answer every time.
#
# Per-target flags come from fuzz/options/<target>.txt (one line of libFuzzer
# flags, e.g. "-max_len=200000"); without that file a target gets
# -max_len=65536. A target whose inputs each run a whole turn may lower its
# number of seeded runs in fuzz/options/<target>.runs.
#
#   scripts/fuzz-ci.sh BUILD_DIR [TARGET...]
# DVX_FUZZ_RUNS (default 4000) sets the inputs per target, DVX_JOBS how many
# targets run at once.
set -eu
cd "$(dirname "$0")/.."
build="${1:?build folder}"
shift
runs="${DVX_FUZZ_RUNS:-4000}"
jobs="${DVX_JOBS:-2}"
work="$build/fuzz-ci"
rm -rf "$work"
mkdir -p "$work"

if [ "$#" -eq 0 ]; then
  set -- $(cd "$build" && ls -d fuzz_* 2>/dev/null | while read -r f; do [ -x "$f" ] && [ -f "$f" ] && echo "$f"; done)
fi

printf '%s\n' "$@" > "$work/targets"
export build runs work
# Each target in its own shell; the exit status of xargs tells whether all passed.
if xargs -P "$jobs" -I{} sh -c 'scripts/fuzz-one.sh ci "$build" "{}" > "$work/{}.log" 2>&1 && tail -n 1 "$work/{}.log" | sed "s/^/-- {}: /" || { echo "-- {}: FAILED"; exit 255; }' < "$work/targets"; then
  echo "fuzz step: $(wc -l < "$work/targets") targets passed"
else
  for log in "$work"/*.log; do
    if grep -q "^FUZZ FAILED" "$log"; then
      echo "== $(basename "$log" .log)"
      cat "$log"
    fi
  done
  exit 1
fi
