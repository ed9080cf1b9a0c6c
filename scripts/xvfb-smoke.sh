#!/bin/sh
# Starts the program in a real window under Xvfb, checks the window's size
# against the saved settings, closes it and checks the log it wrote.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r data/. "$work/"
cp "$build/dvx" "$work/dvx"
cat > "$work/Configs/UserData.cfg" <<'CFG'
# settings of the smoke run
[APP]
  FullScreen = NO
  WindowWidth = 640
  WindowHeight = 480
  WindowXPos = 10
  WindowYPos = 10
  SMTPServer = NotSet
  DisplayType = DIRECTDRAW_2D
CFG

xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  unset DVX_HEADLESS SDL_VIDEODRIVER
  # A CI machine has no sound card: SDL'"'"'s dummy driver plays.
  export SDL_AUDIODRIVER=dummy
  "$1/dvx" &
  pid=$!
  for _ in $(seq 1 50); do
    if xwininfo -name "Drannoc: Vorhelm" >/dev/null 2>&1; then break; fi
    sleep 0.2
  done
  info=$(xwininfo -name "Drannoc: Vorhelm")
  echo "$info" | grep -E "Width|Height"
  echo "$info" | grep -q "Width: 640" && echo "$info" | grep -q "Height: 480" || { kill $pid; exit 1; }
  # Closing the window ends the run like any close request.
  kill -TERM $pid
  wait $pid
' sh "$work"

expected="Application Started
Window Created
Initialising DirectDraw
FullScreen = false, Width = 640, Height = 480
Initialised DirectDraw Successfully
Display Created
Initialising DirectSound
Initialised DirectSound Succesfully
Sound Created
Game Initialised
First loop completed
Destroying DirectDraw
Destroyed DirectDraw Successfully
Application Finished"
actual=$(grep -v '^$' "$work/VorhelmDocs/DVX.log")
if [ "$actual" != "$expected" ]; then
  echo "unexpected log:"; cat "$work/VorhelmDocs/DVX.log"; exit 1
fi
echo "Xvfb window run: ok"
