#!/usr/bin/env bash
# Runs the built program as a user would, from a fresh folder of its own, under Wine; the
# driver plays the user's part and reads the stored files with the program's own code.
# usage: scenarios.sh HOARDIUM_EXE DRIVER_EXE SCENARIO
set -euo pipefail
exe=$(realpath "$1") driver=$(realpath "$2") scenario=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine_env.sh"
export LC_ALL=C
own_display=
if [ -z "${DISPLAY:-}" ]; then
  . "$root/scripts/virtual_display.sh"
  start_virtual_display
  own_display=1
fi
wine_prefix_ready
work=$(mktemp -d "${TMPDIR:-/tmp}/hoardium-e2e.XXXXXX")
app=$work/app logs=$work/logs
data=$app/Hoardium.data ini=$app/Hoardium.ini index=$app/Hoardium.data/__reg__
mkdir "$app" "$logs"
cp "$exe" "$app/Hoardium.exe"
cd "$work"   # not the program's folder: it must find its files beside itself
app_pid= t_start= t_end=
# Keeps Wine's desktop open across the program's restarts (see the driver's hold-desktop).
"$HOARDIUM_WINE" "$driver" hold-desktop >>"$logs/keeper.log" 2>&1 </dev/null &
keeper_pid=$!
finish() {
  local rc=$?
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  { kill "$keeper_pid" && wait "$keeper_pid"; } 2>/dev/null || true
  [ -n "$own_display" ] && { wineserver -k >/dev/null 2>&1; kill "$HOARDIUM_XVFB_PID" 2>/dev/null; }
  if [ "$rc" = 0 ]; then rm -rf "$work"; else echo "files kept in $work" >&2; fi
}
trap finish EXIT
fail() { echo "FAIL $scenario: $*" >&2; exit 1; }
# Wine's output goes to files: its helper processes would hold a pipe open.
drive() { "$HOARDIUM_WINE" "$driver" "$@" >>"$logs/driver.log" 2>&1 </dev/null; }
drive_out() { "$HOARDIUM_WINE" "$driver" "$@" 2>>"$logs/driver.log" </dev/null | tr -d '\r'; }
text() { printf '%s' "$2" >"$1"; }
copy() { drive copy "$1" "$index" "${2:-10000}" || fail "$1 did not reach the top of the index"; }
# Polls every 50 ms until the command succeeds, for at most ms milliseconds.
wait_until() {
  local end=$(($(date +%s%N) / 1000000 + $1))
  shift
  until "$@"; do
    (($(date +%s%N) / 1000000 < end)) || return 1
    sleep 0.05
  done
}
start_app() {
  # A window left by another run would make this start end at once as a second instance.
  drive wait-gone 10000 || fail "another history window is still up"
  t_start=$(date +%s)
  "$HOARDIUM_WINE" "$app/Hoardium.exe" >"$logs/hoardium.log" 2>&1 </dev/null &
  app_pid=$!
  drive wait-window 20000 || fail "no history window"
}
stop_app() {
  drive exit 20000 || fail "the window outlived the Exit command"
  wait "$app_pid" || fail "the program exited with $?"
  app_pid= t_end=$(date +%s)
}
# check_ini KEY=VALUE...: the settings file is, byte for byte, the program's defaults but for these.
check_ini() {
  rm -rf "$work/ini" && mkdir "$work/ini" && drive ini "$work/ini" PeekOpen=0 "$@"
  cmp "$ini" "$work/ini/Hoardium.ini" || fail "the settings file is not the defaults with $*"
}
setting() { sed -n "s/^$1 = \(-\{0,1\}[0-9]*\)\r\$/\1/p" "$ini"; }
# check_index FILE DISPLAY_TEXT ...: the index is, byte for byte, exactly these records,
# newest first, captured in this run, each naming an item file with the file's bytes; nothing
# else is in the data directory, and no work is left pending.
check_index() {
  local -a rec
  local i=0 name time names="__pending__ __reg__"
  mapfile -t rec < <(drive_out index "$data")
  : >"$work/expected.reg"
  while [ $# -gt 0 ]; do
    read -r name _ time _ <<<"${rec[i]:-}"
    [[ $name =~ ^[a-y0-8]{8}$ ]] && ((time >= t_start && time <= t_end)) || fail "record $i is ${rec[i]:-missing}"
    cmp "$data/$name" "$1" || fail "the item file of record $i does not hold $1"
    printf '%s %s %s\r\n%s\r\n' "$name" "$(drive_out hash "$1")" "$time" "$2" >>"$work/expected.reg"
    names+=" $name" i=$((i + 1))
    shift 2
  done
  cmp "$index" "$work/expected.reg" || fail "the index is not these records"
  [ "$(ls -A "$data" | sort | xargs)" = "$(xargs -n1 <<<"$names" | sort | xargs)" ] || fail "the data directory holds $(ls "$data")"
  [ -z "$(ls -A "$data/__pending__")" ] || fail "the store left $(ls "$data/__pending__") pending"
}
# store N: a history of N items as a previous run left it; their texts go to $work/stored.
store() {
  drive_out store "$data" "$1" | awk -F'\t' -v d="$data" '{ f = d "/" $1; printf "%s", $2 >f; close(f); print $2 }' >"$work/stored"
  [ "$(wc -l <"$work/stored")" = "$1" ] || fail "no stored history"
}
# Names, sizes and contents of everything the program keeps beside itself.
snapshot() { (cd "$app" && find . -path ./Hoardium.exe -prune -o -type f -print | sort | xargs -r md5sum); }

scenario_first_run() {
  start_app
  drive is-visible && fail "the window must start hidden"
  stop_app
  [ -e "$data" ] && fail "an empty history must leave no data directory"
  # First placement: 10 pixels inside a corner of the work area.
  local l t r b x=$(setting WinX) y=$(setting WinY)
  read -r l t r b < <(drive_out work-area)
  [ "$x" = $((l + 10)) ] || [ "$x" = $((r - 330)) ] || fail "WinX $x is not beside a corner of $l $t $r $b"
  [ "$y" = $((t + 10)) ] || [ "$y" = $((b - 250)) ] || fail "WinY $y is not beside a corner of $l $t $r $b"
  check_ini WinX="$x" WinY="$y"
}

# Copies are kept, newest first, also when capture was paused when the program last
# stopped: that pause is not restored. A second start leaves the first one alone.
scenario_capture() {
  printf 'PauseRestore = 0\r\nPauseState = 1\r\n' >"$ini"
  # Whatever is on the clipboard when the program starts is not a copy of this session.
  text "$work/before" 'on the clipboard before the start'
  drive set-text "$work/before" || fail "set-text"
  text "$work/abc" 'abc'
  text "$work/hello" 'Hello, world'
  text "$work/lines" $'first line\r\n\tsecond line\r\n'
  start_app
  for t in abc hello lines abc; do copy "$work/$t"; done   # abc again: moves to the top
  drive wait-rows 3 5000 || fail "the list does not show three rows"
  local before
  before=$(snapshot)
  timeout 20 "$HOARDIUM_WINE" "$app/Hoardium.exe" >"$logs/second.log" 2>&1 </dev/null || fail "the second start exited with $?"
  [ "$(snapshot)" = "$before" ] || fail "the second start changed the files"
  drive wait-window 0 || fail "the first instance ended"
  drive is-visible && fail "the second start brought up the window"
  stop_app
  check_index "$work/abc" 'abc' "$work/lines" $'first line \xb6 \xbb second line \xb6' "$work/hello" 'Hello, world'
  check_ini
}

# A stored history longer than MaxItems is cut to the newest at start, and under keep until
# exit everything beside the program goes at exit.
scenario_trim_keep_until_exit() {
  store 10
  text "$data/notes.txt" 'not named by the index'
  head -n 6 "$index" >"$work/expected.reg"
  printf 'MaxItems = 3\r\nKeepPolicy = 2\r\n' >"$ini"
  start_app
  drive wait-rows 3 5000 || fail "the list does not show the three newest items"
  cmp "$index" "$work/expected.reg" || fail "the index does not hold exactly the three newest records"
  [ "$(ls "$data" | sort | xargs)" = "$({ drive_out index "$data" | cut -d' ' -f1; echo __pending__ __reg__ notes.txt; } | xargs -n1 | sort | xargs)" ] \
    || fail "trimming left these files: $(ls "$data")"
  text "$work/one" 'gone after exit'
  copy "$work/one"
  stop_app
  [ -e "$data" ] && fail "keep until exit left $(ls -A "$data")"
  check_ini MaxItems=3 KeepPolicy=2
}

# Real key presses: a letter typed into the shown list selects the next row starting with it;
# Ctrl+Numpad2 in another program pastes the second newest item there and moves it up.
scenario_keys() {
  text "$work/a" 'apple'
  text "$work/b" $'Banana\r\nby hotkey'
  text "$work/c" 'cherry'
  start_app
  for t in a b c; do copy "$work/$t"; done
  drive send 1024 0 513 || fail "no history window to show"   # a click on the tray icon
  drive key 0x42 || fail "the key press was not sent"
  drive wait-selected 1 5000 || fail "B did not select the row of Banana"
  drive paste-target 2 "$work/b" 10000 || fail "the text box did not receive the item"
  drive wait-front "$work/b" "$index" 5000 || fail "the pasted item did not move to the top"
  stop_app
  check_index "$work/b" $'Banana \xb6 by hotkey' "$work/c" 'cherry' "$work/a" 'apple'
}

# Copies the item of row 1 back and checks the clipboard then holds exactly this file's bytes.
copy_back_row_1() {
  drive post 1024 1 670 || fail "no history window to copy from"
  drive wait-front "$1" "$index" 60000 || fail "the copied-back item did not move up"
  drive get-text "$work/got" && cmp "$work/got" "$1" || fail "the clipboard does not hold the bytes of $1"
}

# A 64 MB text is kept and copied back byte for byte and previewed without freezing the
# program; every byte value, bare line breaks and the old end-of-file byte survive a restart.
scenario_big_inputs() {
  python3 - "$work" <<'PY'
import os, sys
w = sys.argv[1]
letters = bytes(range(97, 123)) * 10
body = bytearray(os.urandom(64 << 20).translate(bytes(letters[i % len(letters)] for i in range(256))))
body[377::79] = b"\r" * len(body[377::79])
body[378::79] = b"\n" * len(body[378::79])
open(os.path.join(w, "big"), "wb").write(body)
open(os.path.join(w, "bytes"), "wb").write(bytes(range(1, 256)))
open(os.path.join(w, "breaks"), "wb").write(b"\r\n\n\r\r\n\n\n")
open(os.path.join(w, "eof"), "wb").write(b"before\x1aafter")
PY
  text "$work/small" 'newer than the big one'
  start_app
  copy "$work/big" 60000
  copy "$work/small"
  copy_back_row_1 "$work/big"
  local shown t
  shown=$(drive_out preview-length 5000)
  ((shown > 100000 && shown < 400000)) || fail "the preview pane holds '$shown' bytes or stopped answering"
  for t in bytes breaks eof; do copy "$work/$t"; done
  stop_app
  start_app
  drive wait-rows 5 10000 || fail "the five items are not shown after a restart"
  drive_out index "$data" >"$work/records"
  [ "$(sed -n 4p "$work/records" | cut -d' ' -f4-)" = "$(head -c 200 "$work/big")  [...]" ] \
    || fail "the big text's display text is not its first 200 bytes and the cut marker"
  for t in big bytes breaks eof; do
    cmp "$data/$(awk -v h="$(drive_out hash "$work/$t")" '$2 == h { print $1 }' "$work/records")" "$work/$t" \
      || fail "the item file of $t changed across the restart"
  done
  copy_back_row_1 "$work/breaks"
  stop_app
}

fed_at_least() { [ "$(wc -l <"$work/fed")" -ge "$1" ]; }
pending_is_empty() { [ -z "$(ls -A "$data/__pending__")" ]; }
victim_is_gone() { ! drive_out index "$data" | cut -d' ' -f4- | grep -qxF "$victim"; }

# Kills the program with SIGKILL while it deletes and captures, twenty times over a history
# of 20 000 items: each time the files on disk must be whole, and the next start must show
# every text but the deleted ones, also the one copied just before the kill, and leave no
# file of a deleted item and, at the end, no file that no record names.
scenario_crash_kills() {
  local kills=0 n=20000 row victim feeder counts checked lost
  store "$n"
  : >"$work/fed"; : >"$work/deleted"; : >"$work/written"; : >"$work/recovered"
  while ((kills < 20)); do
    start_app
    drive wait-rows "$n" 20000 || fail "the list does not show the $n stored items after kill $kills"
    wait_until 10000 pending_is_empty || fail "the start after kill $kills left $(ls "$data/__pending__") pending"
    row=$((RANDOM % 5))
    victim=$(drive_out index "$data" | sed -n "$((row + 1))p" | cut -d' ' -f4-)
    echo "$victim" >>"$work/deleted"
    drive post 1024 "$row" 667 || fail "no history window to delete from"
    wait_until 10000 victim_is_gone || fail "the deleted item stayed in the index"
    "$HOARDIUM_WINE" "$driver" feed "run $kills text " 100000 "$index" "$work/fed" >>"$logs/feed.log" 2>&1 </dev/null &
    feeder=$!
    wait_until 30000 fed_at_least $(($(wc -l <"$work/fed") + 1 + RANDOM % 5)) || fail "the feeder stalled"
    sleep "0.0$((RANDOM % 10))"   # spreads the kills over the whole of a capture
    kill -9 "$(pgrep -xf "$app/Hoardium.exe")" || fail "no Wine process runs the program"
    { wait "$app_pid"; } 2>/dev/null || true
    app_pid=
    drive wait-gone 10000 || fail "the window outlived kill $kills"
    wait "$feeder" || fail "the feeder failed after kill $kills"
    kills=$((kills + 1))
    counts=$(drive_out check-store "$data" "$work/deleted" "$work/written" "$work/stored" "$work/fed" "$work/recovered")
    read -r n checked lost <<<"$counts"
    [ "${lost:-1}" = 0 ] || fail "after kill $kills: $counts $(tail -n 1 "$logs/driver.log")"
    cat "$work/written" >>"$work/recovered"
  done
  start_app
  drive wait-rows "$n" 20000 || fail "the list does not show the $n items after the last kill"
  stop_app
  counts=$(drive_out check-store "$data" "$work/deleted" - "$work/stored" "$work/fed" "$work/recovered")
  read -r n checked lost <<<"$counts"
  [ "${lost:-1}" = 0 ] || fail "after the last start: $counts $(tail -n 1 "$logs/driver.log")"
  echo "kills survived $kills, texts checked $checked, lost $lost, deleted $(wc -l <"$work/deleted")," \
    "copied just before a kill and kept $(wc -l <"$work/recovered")"
}

declare -F "scenario_$scenario" >/dev/null || fail "no such scenario"
"scenario_$scenario"
echo "ok $scenario"
