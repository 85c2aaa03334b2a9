# Sourced by scenarios.sh: a private folder with a copy of the program, Wine in the build's
# own prefix, the driver, and the checks of the stored files.
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
data=$app/Hoardium.data ini=$app/Hoardium.ini
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
  if [ -n "$own_display" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$HOARDIUM_XVFB_PID" 2>/dev/null || true
  fi
  if [ "$rc" = 0 ]; then rm -rf "$work"; else echo "files kept in $work" >&2; fi
}
trap finish EXIT

fail() { echo "FAIL $scenario: $*" >&2; exit 1; }

# Wine's output goes to files: its helper processes would hold a pipe open.
drive() { "$HOARDIUM_WINE" "$driver" "$@" >>"$logs/driver.log" 2>&1 </dev/null; }
drive_out() {
  "$HOARDIUM_WINE" "$driver" "$@" >"$logs/driver.out" 2>>"$logs/driver.log" </dev/null || fail "driver $*"
  tr -d '\r' <"$logs/driver.out"
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
  local rc=0
  drive exit 20000 || fail "the window outlived the Exit command"
  wait "$app_pid" || rc=$?
  app_pid= t_end=$(date +%s)
  [ "$rc" = 0 ] || fail "the program exited with $rc"
}

text() { printf '%s' "$2" >"$1"; }

# The program's text hash: djb2 over the bytes taken as signed chars.
djb2() {
  local h=5381 c
  for c in $(od -An -v -tu1 "$1"); do
    ((c > 127)) && ((c -= 256))
    h=$(((h * 33 + c) & 0xFFFFFFFF))
  done
  echo "$h"
}

# Polls every 50 ms until the command succeeds, for at most ms milliseconds.
wait_until() {
  local end=$(($(date +%s%N) / 1000000 + $1))
  shift
  until "$@"; do
    (($(date +%s%N) / 1000000 < end)) || return 1
    sleep 0.05
  done
}

front_hash_is() { [ -f "$data/__reg__" ] && head -n 1 "$data/__reg__" | grep -q "^[^ ]* $1 "; }

# Puts a file's bytes on the clipboard and waits until the index's newest record is that text.
copy() {
  drive set-text "$1" || fail "set-text $1"
  wait_until 10000 front_hash_is "$(djb2 "$1")" || fail "$1 did not reach the top of the index"
}

