#!/usr/bin/env bash
# Fuzzes every reader of outside input for longer than the test command does:
# scripts/fuzz.sh [seconds per target, default 600]. New inputs stay in build/fuzz/fuzz-corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
HOARDIUM_FUZZ_SECONDS="${1:-600}" ctest --preset fuzz --timeout 0
