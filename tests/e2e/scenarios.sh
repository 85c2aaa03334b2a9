#!/usr/bin/env bash
# Runs the built program as a user would, from a fresh folder of its own, under Wine; the
# driver plays the user's part and reads the stored files with the program's own code.
# usage: scenarios.sh HOARDIUM_EXE DRIVER_EXE SCENARIO
set -euo pipefail
exe=$(realpath "$1") driver=$(realpath "$2") scenario=$3 own_display=
cd "$(dirname "$0")/../.." && . scripts/wine_env.sh
[ -n "${DISPLAY:-}" ] || { . scripts/virtual_display.sh; start_virtual_display; own_display=1; }
wine_prefix_ready
work=$(mktemp -d "${TMPDIR:-/tmp}/hoardium-e2e.XXXXXX") app_pid=
# The work folder is the driver's; the program's is app, where it must find its files
# beside itself, not in the folder it is started from.
cd "$work" && mkdir app logs && cp "$exe" app/Hoardium.exe
# Keeps Wine's desktop open across the program's restarts (see the driver's hold-desktop).
"$HOARDIUM_WINE" "$driver" hold-desktop >>logs/keeper.log 2>&1 </dev/null & keeper_pid=$!
finish() {
  local rc=$?
  { kill $app_pid "$keeper_pid"; wait "$keeper_pid"; } 2>/dev/null || true
  [ -z "$own_display" ] || { wineserver -k; kill "$HOARDIUM_XVFB_PID"; } >/dev/null 2>&1
  [ "$rc" = 0 ] && rm -rf "$work" || echo "files kept in $work" >&2
}
trap finish EXIT
fail() { echo "FAIL $scenario: $* $(tail -n 1 "$work/logs/driver.log" 2>/dev/null)" >&2; exit 1; }
# Wine's output goes to files: its helper processes would hold a pipe open.
drive() { "$HOARDIUM_WINE" "$driver" "$@" >>logs/driver.log 2>&1 </dev/null; }
# put NAME TEXT ...: the texts to copy, each in a file of the work folder.
put() { while [ $# -gt 0 ]; do printf '%s' "$2" >"$1"; shift 2; done; }
copy() { for t; do drive copy "$t" 60000 || fail "$t did not reach the top of the index"; done; }
# The settings file is, byte for byte, what the program writes of its defaults but for these
# KEY VALUE pairs and for a first place beside a corner of the work area.
check_ini() { cp app/Hoardium.ini ini && drive ini PeekOpen 0 "$@" && cmp app/Hoardium.ini ini || fail "settings not the defaults with $*"; }
# Once a killed program's window is gone (the feeder waits for it), a start is not a second instance.
start_app() { "$HOARDIUM_WINE" app/Hoardium.exe >logs/app.log 2>&1 </dev/null & app_pid=$!; drive window 20000 || fail "no hidden window"; }
stop_app() { drive exit 20000 && wait "$app_pid" && app_pid= || fail "the program did not end cleanly on Exit"; }

# Two runs of a session. The first, without a settings file, starts hidden, keeps copies
# newest first, ignores a second start, finds a row by a typed letter, pastes by hotkey into
# another program, keeps a 64 MB text byte for byte, and places itself beside a corner of
# the work area. The second finds every byte kept and, under keep until exit, leaves only
# its settings.
scenario_sessions() {
  head -c $((64 << 20)) /dev/urandom | LC_ALL=C tr '\0-\377' "$(printf 'a-z%.0s' {1..10})" | fold -w 77 | sed 's/$/\r/' >big
  put abc 'abc' banana $'Banana\r\nby hotkey' last 'gone after exit' lines $'first line\r\n\tsecond line\r\n' \
    small 'newer than the big one' breaks $'\r\n\n\r\r\n\n\n' eof $'before\x1aafter' bytes "$(printf "$(printf '\\%03o' {1..255})")"
  start_app
  copy abc banana lines abc   # abc again: moves to the top
  cp -r app before && timeout 20 "$HOARDIUM_WINE" app/Hoardium.exe >logs/second.log 2>&1 </dev/null || fail "a second start did not end"
  diff -r app before && drive window 0 || fail "the second start changed the files, or the window is not hidden"
  drive paste banana 3 10000 || fail "B did not select Banana's row, or Ctrl+Numpad3 did not paste it, or move it up"
  copy big small bytes breaks eof
  # Copies the item of a row back: it moves up, and the clipboard holds exactly its bytes.
  drive copy big 4 60000 || fail "big was not copied back"
  stop_app
  [ "$(ls -A app | xargs)" = "Hoardium.data Hoardium.exe Hoardium.ini" ] || fail "beside the program: $(ls -A app | xargs)"
  drive check big eof breaks bytes small banana abc lines || fail "the history on disk is not the texts copied alone"
  check_ini
  drive ini PeekOpen 0 KeepPolicy 2 PauseState 1   # a pause not to be restored: capture runs, and it is written back off
  start_app
  drive check big eof breaks bytes small banana abc lines || fail "the history on disk changed at a restart"
  drive copy bytes 3 60000 || fail "bytes was not copied back"
  copy last
  stop_app
  [ "$(ls -A app | xargs)" = "Hoardium.exe Hoardium.ini" ] || fail "beside the program: $(ls -A app | xargs)"
  check_ini KeepPolicy 2
}

# Twenty times over a history of 20 000 items, a start deletes an item and captures copies
# until SIGKILL ends it: each time the files on disk must be whole, and the next start must
# show every text but the deleted ones, also the one copied just before the kill, and, once
# the starts have settled, leave no file that no record names and nothing pending.
scenario_crash_kills() {
  local kill feeder n
  seq -f stored-%g 0 19999 >stored && drive store && : >fed || fail "no stored history"   # named so the store check knows them
  awk '{ f = "app/Hoardium.data/" $0; printf "%s", $0 >f; close(f) }' stored || fail "no stored files"
  for kill in {1..20}; do
    start_app
    drive feed $((RANDOM % 5)) "run $kill text " & feeder=$!
    for ((n = $(wc -l <fed) + 1 + RANDOM % 5; $(wc -l <fed) < n;)); do kill -0 $feeder 2>/dev/null && sleep 0.02 || fail "the feeder:"; done
    sleep 0.0$((RANDOM % 10))   # once a few more texts are confirmed: spreads the kills over the whole of a capture
    { kill -9 "$app_pid" && wait "$app_pid"; } 2>/dev/null || app_pid=
    wait "$feeder" || fail "after kill $kill:"   # the feeder checks the store once the window is gone
  done
  start_app
  stop_app
  drive check || fail "after the last start:"
  echo "$(tail -n 1 logs/driver.log | tr -d '\r'); deleted $(wc -l <deleted); copied just before a kill and kept $(wc -l <recovered)"
}

"scenario_$scenario"
