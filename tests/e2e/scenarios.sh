#!/usr/bin/env bash
# Runs the built program as a user would, from a fresh folder of its own, under Wine;
# the driver plays the user's part. Checks what the program leaves on disk, byte for byte.
# usage: scenarios.sh HOARDIUM_EXE DRIVER_EXE SCENARIO
set -euo pipefail
exe=$(realpath "$1") driver=$(realpath "$2") scenario=$3
paste_target=$(dirname "$driver")/paste_target.exe
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/e2e/lib.sh"

scenario_first_run() {
  start_app
  drive is-visible && fail "the window must start hidden"
  stop_app
  [ -e "$data" ] && fail "an empty history must leave no data directory"
  # First placement: 10 pixels inside a corner of the work area.
  local l t r b x y
  read -r l t r b < <(drive_out work-area)
  x=$(setting WinX) y=$(setting WinY)
  [ "$x" = $((l + 10)) ] || [ "$x" = $((r - 330)) ] || fail "WinX $x is not beside a corner of $l $t $r $b"
  [ "$y" = $((t + 10)) ] || [ "$y" = $((b - 250)) ] || fail "WinY $y is not beside a corner of $l $t $r $b"
  expected_ini WinX="$x" WinY="$y" >"$work/expected.ini"
  cmp "$ini" "$work/expected.ini" || fail "the settings file is not the sixteen default lines"
}

scenario_capture() {
  # Whatever is on the clipboard when the program starts is not a copy of this session.
  text "$work/before" 'on the clipboard before the start'
  drive set-text "$work/before" || fail "set-text"
  text "$work/abc" 'abc'
  text "$work/hello" 'Hello, world'
  text "$work/lines" $'first line\r\n\tsecond line\r\n'
  start_app
  copy "$work/abc"
  copy "$work/hello"
  copy "$work/lines"
  copy "$work/abc"   # known already: moves to the top, no new item file
  drive wait-rows 3 5000 || fail "the list does not show three rows"
  stop_app
  [ "$(djb2 "$work/abc")" = 193485963 ] || fail "the hash helper disagrees with the known hash of abc"
  check_index "$work/abc" 'abc' "$work/lines" $'first line \xb6 \xbb second line \xb6' "$work/hello" 'Hello, world'
  expected_ini WinX="$(setting WinX)" WinY="$(setting WinY)" >"$work/expected.ini"
  cmp "$ini" "$work/expected.ini" || fail "the settings file changed beyond the first placement"
}

scenario_second_instance() {
  text "$work/one" 'kept while a second copy starts'
  start_app
  copy "$work/one"
  local before rc=0
  before=$(snapshot)
  timeout 20 "$HOARDIUM_WINE" "$app/Hoardium.exe" >"$logs/second.log" 2>&1 </dev/null || rc=$?
  [ "$rc" = 0 ] || fail "the second start exited with $rc"
  [ "$(snapshot)" = "$before" ] || fail "the second start changed the files"
  drive wait-window 0 || fail "the first instance ended"
  drive is-visible && fail "the second start brought up the window"
  stop_app
  check_index "$work/one" 'kept while a second copy starts'
}

scenario_trim_at_start() {
  mkdir -p "$data"
  local i name
  : >"$work/stored"
  for i in 0 1 2 3 4 5 6 7 8 9; do
    name=itemaaa$(printf "\\x$(printf %x $((97 + i)))")
    text "$data/$name" "stored text $i"
    printf '%s %s %s\r\nstored text %s\r\n' "$name" "$(djb2 "$data/$name")" $((1700000000 - i * 60)) "$i" >>"$work/stored"
  done
  cp "$work/stored" "$data/__reg__"
  text "$data/notes.txt" 'not named by the index'
  printf 'MaxItems = 3\r\n' >"$ini"
  start_app
  drive wait-rows 3 5000 || fail "the list does not show the three newest items"
  head -n 6 "$work/stored" >"$work/expected.reg"
  cmp "$data/__reg__" "$work/expected.reg" || fail "the index does not hold exactly the three newest records"
  [ "$(data_files)" = "__reg__ itemaaaa itemaaab itemaaac notes.txt " ] \
    || fail "trimming left these files: $(ls "$data")"
  stop_app
  cmp "$data/__reg__" "$work/expected.reg" || fail "the index changed at exit"
  expected_ini MaxItems=3 >"$work/expected.ini"
  cmp "$ini" "$work/expected.ini" || fail "the settings file does not keep MaxItems 3"
}

