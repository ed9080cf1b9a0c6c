#!/bin/sh
# Derives the 2D display's art and visual definitions from the 3D art set in
# data/: writes Configs/*Visual2D.cfg, the floor tile sheets, the doubled
# effect images, Art/mapView*.tga and Configs/MapViewData.cfg.
# usage: scripts/make-2d-art.sh [BUILD_FOLDER]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
if [ ! -x "$build/dvx" ]; then
  echo "make-2d-art: $build/dvx is missing; build the program first (scripts/build.sh)" >&2
  exit 2
fi
DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$build/dvx" --arttool "$root/data"
