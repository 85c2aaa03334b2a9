#!/usr/bin/env bash
# Sets up the machine, builds both presets, and runs every test: the core natively
# with sanitizers, its readers fuzzed for a bounded time, then the Windows build under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/virtual_display.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset win32 >/dev/null
cmake --build --preset win32
start_virtual_display
export HOARDIUM_WINEPREFIX="$PWD/build/wineprefix"
cleanup() {
  WINEPREFIX="$HOARDIUM_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  kill "$HOARDIUM_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
ctest --preset win32
