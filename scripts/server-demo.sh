#!/bin/sh
# A short headless server game on the shipped data, run the way the game
# server runs the program: `dvx --server` creates a game from the shipped
# "[GameStart]" text, then computes two turns from the orders files that the
# game's own order code writes for each player (dvx_orders, the scripted
# "infantry" battle: deployment, then movement, rifle fire, a grenade, a
# shield, a warp gunner and a psyker). Prints each status text.
# Usage: scripts/server-demo.sh [BUILD_DIR] [GAME_FOLDER]
set -eu
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"
cmake --build "$build" --target dvx dvx_orders > /dev/null
game="${2:-$(mktemp -d "${TMPDIR:-/tmp}/dvx-server-demo-XXXXXX")}"
mkdir -p "$game"
cp "data/Scenarios/GameStart WipeOut.cfg" "$game/start_demo.cfg"
cd "$game"

step() { echo "\$ $*"; "$@"; }

mkdir -p T0
step "$build/dvx" --server start_demo.cfg T0
cat T0/status_Gdemo_T0.dvx
for turn in 1 2; do
  previous=$((turn - 1))
  for player in 1 2; do
    received=""
    t=0
    while [ "$t" -lt "$turn" ]; do
      received="$received T$t/results${player}_Gdemo_T$t.dvx"
      t=$((t + 1))
    done
    # shellcheck disable=SC2086
    step "$build/dvx_orders" infantry "orders${player}_Gdemo_T$turn.dvx" $received
  done
  mkdir -p "T$turn"
  step "$build/dvx" --server "T$previous/gamestate_Gdemo_T$previous.dvx" \
    "orders1_Gdemo_T$turn.dvx" "orders2_Gdemo_T$turn.dvx" "T$turn"
  cat "T$turn/status_Gdemo_T$turn.dvx"
done
echo "The game's files are in $game"
