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

cp "$build/Hoardium.exe" "$work/"
printf 'WinX = 40\r\nWinY = 40\r\nWinW = 400\r\nWinH = 330\r\nTimestamps = 1\r\n' >"$work/Hoardium.ini"
drive() { "$HOARDIUM_WINE" "$build/hoardium_driver.exe" "$@" >>"$work/driver.log" 2>&1 </dev/null; }

"$HOARDIUM_WINE" "$work/Hoardium.exe" >"$work/hoardium.log" 2>&1 </dev/null &
app_pid=$!
drive wait-window 20000
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
n=0
for t in "${texts[@]}"; do
  printf '%s' "$t" >"$work/text"
  drive copy "$work/text"
  n=$((n + 1))
  drive wait-rows "$n" 10000
done
drive send 0x400 0 0x201          # a left click on the tray icon shows the window
drive is-visible
drive key 0x28                    # Down: selects the newest row in the focused list
drive key 0x28                    # and the next one, the code snippet
drive key 0x28
drive send 0x111 45 0             # the toolbar's preview button

# The outer rectangle, frame included, is where the settings above put it.
X=40 Y=40 WIDTH=400 HEIGHT=330
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
drive exit 20000
wait "$app_pid"
echo "wrote docs/screenshot.png (${WIDTH}x${HEIGHT})"
