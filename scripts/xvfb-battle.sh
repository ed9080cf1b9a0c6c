#!/bin/sh
# Opens a received first-turn file in a real window under Xvfb, once on each
# display, and checks the last frame the program wrote (DVX_SCREENSHOT): it
# must show the battle world, that is the map's floor tiles where the camera
# looks, not an empty or flat-coloured window.
# Usage: scripts/xvfb-battle.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"
work=$(mktemp -d)
trap '[ -n "${DVX_KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cp -r data/. "$work/"
cp "$build/dvx" "$work/dvx"

# The server makes the game and its first-turn file, headless.
mkdir -p "$work/game/T0"
cp "data/Scenarios/GameStart WipeOut.cfg" "$work/game/start_look.cfg"
(cd "$work/game" && DVX_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  "$work/dvx" --server start_look.cfg T0 > /dev/null)
received="$work/game/T0/results1_Glook_T0.dvx"
[ -f "$received" ] || { echo "the server wrote no first-turn file"; ls -R "$work/game"; exit 1; }

# The player's account: three strings, each a little-endian length and its bytes.
python3 - "$work/player.dat" <<'PY'
import struct, sys
with open(sys.argv[1], "wb") as out:
    for text in (b"Ann", b"ann@example.org", b"secret"):
        out.write(struct.pack("<I", len(text)) + text)
PY

for display in ${DVX_BATTLE_DISPLAYS:-DD8_3D DIRECTDRAW_2D}; do
  cat > "$work/Configs/UserData.cfg" <<CFG
# settings of the battle window run
[APP]
  FullScreen = NO
  WindowWidth = 1024
  WindowHeight = 768
  WindowXPos = 10
  WindowYPos = 10
  SMTPServer = NotSet
  DisplayType = $display
CFG
  rm -rf "$work/Games"
  shot="$work/battle-$display.png"
  xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    unset DVX_HEADLESS SDL_VIDEODRIVER
    export SDL_AUDIODRIVER=dummy DVX_QUIT_AFTER_FRAMES=20 DVX_SCREENSHOT="$2"
    exec "$1/dvx" "$3"
  ' sh "$work" "$shot" "$received"
  [ -f "$shot" ] || { echo "$display: no screenshot"; cat "$work/VorhelmDocs/DVX.log"; exit 1; }
  python3 scripts/check-battle-frame.py "$shot" "$display"
done
echo "Xvfb battle window: ok"
