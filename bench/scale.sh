#!/bin/bash
# Scale benchmark: the program under Wine with 1 000, 10 000 and 100 000 items,
# each step timed beside one plain read or write of the index's bytes.
#   bench/scale.sh [build dir]            (default build/scale-win32, or build/scale-win64
#                                          where this machine cannot start 32-bit programs)
# Environment: SCALE_SIZES="1000 10000 100000", SCALE_CAPTURES=50 (per size;
# SCALE_CAPTURES_LARGE for 100 000, default the same), SCALE_WORK (scratch folder,
# default build/scale-run), SCALE_DISPLAY (an X display already running; by default
# a virtual display of its own), WINEPREFIX (default build/scale-wineprefix, or
# build/scale-wineprefix64 for the 64-bit build).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
scale_prefix=${WINEPREFIX:-}
. "$root/scripts/wine_env.sh"
export WINEPREFIX=${scale_prefix:-$(dirname "$WINEPREFIX")/scale-$(basename "$WINEPREFIX")}
build=$(cd "${1:-$root/build/scale-$HOARDIUM_WINEARCH}" && pwd)
sizes=${SCALE_SIZES:-1000 10000 100000}
captures=${SCALE_CAPTURES:-50}
captures_large=${SCALE_CAPTURES_LARGE:-$captures}
for f in Hoardium.exe scale_probe.exe; do
  [ -f "$build/$f" ] || { echo "missing $build/$f (cmake --build $build)" >&2; exit 1; }
done

work=${SCALE_WORK:-$root/build/scale-run}
rm -rf "$work" && mkdir -p "$work"

. "$root/scripts/virtual_display.sh"
if [ -n "${SCALE_DISPLAY:-}" ]; then
  export DISPLAY=$SCALE_DISPLAY HOARDIUM_XVFB_PID=
else
  start_virtual_display || exit 1
fi
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$HOARDIUM_XVFB_PID" ] && kill "$HOARDIUM_XVFB_PID" 2>/dev/null
}
trap cleanup EXIT
wine_prefix_ready
"$HOARDIUM_WINE" wineboot >/dev/null 2>&1
wineserver -w

# The history: records "name hash time" and the display text, newest first, and
# one item file per record holding the same 200 bytes.
prepare() {
  python3 - "$1" "$2" <<'EOF'
import os, random, sys
d, n = sys.argv[1], int(sys.argv[2])
os.makedirs(d, exist_ok=True)
rnd = random.Random(n)
alphabet = "abcdefghijklmnopqrstuvwxy012345678"
names, now, out = set(), 1700000000, []
while len(names) < n:
    names.add("".join(rnd.choice(alphabet) for _ in range(8)))
for i, name in enumerate(sorted(names, key=lambda _: rnd.random())):
    head = "item %d of %d " % (i, n)
    text = (head + "".join(rnd.choice("abcdefghij klmnopqrstuvwxyz") for _ in range(200 - len(head)))).encode()
    h = 5381
    for b in text:
        h = (h * 33 + (b - 256 if b > 127 else b)) & 0xFFFFFFFF
    out.append(b"%s %d %d\r\n%s\r\n" % (name.encode(), h, now - i * 10, text))
    with open(os.path.join(d, name), "wb") as f:
        f.write(text)
with open(os.path.join(d, "__reg__"), "wb") as f:
    f.write(b"".join(out))
EOF
}

# The Unix side's peak for the program's process, as the kernel counts it.
watch_unix_peak() {
  local out=$1 folder=$2 pid="" hwm
  while :; do
    if [ -z "$pid" ]; then
      for p in $(pgrep -f 'Hoardium\.exe' 2>/dev/null); do
        # The probe names the program on its command line too, and the run over no
        # history has a program of its own; only the one in this size's folder counts.
        tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline" | grep -q scale_probe && continue
        tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline" | grep -Eq "[/\\\\]$folder[/\\\\]Hoardium\.exe" || continue
        grep -qz "^WINEPREFIX=$WINEPREFIX\$" "/proc/$p/environ" 2>/dev/null && { pid=$p; break; }
      done
    elif [ -r "/proc/$pid/status" ]; then
      hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
      [ -n "$hwm" ] && echo "$hwm" >"$out"
    else
      return
    fi
    sleep 0.2
  done
}

# The same program over no history at all: the floor of starting it under Wine.
empty=$work/empty
mkdir -p "$empty"
cp "$build/Hoardium.exe" "$empty/"
printf 'EnableHotkeys = 0\r\n' >"$empty/Hoardium.ini"
emptyexe="Z:$(echo "$empty/Hoardium.exe" | tr / '\\')"

