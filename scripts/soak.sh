#!/usr/bin/env bash
# The archivers against mutated archives under wine64 (bench/soak.cpp):
# COUNT per format (default 1,000) made from the tests' real archives, each
# counted, opened, walked, extracted whole and its first member printed,
# with a time bound per step. Prints a line per format and the findings; a
# crash is reported with the archive it happened at.
# Usage: scripts/soak.sh [COUNT] [SEED]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh" >/dev/null || exit 1
bash "$here/scripts/build.sh" win64 >/dev/null || exit 1
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
python3 "$here/scripts/make_archives.py" "$here/build/archives" || exit 1
session_start
trap session_stop EXIT
work=$(mktemp -d)
winpath() { echo "Z:${1//\//\\}"; }
"$WINE" "$here/build/win64/out/soak.exe" "$(winpath "$here/build/archives")" "$(winpath "$work")" "${1:-1000}" \
  "${2:-1}" </dev/null 2>"$work.err" | iconv -f CP932 -t UTF-8
status=${PIPESTATUS[0]}
if [ "$status" -gt 1 ]; then
  echo "soak: CRASH (exit $status) at $(grep -a '^at ' "$work.err" | tail -1 | cut -c4- | iconv -f CP932 -t UTF-8)"
fi
rm -rf "$work" "$work.err"
exit "$status"
