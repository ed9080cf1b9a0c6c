#!/bin/sh
# Builds and runs every test: the normal build; one clang build under
# AddressSanitizer and UndefinedBehaviorSanitizer that runs the same tests and
# each fuzz target for a short while; and a real window under Xvfb.
set -eu
cd "$(dirname "$0")/.."
jobs="${DVX_JOBS:-$(nproc)}"
export DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fuzz_seconds="${DVX_FUZZ_SECONDS:-10}"

echo "== normal build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDVX_BUILD_BENCH=ON
(cd build && ctest --output-on-failure -j "$jobs")

echo "== sanitizer build (clang, ASan + UBSan) and tests"
CC=clang CXX=clang++ scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DDVX_FUZZ=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")

echo "== fuzz targets (${fuzz_seconds}s each, same sanitizers)"
for target in build-asan/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$PWD/build-asan/corpus-$name"
  mkdir -p "$corpus"
  cp -r "fuzz/corpus/${name#fuzz_}/." "$corpus/" 2>/dev/null || true
  echo "-- $name"
  if ! "$target" -max_total_time="$fuzz_seconds" -close_fd_mask=2 "$corpus" > "build-asan/$name.log" 2>&1; then
    cat "build-asan/$name.log"
    exit 1
  fi
  tail -n 1 "build-asan/$name.log"
done

echo "== real window under Xvfb"
scripts/xvfb-smoke.sh build
echo "All tests passed."