scenario_keep_until_exit() {
  mkdir -p "$data"
  text "$data/storedaa" 'from the last run'
  printf 'storedaa %s 1700000000\r\nfrom the last run\r\n' "$(djb2 "$data/storedaa")" >"$data/__reg__"
  printf 'KeepPolicy = 2\r\n' >"$ini"
  text "$work/one" 'gone after exit'
  start_app
  drive wait-rows 1 5000 || fail "the stored item is not shown"
  copy "$work/one"
  stop_app
  [ -e "$data" ] && fail "keep until exit left $(ls -A "$data")"
  expected_ini KeepPolicy=2 >"$work/expected.ini"
  cmp "$ini" "$work/expected.ini" || fail "the settings file does not keep KeepPolicy 2"
}

scenario_pause_not_restored() {
  printf 'PauseRestore = 0\r\nPauseState = 1\r\n' >"$ini"
  text "$work/one" 'captured although paused last time'
  start_app
  copy "$work/one"
  stop_app
  check_index "$work/one" 'captured although paused last time'
  expected_ini >"$work/expected.ini"
  cmp "$ini" "$work/expected.ini" || fail "PauseState is not written back as 0"
}

# Ctrl+Numpad2 in another program pastes the second newest item there and moves it up.
scenario_paste_by_hotkey() {
  text "$work/older" $'pasted\r\nby hotkey'
  text "$work/newer" 'newest'
  start_app
  copy "$work/older"
  copy "$work/newer"
  "$HOARDIUM_WINE" "$paste_target" 2 "$work/older" 10000 >"$logs/paste.log" 2>&1 </dev/null \
    || fail "the text box did not receive the item"
  wait_until 5000 front_hash_is "$(djb2 "$work/older")" || fail "the pasted item did not move to the top"
  stop_app
  check_index "$work/older" $'pasted \xb6 by hotkey' "$work/newer" 'newest'
}

# A letter typed on the keyboard into the shown list selects the next row starting with it.
scenario_type_to_find() {
  text "$work/a" 'apple'
  text "$work/b" 'Banana'
  text "$work/c" 'cherry'
  start_app
  for t in a b c; do copy "$work/$t"; done
  drive send 1024 0 513 || fail "no history window to show"   # a click on the tray icon
  drive key 0x42 || fail "the key press was not sent"
  drive wait-selected 1 5000 || fail "B did not select the row of Banana"
  stop_app
}

# Waits until the index's newest record is the text of this file, hashed by the driver.
copy_big() {
  drive set-text "$1" || fail "set-text $1"
  local h
  h=$(drive_out hash "$1")
  wait_until 60000 front_hash_is "$h" || fail "$1 did not reach the top of the index"
}

# Copies the item of row 1 back and checks the clipboard then holds exactly this file's bytes.
copy_back_row_1() {
  drive post 1024 1 670 || fail "no history window to copy from"
  wait_until 60000 front_hash_is "$(drive_out hash "$1")" || fail "the copied-back item did not move up"
  drive get-text "$work/got" || fail "the clipboard holds no text"
  cmp "$work/got" "$1" || fail "the clipboard does not hold the bytes of $1"
}

# A 64 MB text is kept and copied back byte for byte and previewed without freezing the
# program; every byte value, bare line breaks and the old end-of-file byte survive a restart.
scenario_big_inputs() {
  python3 - "$work" <<'PY'
import os, sys
w = sys.argv[1]
letters = bytes(range(97, 123)) * 10
table = bytes(letters[i % len(letters)] for i in range(256))
body = os.urandom(64 << 20).translate(table)
line = bytearray(body[:300])
rest = bytearray(body[300:])
rest[77::79] = b"\r" * len(rest[77::79])
rest[78::79] = b"\n" * len(rest[78::79])
open(os.path.join(w, "big"), "wb").write(bytes(line + rest)[:64 << 20])
open(os.path.join(w, "bytes"), "wb").write(bytes(range(1, 256)))
open(os.path.join(w, "breaks"), "wb").write(b"\r\n\n\r\r\n\n\n")
open(os.path.join(w, "eof"), "wb").write(b"before\x1aafter")
PY
  text "$work/small" 'newer than the big one'
  start_app
  copy_big "$work/big"
  copy "$work/small"
  copy_back_row_1 "$work/big"
  drive responsive 5000 || fail "the program stopped answering while it previewed the big text"
  local shown
  shown=$(drive_out preview-length 5000) || fail "the preview pane stayed empty"
  ((shown > 100000 && shown < 400000)) || fail "the preview pane holds $shown bytes"
  for t in bytes breaks eof; do copy "$work/$t"; done
  stop_app
  start_app
  drive wait-rows 5 10000 || fail "the five items are not shown after a restart"
  [ "$(sed -n 8p "$data/__reg__")" = "$(head -c 200 "$work/big")  [...]"$'\r' ] \
    || fail "the big text's display text is not its first 200 bytes and the cut marker"
  local t name
  for t in big bytes breaks eof; do
    name=$(awk -v h="$(drive_out hash "$work/$t")" 'NR % 2 && $2 == h { print $1 }' "$data/__reg__")
    cmp "$data/$name" "$work/$t" || fail "the item file of $t changed across the restart"
  done
  copy_back_row_1 "$work/breaks"
  stop_app
}

