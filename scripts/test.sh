#!/bin/sh
# Builds and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a real window under Xvfb,
# and each fuzz target for a short while.
set -eu
cd "$(dirname "$0")/.."
jobs="${DVX_JOBS:-$(nproc)}"
export DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fuzz_seconds="${DVX_FUZZ_SECONDS:-20}"

echo "== normal build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDVX_BUILD_BENCH=ON
(cd build && ctest --output-on-failure -j "$jobs")

echo "== sanitizer build and tests"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DDVX_SANITIZE=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")

echo "== real window under Xvfb"
scripts/xvfb-smoke.sh build

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDVX_FUZZ=ON
for target in build-fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$PWD/build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  cp -r "fuzz/corpus/${name#fuzz_}/." "$corpus/" 2>/dev/null || true
  echo "-- $name"
  if ! "$target" -max_total_time="$fuzz_seconds" -close_fd_mask=2 "$corpus" > "build-fuzz/$name.log" 2>&1; then
    cat "build-fuzz/$name.log"
    exit 1
  fi
  tail -n 1 "build-fuzz/$name.log"
done
echo "All tests passed."
