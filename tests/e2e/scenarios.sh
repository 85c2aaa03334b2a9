#!/usr/bin/env bash
# Runs the built program as a user would, from a fresh folder of its own, under Wine; the
# driver plays the user's part and reads the stored files with the program's own code.
# usage: scenarios.sh HOARDIUM_EXE DRIVER_EXE SCENARIO
set -euo pipefail
exe=$(realpath "$1") driver=$(realpath "$2") scenario=$3 own_display=
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine_env.sh"
export LC_ALL=C
[ -n "${DISPLAY:-}" ] || { . "$root/scripts/virtual_display.sh"; start_virtual_display; own_display=1; }
wine_prefix_ready
work=$(mktemp -d "${TMPDIR:-/tmp}/hoardium-e2e.XXXXXX")
app=$work/app logs=$work/logs app_pid=
data=$app/Hoardium.data ini=$app/Hoardium.ini index=$app/Hoardium.data/__reg__
mkdir "$app" "$logs" && cp "$exe" "$app/Hoardium.exe"
cd "$work"   # not the program's folder: it must find its files beside itself
# Keeps Wine's desktop open across the program's restarts (see the driver's hold-desktop).
"$HOARDIUM_WINE" "$driver" hold-desktop >>"$logs/keeper.log" 2>&1 </dev/null & keeper_pid=$!
finish() {
  local rc=$?
  { kill $app_pid "$keeper_pid"; wait "$keeper_pid"; } 2>/dev/null || true
  [ -z "$own_display" ] || { wineserver -k; kill "$HOARDIUM_XVFB_PID"; } >/dev/null 2>&1
  if [ "$rc" = 0 ]; then rm -rf "$work"; else echo "files kept in $work" >&2; fi
}
trap finish EXIT
fail() { echo "FAIL $scenario: $* $(tail -n 1 "$logs/driver.log" 2>/dev/null)" >&2; exit 1; }
# Wine's output goes to files: its helper processes would hold a pipe open.
drive() { "$HOARDIUM_WINE" "$driver" "$@" >>"$logs/driver.log" 2>&1 </dev/null; }
drive_out() { "$HOARDIUM_WINE" "$driver" "$@" 2>>"$logs/driver.log" </dev/null | tr -d '\r'; }
# put NAME TEXT ...: the texts to copy, each in a file of the work folder.
put() { while [ $# -gt 0 ]; do printf '%s' "$2" >"$work/$1"; shift 2; done; }
copy() { for t; do drive copy "$work/$t" "$index" 60000 || fail "$t did not reach the top of the index"; done; }
# Copies the item of row 1 back: it moves up, and the clipboard holds exactly its bytes.
copy_back_row_1() { drive post 1024 1 670 && drive on-top "$work/$1" "$index" 60000 || fail "$1 was not copied back"; }
# check NAME...: the history on disk is these texts, newest first, each in a file of its own,
# and nothing else is kept or pending.
check() {
  local names i=0 t
  mapfile -t names < <(drive_out names "$data")
  [ "${#names[@]}" = $# ] || fail "the index holds ${#names[@]} records, not $*"
  for t; do cmp "$data/${names[i++]}" "$work/$t" || fail "record $((i - 1)) does not hold $t"; done
  printf '%s\n' __pending__ __reg__ "${names[@]}" | sort | cmp -s - <(ls -A "$data") && [ -z "$(ls -A "$data/__pending__")" ] || fail "other files kept"
}
beside() { [ "$(ls -A "$app" | xargs)" = "$*" ] || fail "beside the program: $(ls -A "$app" | xargs)"; }
# check_ini KEY=VALUE...: the settings file is, byte for byte, the program's defaults but for these.
check_ini() {
  rm -f "$work/Hoardium.ini" && drive ini "$work" PeekOpen=0 "$@" && cmp "$ini" "$work/Hoardium.ini" || fail "the settings file is not the defaults with $*"
}
# Names, sizes and contents of everything the program keeps beside itself.
snapshot() { (cd "$app" && find . -path ./Hoardium.exe -prune -o -type f -print | sort | xargs -r md5sum); }
start_app() {
  # A window left by another run would make this start end at once as a second instance.
  drive wait-gone 10000 || fail "another history window is still up"
  "$HOARDIUM_WINE" "$app/Hoardium.exe" >"$logs/hoardium.log" 2>&1 </dev/null & app_pid=$!
  drive wait-window 20000 || fail "no history window"
}
stop_app() { drive exit 20000 && wait "$app_pid" && app_pid= || fail "the program did not end cleanly on Exit"; }

# Two runs of a session. The first, without a settings file, starts hidden, keeps copies
# newest first but not what was on the clipboard before it, ignores a second start, finds a
# row by a typed letter, pastes by hotkey into another program, keeps a 64 MB text byte for
# byte and previews it while it answers, and places itself beside a corner of the work area.
# The second finds every byte kept and, under keep until exit, leaves only its settings.
scenario_sessions() {
  head -c $((64 << 20)) /dev/urandom | tr '\0-\377' "$(printf 'a-z%.0s' {1..10})" | fold -w 77 | sed 's/$/\r/' >"$work/big"
  printf "$(printf '\\%03o' {1..255})" >"$work/bytes"
  put before 'on the clipboard before the start' abc 'abc' banana $'Banana\r\nby hotkey' last 'gone after exit' \
    lines $'first line\r\n\tsecond line\r\n' small 'newer than the big one' breaks $'\r\n\n\r\r\n\n\n' eof $'before\x1aafter'
  drive copy "$work/before" || fail "nothing to put on the clipboard"
  start_app
  drive is-visible && fail "the window must start hidden"
  copy abc banana lines abc   # abc again: moves to the top
  local before l t r b x y shown
  before=$(snapshot)
  timeout 20 "$HOARDIUM_WINE" "$app/Hoardium.exe" >"$logs/second.log" 2>&1 </dev/null || fail "the second start exited with $?"
  [ "$(snapshot)" = "$before" ] || fail "the second start changed the files"
  drive is-visible && fail "the second start brought up the window"
  drive send 1024 0 513 && drive key 0x42 || fail "no history window to type into"   # a click on the tray icon, then B
  drive wait-selected 2 5000 || fail "B did not select the row of Banana"
  drive paste-target 3 "$work/banana" 10000 || fail "Ctrl+Numpad3 did not paste the third newest item"
  drive on-top "$work/banana" "$index" 5000 || fail "the pasted item did not move to the top"
  copy big small
  copy_back_row_1 big
  shown=$(drive_out send 14 0 0 41) || fail "the program stopped answering"   # WM_GETTEXTLENGTH of the preview
  ((shown > 100000 && shown < 400000)) || fail "the preview pane holds $shown bytes"
  copy bytes breaks eof
  stop_app
  check eof breaks bytes big small banana abc lines
  beside Hoardium.data Hoardium.exe Hoardium.ini
  eval "$(sed -n 's/^Win\([XY]\) = \(-\{0,1\}[0-9]*\)\r$/\L\1\E=\2/p' "$ini")"   # x=WinX y=WinY
  read -r l t r b < <(drive_out work-area)
  [ "$x" = $((l + 10)) ] || [ "$x" = $((r - 330)) ] || fail "WinX $x is not beside a corner of $l $t $r $b"
  [ "$y" = $((t + 10)) ] || [ "$y" = $((b - 250)) ] || fail "WinY $y is not beside a corner of $l $t $r $b"
  check_ini WinX="$x" WinY="$y"
  drive ini "$app" KeepPolicy=2 PauseState=1   # a pause not to be restored: capture runs, and it is written back off
  start_app
  check eof breaks bytes big small banana abc lines
  copy_back_row_1 breaks
  copy last
  stop_app
  beside Hoardium.exe Hoardium.ini
  check_ini WinX="$x" WinY="$y" KeepPolicy=2
}

# Kills the program with SIGKILL while it deletes and captures, twenty times over a history
# of 20 000 items: each time the files on disk must be whole, and the next start must show
# every text but the deleted ones, also the one copied just before the kill, and, once the
# starts have settled, leave no file that no record names.
scenario_crash_kills() {
  local kill n=20000 counts feeder
  drive_out store "$data" "$n" | awk -F'\t' -v d="$data" '{ f = d "/" $1; printf "%s", $2 >f; close(f); print $2 }' >"$work/stored"
  [ "$(wc -l <"$work/stored")" = "$n" ] || fail "no stored history"
  : >"$work/fed"; : >"$work/deleted"; : >"$work/recovered"
  for kill in {1..20}; do
    start_app
    drive wait-rows "$n" 20000 || fail "the list does not show the $n items before kill $kill"
    drive delete "$data" $((RANDOM % 5)) "$work/deleted" 10000 || fail "the deleted item stayed in the index"
    "$HOARDIUM_WINE" "$driver" feed "run $kill text " "$index" "$work/fed" >>"$logs/feed.log" 2>&1 </dev/null & feeder=$!
    drive fed "$work/fed" $(($(wc -l <"$work/fed") + 1 + RANDOM % 5)) 30000 || fail "the feeder stalled"
    sleep "0.0$((RANDOM % 10))"   # spreads the kills over the whole of a capture
    kill -9 "$app_pid" || fail "the program ended before kill $kill"
    { wait "$app_pid"; } 2>/dev/null || app_pid=
    wait "$feeder" || fail "the feeder failed after kill $kill"
    counts=$(drive_out check-store "$work" "$data") && read -r n _ <<<"$counts" || fail "after kill $kill:"
  done
  start_app
  drive wait-rows "$n" 20000 || fail "the list does not show the $n items after the last kill"
  stop_app
  counts=$(drive_out check-store "$work" "$data" settled) || fail "after the last start:"
  echo "rows, texts checked, lost: $counts; deleted $(wc -l <"$work/deleted"); copied just before a kill and kept $(wc -l <"$work/recovered")"
}

declare -F "scenario_$scenario" >/dev/null || fail "no such scenario"
"scenario_$scenario"
echo "ok $scenario"
