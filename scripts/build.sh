#!/bin/sh
# Configures and builds into the given folder (default: build) with any extra
# CMake arguments.
set -eu
cd "$(dirname "$0")/.."
dir="${1:-build}"
[ $# -gt 0 ] && shift
jobs="${DVX_JOBS:-$(nproc)}"
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
