#!/usr/bin/env bash
# Command 1: sets up what is missing, builds the 64-bit program and lists the
# built-in sample archives through the stand-in archivers.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" win64 >/dev/null
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
session_start
trap session_stop EXIT
samples=()
for f in "$here"/samples/*; do samples+=("Z:${f//\//\\}"); done
"$WINE" "$here/build/win64/out/sample_lister.exe" "${samples[@]}" </dev/null 2>&1 | iconv -f CP932 -t UTF-8
