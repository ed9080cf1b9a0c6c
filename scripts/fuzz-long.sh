#!/bin/sh
# A developer's fuzzing run: each named target (all of the build folder when
# none is named) runs with random seeds for the chosen time. Whatever makes a
# target fail (crash, leak, out of memory, time-out) is saved in
# fuzz/regressions/<target>/, where the CI step replays it for ever after:
# mend the fault, then commit the input with the mend.
#
#   scripts/fuzz-long.sh [-t SECONDS] [-j JOBS] [-b BUILD_DIR] [TARGET...]
# Defaults: 600 seconds a target, 2 at once, build-asan (a clang build with
# -DDVX_FUZZ=ON).
set -eu
cd "$(dirname "$0")/.."
seconds=600
jobs=2
build=build-asan
while getopts t:j:b: option; do
  case "$option" in
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    b) build="$OPTARG" ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ "$#" -eq 0 ]; then
  set -- $(cd "$build" && ls -d fuzz_* 2>/dev/null | while read -r f; do [ -x "$f" ] && [ -f "$f" ] && echo "$f"; done)
fi
mkdir -p "$build/fuzz-work"
printf '%s\n' "$@" > "$build/fuzz-work/long-targets"
export build seconds
status=0
xargs -P "$jobs" -I{} sh -c 'scripts/fuzz-one.sh long "$build" "{}" "$seconds" 2>&1 | sed "s/^/{}: /"; exit 0' \
  < "$build/fuzz-work/long-targets" | tee "$build/fuzz-work/long.log"
if grep -q "FUZZ FAILED" "$build/fuzz-work/long.log"; then
  status=1
fi
exit "$status"
