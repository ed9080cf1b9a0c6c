#!/bin/sh
# Redraws the game's art set (the images under data/Art that the visual
# definition files name) with the painters in tools/art. The images the 2D
# art tool derives from this set (floor tile sheets "*_2D_n.tga", doubled
# effect images, map-view sheets) are left alone: run scripts/make-2d-art.sh
# after this to bring them up to date.
# Usage: scripts/make-art.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target dvx_arttool
"$build/dvx_arttool" --data data --out data
