#!/bin/sh
# Builds the program and runs its main jobs: a short headless server game on
# the shipped data (a new game and two turns computed by `dvx --server` from
# orders files the game's own order code writes), then the game's window.
# Without a display the window runs headless for a few seconds and shows the
# log it wrote. DVX_SKIP_SERVER_DEMO=1 opens the window only.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${DVX_SKIP_SERVER_DEMO:-0}" != "1" ]; then
  echo "== a headless server game"
  scripts/server-demo.sh build
fi
echo "== the game's window"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ "${DVX_HEADLESS:-0}" = "1" ]; then
  echo "No display: running headless for 300 frames."
  DVX_HEADLESS=1 SDL_AUDIODRIVER=dummy DVX_QUIT_AFTER_FRAMES="${DVX_QUIT_AFTER_FRAMES:-300}" build/dvx "$@"
  echo "--- build/VorhelmDocs/DVX.log"
  cat build/VorhelmDocs/DVX.log
else
  exec build/dvx "$@"
fi
