#!/usr/bin/env bash
# Takes the README's picture of the history window: a few copied texts, one selected, the
# preview open. Runs on a private virtual display; writes docs/screenshot.png.
# usage: scripts/screenshot.sh [BUILD_DIR]   (a Windows build with Hoardium and the driver;
#        by default the one this machine can run, build/win32 or build/win64)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine_env.sh
export LC_ALL=C
build=${1:-build/$HOARDIUM_WINEARCH}
cmake --build "$build" --target Hoardium hoardium_driver >/dev/null
. scripts/virtual_display.sh
start_virtual_display
work=$(mktemp -d "${TMPDIR:-/tmp}/hoardium-shot.XXXXXX")
trap 'kill "$HOARDIUM_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
wine_prefix_ready

# The driver finds the program in "app" under the folder it runs in.
mkdir "$work/app"
cp "$build/Hoardium.exe" "$work/app/"
printf 'WinX = 40\r\nWinY = 40\r\nWinW = 400\r\nWinH = 330\r\nTimestamps = 1\r\n' >"$work/app/Hoardium.ini"
driver=$(realpath "$build/hoardium_driver.exe")
cd "$work"
drive() { "$HOARDIUM_WINE" "$driver" "$@" >>driver.log 2>&1 </dev/null; }

"$HOARDIUM_WINE" app/Hoardium.exe >hoardium.log 2>&1 </dev/null &
app_pid=$!
drive window 20000
# Copied oldest first, so the list reads newest first.
texts=(
  $'Kind regards,\r\nAnna Kov\xe1cs'
  '+36 1 234 5678'
  'git log --oneline --graph --all'
  'Invoice 2041: paid in full on 3 March'
  $'for (int i = 0; i < n; i++) {\r\n    total += prices[i];\r\n}'
  'Meeting moved to Thursday 10:30, room 4B'
  'https://www.example.org/docs/getting-started'
)
for t in "${texts[@]}"; do
  printf '%s' "$t" >text
  drive copy text 10000
done
drive post 0x400 0 0x201          # a left click on the tray icon shows the window
drive post 0x100 0x28 0 40        # Down in the list: selects the newest row
drive post 0x100 0x28 0 40        # and the next one, the code snippet
drive post 0x100 0x28 0 40
drive post 0x111 45 0             # the toolbar's preview button

# The outer rectangle, frame included, is where the settings above put it.
X=40 Y=40 WIDTH=400 HEIGHT=330
cd - >/dev/null
mkdir -p docs
# Poll until two shots in a row agree: the window has finished painting.
prev=
for _ in $(seq 50); do
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/shot.png"
  sum=$(md5sum <"$work/shot.png")
  [ "$sum" = "$prev" ] && break
  prev=$sum
  sleep 0.2
done
cp "$work/shot.png" docs/screenshot.png
(cd "$work" && drive exit 20000)
wait "$app_pid"
echo "wrote docs/screenshot.png (${WIDTH}x${HEIGHT})"
