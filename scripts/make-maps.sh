#!/bin/sh
# Regenerates the shipped maps (data/Map/*.map) from their text sources in
# tools/maps/ and the map fixtures of the tests (tests/fixtures/maps/) from
# theirs, with the game's own map code. Usage: scripts/make-maps.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target dvx_maptool
root=$(pwd)
# The tool logs into its working folder: run it in the build folder.
tool() { (cd "$build" && ./dvx_maptool "$@"); }

for source in tools/maps/*.txt; do
  name=$(basename "$source" .txt)
  tool --data "$root/data" "$root/$source" "$root/data/Map/$name.map"
done

# Fixtures of the map tests: the current-version maps, and one small map
# written at each older version whose fields differ.
fixtures=tests/fixtures/maps
for name in small edges; do
  tool --data "$root/data" "$root/$fixtures/$name.txt" "$root/$fixtures/$name.map"
done
for version in 1-05 1-10 2-0 2-1; do
  tool --data "$root/data" --version "Vorhelm-$version" "$root/$fixtures/versions.txt" "$root/$fixtures/versions-$version.map"
done
