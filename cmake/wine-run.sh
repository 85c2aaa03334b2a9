#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's own prefix, never the user's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${HOARDIUM_WINEPREFIX:-$here/build/wineprefix}" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null
  wineserver -w
fi
# Output goes to a file: Wine's helper processes would otherwise hold a pipe open.
log=$(mktemp)
set +e
wine "$@" >"$log" 2>&1 </dev/null
rc=$?
set -e
cat "$log"
rm -f "$log"
exit $rc
