#!/bin/sh
# Builds the program and runs it. Without a display it runs headless for a
# few seconds and shows the log it wrote.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ "${DVX_HEADLESS:-0}" = "1" ]; then
  echo "No display: running headless for 300 frames."
  DVX_HEADLESS=1 SDL_AUDIODRIVER=dummy DVX_QUIT_AFTER_FRAMES="${DVX_QUIT_AFTER_FRAMES:-300}" build/dvx "$@"
  echo "--- build/VorhelmDocs/DVX.log"
  cat build/VorhelmDocs/DVX.log
else
  exec build/dvx "$@"
fi
