#!/usr/bin/env bash
# Sets up the machine, builds Hoardium.exe and starts it under Wine: on $DISPLAY when
# there is one, else on a virtual display. Where the machine cannot start 32-bit
# programs, the same program built for 64 bits is started instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/wine_env.sh
cmake --preset "$HOARDIUM_WINEARCH" >/dev/null
cmake --build --preset "$HOARDIUM_WINEARCH"
. scripts/virtual_display.sh
if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display
  echo "No display: running on the virtual display $DISPLAY"
fi
wine_prefix_ready
mkdir -p build/run
cp "build/$HOARDIUM_WINEARCH/Hoardium.exe" build/run/
exec "$HOARDIUM_WINE" build/run/Hoardium.exe >build/run/wine.log 2>&1 </dev/null