for n in $sizes; do
  dir=$work/$n
  mkdir -p "$dir"
  cp "$build/Hoardium.exe" "$dir/"
  printf 'EnableHotkeys = 0\r\n' >"$dir/Hoardium.ini"
  echo "preparing $n items..." >&2
  prepare "$dir/Hoardium.data" "$n"
  # The prepared files go to the disk first, not in the middle of the timings.
  sync
  c=$captures; [ "$n" -ge 100000 ] && c=$captures_large
  watch_unix_peak "$dir/unix_peak_kb" "$n" &
  watcher=$!
  winexe="Z:$(echo "$dir/Hoardium.exe" | tr / '\\')"
  echo "measuring $n items ($c captures)..." >&2
  "$HOARDIUM_WINE" "$build/scale_probe.exe" "$winexe" "$n" "$c" "$emptyexe" >"$dir/result.txt" 2>"$dir/probe.log" </dev/null
  kill "$watcher" 2>/dev/null; wait "$watcher" 2>/dev/null
  if ! grep -Eq '^(startup|error)=' "$dir/result.txt"; then
    # A probe that never ran would otherwise print a table of nothing.
    echo "the probe measured nothing at $n items:" >&2
    tail -n 5 "$dir/probe.log" >&2
    exit 1
  fi
  echo "unix_peak=$(( $(cat "$dir/unix_peak_kb" 2>/dev/null || echo 0) * 1024 ))" >>"$dir/result.txt"
done

python3 - "$work" $sizes <<'EOF'
import sys
work, sizes = sys.argv[1], sys.argv[2:]
def load(n):
    r = {}
    for line in open("%s/%s/result.txt" % (work, n)):
        if "=" in line:
            k, v = line.strip().split("=", 1)
            try: r[k] = float(v)
            except ValueError: r[k] = v
    return r
for n in sizes:
    r = load(n)
    if "error" in r: print("%s items: error: %s" % (n, r["error"]))
    rd, wr = r.get("plain_read", 0), r.get("plain_write", 0)
    def ratio(v, base): return "%7.1fx" % (v / base) if base > 0 and v >= 0 else "      -"
    print("\n%s items, index %.1f MB, display texts %.1f MB" % (n, r.get("index_bytes", 0) / 1e6, r.get("display_bytes", 0) / 1e6))
    print("  %-30s %10s %10s %8s" % ("step", "ms", "floor ms", "ratio"))
    print("  %-30s %10.2f %10s" % ("plain read of the index", rd, ""))
    print("  %-30s %10.2f %10s" % ("plain write of the index", wr, ""))
    print("  %-30s %10.2f %10s" % ("  the slowest of them", r.get("plain_write_worst", 0), ""))
    empty = r.get("startup_empty", -1)
    beyond = r.get("startup_added", -1) if empty >= 0 and r.get("startup", -1) >= 0 else -1
    nf = r.get("new_file", 0)
    print("  %-30s %10.2f %10s" % ("  into memory already touched", r.get("plain_read_warm", 0), ""))
    print("  %-30s %10.2f %10s" % ("one new file in the data folder", nf, ""))
    rows = [("start-up (list full)", r.get("startup", -1), rd),
            ("  window exists", r.get("window_at", -1), rd),
            ("  over no history", empty, None),
            ("  beyond the empty start", beyond, rd),
            ("capture median (%d)" % r.get("captures", 0), r.get("capture_median", -1), wr),
            ("capture worst", r.get("capture_worst", -1), wr),
            ("move to the top", r.get("move", -1), wr),
            ("delete", r.get("delete", -1), wr),
            ("Delete All (files gone)", r.get("delete_all", -1), None),
            ("Exit (process ended)", r.get("exit", -1), None)]
    for name, v, base in rows:
        extra = ""
        # A capture also makes one item file, which the plain write does not.
        if base is wr and nf > 0 and not name.startswith(("move", "delete")):
            extra = "  %s of write + new file" % ratio(v, wr + nf).strip()
        print("  %-30s %10.2f %10s %8s%s" % (name, v, "%.2f" % base if base else "", ratio(v, base) if base else "", extra))
    print("  %-30s %10.2f ms  (capture), %.2f (move), %.2f (delete), %.2f (Delete All)" % ("longest unanswered message", r.get("capture_stall", -1), r.get("move_stall", -1), r.get("delete_stall", -1), r.get("delete_all_stall", -1)))
    mb = lambda k: r.get(k, 0) / 2**20
    allowance = 2 * r.get("display_bytes", 0) + r.get("list_cost", 0) + r.get("idle_process_ws", 0)
    print("  memory: peak working set %.1f MB (Unix VmHWM %.1f MB); allowance %.1f MB = 2x texts %.1f + list %.1f + idle Wine process %.1f"
          % (mb("peak_ws"), mb("unix_peak"), allowance / 2**20, 2 * mb("display_bytes"), mb("list_cost"), mb("idle_process_ws")))
    if int(n) >= 100000:
        def met(ok): return "met" if ok else "NOT met"
        stall = max(r.get("capture_stall", 1e9), r.get("move_stall", 1e9), r.get("delete_stall", 1e9))
        print("  targets: capture (median) <= 2x write + new file: %s; move/delete <= 2x write: %s;"
              " no unanswered message longer than the slowest plain write: %s; Delete All answers within 500 ms: %s;"
              " start-up beyond the empty start <= 3x read: %s; memory: %s"
              % (met(r.get("capture_median", 1e9) <= 2 * (wr + nf)),
                 met(max(r.get("move", 1e9), r.get("delete", 1e9)) <= 2 * wr),
                 met(stall <= r.get("plain_write_worst", 0)),
                 met(0 <= r.get("delete_all_stall", 1e9) <= 500),
                 met(0 <= beyond <= 3 * rd), met(0 < r.get("peak_ws", 0) <= allowance)))
EOF
