#!/usr/bin/env bash
# Lines of test code against lines of product code, both counted without blank lines and
# comment lines, over the files git knows. Data the tests read (seed inputs) is not code.
# usage: scripts/test_ratio.sh [-v]   (-v: each test file's count too)
set -euo pipefail
cd "$(dirname "$0")/.."
lines() {
  local f n total=0
  for f in "$@"; do
    case $f in
      *.sh | *CMakeLists.txt | *.cmake) n=$(grep -cv -e '^[[:space:]]*$' -e '^[[:space:]]*#' "$f" || true) ;;
      *.cpp | *.h) n=$(grep -cv -e '^[[:space:]]*$' -e '^[[:space:]]*//' "$f" || true) ;;
      *) continue ;;
    esac
    [ -z "${verbose:-}" ] || printf '%6d %s\n' "$n" "$f" >&2
    total=$((total + n))
  done
  echo "$total"
}
[ "${1:-}" != -v ] || verbose=1
tests=$(lines $(git ls-files tests))
verbose= product=$(lines $(git ls-files app history settings ui platform))
echo "tests $tests, product $product, ratio $(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.2f", t / p }')"
