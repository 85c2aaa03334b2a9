#!/usr/bin/env bash
# Sets up the machine, builds Hoardium.exe and starts it under Wine: on $DISPLAY when
# there is one, else on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
. scripts/virtual_display.sh
if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display
  echo "No display: running on the virtual display $DISPLAY"
fi
mkdir -p build/run
cp build/win32/Hoardium.exe build/run/
export WINEPREFIX="$PWD/build/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine build/run/Hoardium.exe >build/run/wine.log 2>&1 </dev/null