fed_at_least() { [ "$(wc -l <"$work/fed")" -ge "$1" ]; }

pending_is_empty() { [ -z "$(ls -A "$data/__pending__")" ]; }

# Kills the program with SIGKILL while it deletes and captures, twenty times over a history
# of 20 000 items: each time the files on disk must be whole, and the next start must show
# every text but the deleted ones, also the one copied just before the kill, and leave no
# file of a deleted item and no file that no record names.
scenario_crash_kills() {
  local kills=0 n=20000 pid feeder counts checked lost row victim
  make_store "$n" "$work/stored"
  : >"$work/fed"
  : >"$work/deleted"
  : >"$work/recovered"
  while ((kills < 20)); do
    start_app
    drive wait-rows "$n" 20000 || fail "the list does not show the $n stored items after kill $kills"
    wait_until 10000 pending_is_empty || fail "the start after kill $kills left $(ls "$data/__pending__") pending"
    check_store "$work/deleted" "$work/stored" "$work/fed" "$work/written" >/dev/null || fail "after the start after kill $kills"
    [ "$(data_files)" = "$(awk 'NR % 2 { print $1 }' "$data/__reg__" | cat - <(echo __reg__) | sort | tr '\n' ' ')" ] \
      || fail "files that no record names after kill $kills: $(comm -23 <(ls "$data" | sort) <(awk 'NR % 2 { print $1 }' "$data/__reg__" | sort) | head -5)"
    row=$((RANDOM % 5))
    victim=$(sed -n "$((2 * row + 2))p" "$data/__reg__" | tr -d '\r')
    echo "$victim" >>"$work/deleted"
    drive post 1024 "$row" 667 || fail "no history window to delete from"
    wait_until 10000 eval '! grep -qx "$victim"$'"'"'\r'"'"' "$data/__reg__"' || fail "the deleted item stayed in the index"
    "$HOARDIUM_WINE" "$driver" feed "run $kills text " 100000 "$data/__reg__" "$work/fed" >>"$logs/feed.log" 2>&1 </dev/null &
    feeder=$!
    wait_until 30000 fed_at_least $(($(wc -l <"$work/fed") + 1 + RANDOM % 5)) || fail "the feeder stalled"
    sleep "0.0$((RANDOM % 10))"   # spreads the kills over the whole of a capture
    pid=$(pgrep -xf "$app/Hoardium.exe") || fail "no Wine process runs the program"
    kill -9 "$pid"
    { wait "$app_pid"; } 2>/dev/null || true
    app_pid=
    drive wait-gone 10000 || fail "the window outlived kill $kills"
    wait "$feeder" || fail "the feeder failed after kill $kills"
    kills=$((kills + 1))
    counts=$(check_store "$work/deleted" "$work/stored" "$work/fed") || fail "after kill $kills"
    n=${counts%% *}
    cat "$work/written" >>"$work/recovered"
  done
  start_app
  drive wait-rows "$n" 20000 || fail "the list does not show the $n items after the last kill"
  stop_app
  counts=$(check_store "$work/deleted" "$work/stored" "$work/fed" "$work/written") || fail "after the last start"
  read -r n checked lost <<<"$counts"
  echo "kills survived $kills, texts checked $checked, lost $lost, deleted $(wc -l <"$work/deleted")," \
    "copied just before a kill and kept $(wc -l <"$work/recovered")"
}

run_scenario "$scenario"
