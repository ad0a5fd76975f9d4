#!/usr/bin/env bash
# Runs the benchmarks of bench/ under wine64 and prints their figures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" win64 >/dev/null
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
session_start
trap session_stop EXIT
work=$(mktemp -d)
for bench in "$here"/build/win64/out/*_bench.exe; do
  "$WINE" "$bench" "Z:${work//\//\\}" </dev/null 2>&1 | iconv -f CP932 -t UTF-8
done
rm -rf "$work"
