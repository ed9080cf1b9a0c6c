#!/bin/sh
# Redraws the game's art set (the images under data/Art that the visual
# definition files name) with the painters in tools/art.
# Usage: scripts/make-art.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target dvx_arttool
"$build/dvx_arttool" --data data --out data
