#!/usr/bin/env bash
# Sets up the machine, builds every preset it needs, and runs every test: the core
# natively with sanitizers, its readers fuzzed for a bounded time, then the Windows
# build under Wine on a private virtual display.
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

# The program itself is always built 32-bit; the tests run the build this machine can start.
cmake --preset win32 >/dev/null
cmake --build --preset win32
. scripts/wine_env.sh
if [ "$HOARDIUM_WINEARCH" != win32 ]; then
  echo "This machine cannot start 32-bit programs: the Windows tests run the same sources built for 64 bits."
  cmake --preset "$HOARDIUM_WINEARCH" >/dev/null
  cmake --build --preset "$HOARDIUM_WINEARCH"
fi
start_virtual_display
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$HOARDIUM_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
ctest --preset "$HOARDIUM_WINEARCH"
