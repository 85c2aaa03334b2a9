#!/usr/bin/env bash
# Runs one fuzz target for a bounded time over its committed seeds; any crash, leak
# or sanitizer report fails. HOARDIUM_FUZZ_SECONDS sets the time (default 20).
set -euo pipefail
target=$1 seeds=$2 work=$3
mkdir -p "$work"
log=$(mktemp)
set +e
"$target" -max_total_time="${HOARDIUM_FUZZ_SECONDS:-20}" -print_final_stats=1 -timeout=10 \
  -artifact_prefix="$work/" "$work" "$seeds" >"$log" 2>&1
rc=$?
set -e
grep -E '^stat::number_of_executed_units|^#[0-9]+ +DONE' "$log" || true
[ $rc -eq 0 ] || cat "$log"
rm -f "$log"
exit $rc