# check_index TEXT_FILE DISPLAY_TEXT ...: the index holds exactly these records, newest
# first, each naming an item file with the text's bytes; nothing else is in the directory,
# and the store has no work left pending.
check_index() {
  local -a lines
  local i=0 n=$(($# / 2)) names="__reg__" head re='^([a-y0-8]{8}) ([0-9]+) (-?[0-9]+)'$'\r''$'
  mapfile -t lines <"$data/__reg__"
  [ "${#lines[@]}" = $((2 * n)) ] || fail "the index has ${#lines[@]} lines, not $((2 * n))"
  [ "$(tail -c 2 "$data/__reg__" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "the index does not end with CR LF"
  while [ $# -gt 0 ]; do
    head=${lines[2 * i]}
    [[ $head =~ $re ]] || fail "record $i starts with a malformed line: $head"
    [ "${BASH_REMATCH[2]}" = "$(djb2 "$1")" ] || fail "record $i has hash ${BASH_REMATCH[2]}"
    ((BASH_REMATCH[3] >= t_start && BASH_REMATCH[3] <= t_end)) || fail "record $i has time ${BASH_REMATCH[3]}"
    cmp "$data/${BASH_REMATCH[1]}" "$1" || fail "item file of record $i does not hold the copied bytes"
    [ "${lines[2 * i + 1]}" = "$2"$'\r' ] || fail "record $i has display text ${lines[2 * i + 1]}"
    names+=" ${BASH_REMATCH[1]}"
    i=$((i + 1))
    shift 2
  done
  [ "$(data_files)" = "$(tr ' ' '\n' <<<"$names" | sort | tr '\n' ' ')" ] \
    || fail "the data directory holds $(ls "$data")"
  [ -z "$(ls -A "$data/__pending__")" ] || fail "the store left $(ls "$data/__pending__") pending"
}

# The data directory's files, sorted, on one line.
data_files() { find "$data" -maxdepth 1 -type f -printf '%f\n' | sort | tr '\n' ' '; }

# The settings file as the program writes it: every key in byte order, CR LF line ends.
expected_ini() {
  local -A v=([EnableHotkeys]=1 [GridLines]=0 [KeepPolicy]=3 [LangID]=0 [MaxItems]=100000 [MonoFont]=0
    [PauseRestore]=0 [PauseState]=0 [PeekOpen]=0 [StayOnTop]=1 [Timestamps]=0 [ToolbarOpen]=1
    [WinH]=240 [WinW]=320 [WinX]=0 [WinY]=0)
  local kv k
  for kv in "$@"; do v[${kv%%=*}]=${kv#*=}; done
  for k in EnableHotkeys GridLines KeepPolicy LangID MaxItems MonoFont PauseRestore PauseState PeekOpen \
    StayOnTop Timestamps ToolbarOpen WinH WinW WinX WinY; do
    printf '%s = %s\r\n' "$k" "${v[$k]}"
  done
}

setting() { sed -n "s/^$1 = \(-\{0,1\}[0-9]*\)\r\$/\1/p" "$ini"; }

# Names, sizes and contents of everything the program keeps beside itself.
snapshot() { (cd "$app" && find . -path ./Hoardium.exe -prune -o -type f -print | sort | xargs -r md5sum); }

run_scenario() {
  declare -F "scenario_$1" >/dev/null || fail "no such scenario"
  "scenario_$1"
  echo "ok $1"
}

# A stored history of n items, newest first, as a previous run would have left it;
# the texts go to a list, one a line, for check_store.
make_store() {
  python3 - "$data" "$1" "$2" <<'PY'
import os, random, sys, time
data, n, listing = sys.argv[1], int(sys.argv[2]), sys.argv[3]
os.makedirs(data, exist_ok=True)
chars, names, now = "abcdefghijklmnopqrstuvwxy012345678", set(), int(time.time())
index, texts = [], []
while len(names) < n:
    names.add("".join(random.choice(chars) for _ in range(8)))
for i, name in enumerate(sorted(names)):
    t = "stored item %d" % i
    open(os.path.join(data, name), "wb").write(t.encode())
    h = 5381
    for c in t.encode():
        h = (h * 33 + c) & 0xFFFFFFFF
    index.append("%s %d %d\r\n%s\r\n" % (name, h, now - i, t))
    texts.append(t + "\n")
open(os.path.join(data, "__reg__"), "wb").write("".join(index).encode())
open(listing, "w").write("".join(texts))
PY
}

# check_store DELETED_LIST TEXT_LIST... : every index record parses and names an item file
# holding the text of its hash; every listed text has a record, unless it was deleted;
# no deleted text is left in any file; and a text the program wrote to a file of its own
# that the index does not name yet (copied just before a kill) goes to $work/written, for
# the next start to show. Prints the record count, the texts checked and the texts lost.
check_store() {
  python3 - "$data" "$work/written" "$@" <<'PY'
import os, re, sys
data, written_list, deleted_list, lists = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
def djb2(b):
    h = 5381
    for c in b:
        h = (h * 33 + (c - 256 if c > 127 else c)) & 0xFFFFFFFF
    return h
def fail(why):
    sys.exit("store: " + why)
def lines_of(f):
    return [t.encode() for t in open(f).read().splitlines()] if os.path.exists(f) else []
# A start reads an index still waiting in the pending folder first: it is the newer.
pending = os.path.join(data, "__pending__", "__reg__")
raw = open(pending if os.path.exists(pending) else os.path.join(data, "__reg__"), "rb").read()
if raw and not raw.endswith(b"\r\n"): fail("the index does not end with CR LF")
lines = raw[:-2].split(b"\r\n") if raw else []
if len(lines) % 2: fail("a record lacks its display line")
records, named = set(), set()
for i in range(0, len(lines), 2):
    m = re.fullmatch(rb"([a-y0-8]{8}) (\d+) (-?\d+)", lines[i])
    if not m or b"\n" in lines[i + 1]: fail("record %d is malformed: %r" % (i // 2, lines[i]))
    name, h = m[1].decode(), int(m[2])
    path = os.path.join(data, name)
    if not os.path.exists(path) or djb2(open(path, "rb").read()) != h:
        fail("record %d (%s) has no whole item file" % (i // 2, name))
    records.add((h, lines[i + 1]))
    named.add(name)
deleted = set(lines_of(deleted_list))
written = []
for name in os.listdir(data):
    path = os.path.join(data, name)
    if not os.path.isfile(path) or name == "__reg__": continue
    text = open(path, "rb").read()
    if text in deleted: fail("the deleted text %r is still in %s" % (text, name))
    if name not in named and re.fullmatch(rb"run \d+ text \d+", text): written.append(text)
open(written_list, "w").write("".join(t.decode() + "\n" for t in written))
if any((djb2(t), t) in records for t in deleted): fail("a deleted text still has a record")
texts = [t for f in lists for t in lines_of(f) if t not in deleted]
lost = [t for t in texts if (djb2(t), t) not in records]
print(len(lines) // 2 + len(written), len(texts), len(lost))
if lost: fail("lost %r" % lost[:5])
PY
}

# The row of the record with this hash, counted from the newest.
row_of() { awk -v h="$1" 'NR % 2 && $2 == h { print (NR - 1) / 2; exit }' "$data/__reg__"; }
