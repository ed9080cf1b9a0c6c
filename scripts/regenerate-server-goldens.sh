#!/bin/sh
# Writes the golden files of the server tests (tests/fixtures/server/<battle>/)
# again from the current code. Run it only when a change of the rules is meant
# to change what the server writes, and review the difference before
# committing. Usage: scripts/regenerate-server-goldens.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target dvx_tests
DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy DVX_REGENERATE_GOLDENS=1 \
  "$build/tests/dvx_tests" --gtest_filter='Battles/ServerGoldenTest.*'
git status --short tests/fixtures/server
