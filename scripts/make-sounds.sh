#!/bin/sh
# Regenerates the game's sound samples (data/Sounds/*.wav) with the
# synthesiser in tools/sound_tool.cpp. Usage: scripts/make-sounds.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target dvx_soundtool
mkdir -p data/Sounds
"$build/dvx_soundtool" data/Sounds
