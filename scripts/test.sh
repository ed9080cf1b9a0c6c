#!/bin/sh
# Builds and runs every test: the normal build; one clang build under
# AddressSanitizer and UndefinedBehaviorSanitizer that runs the same tests and
# each fuzz target reproducibly (scripts/fuzz-ci.sh); and a real window under Xvfb.
set -eu
cd "$(dirname "$0")/.."
jobs="${DVX_JOBS:-$(nproc)}"
export DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

echo "== normal build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDVX_BUILD_BENCH=ON
(cd build && ctest --output-on-failure -j "$jobs")

echo "== sanitizer build (clang, ASan + UBSan) and tests"
CC=clang CXX=clang++ scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DDVX_FUZZ=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")

echo "== fuzz targets (kept inputs replayed, then seed 1, ${DVX_FUZZ_RUNS:-4000} runs each, same sanitizers)"
DVX_JOBS="$jobs" scripts/fuzz-ci.sh build-asan

echo "== real window under Xvfb"
scripts/xvfb-smoke.sh build

echo "== the battle world in a real window on each display under Xvfb"
scripts/xvfb-battle.sh build

echo "== OpenGL device against the software device under Xvfb (test scene, glyph text, the battle frame)"
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  unset DVX_HEADLESS SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  exec "$1" --gtest_filter="OpenGLDeviceTest.*"
' sh build/tests/dvx_tests
echo "All tests passed."
