#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's own prefix, never the user's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/wine_env.sh"
wine_prefix_ready
# Output goes to a file: Wine's helper processes would otherwise hold a pipe open.
log=$(mktemp)
set +e
"$HOARDIUM_WINE" "$@" >"$log" 2>&1 </dev/null
rc=$?
set -e
cat "$log"
rm -f "$log"
exit $rc
