#!/usr/bin/env bash
# Command 1: sets up what is missing, builds the program and starts Plenkit
# with our archivers beside it as they ship (no test layer), in a folder as
# the release package lays it out, on the archives named (Linux
# paths), or with none named on real sample archives the build makes (an
# .lzh, a .zip and a .cab of a small tree with Japanese names). The program
# is the 32-bit product where the machine executes 32-bit code, the 64-bit
# build of the same source otherwise; it says which.
#   Usage: scripts/run.sh [--once] [ARCHIVE...]
#   With DISPLAY set, it opens there. Otherwise it runs on a private Xvfb in
#   a Wine virtual desktop, writes a screenshot once it is up, says where,
#   and runs until interrupted; --once makes it exit after the screenshot.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
once=false
[ "${1:-}" = --once ] && once=true && shift
archives=()
for a in "$@"; do
  [ -e "$a" ] || { echo "run: $a does not exist" >&2; exit 2; }
  archives+=("$(cd "$(dirname "$a")" && pwd)/$(basename "$a")")
done
bash "$here/scripts/setup.sh"
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
if runs_i386_code; then
  build=win32
  echo "run: the 32-bit Plenkit.exe, under the 32-bit Wine"
else
  build=win64
  echo "run: the 64-bit Plenkit.exe, as this machine does not execute 32-bit code"
fi
bash "$here/scripts/build.sh" "$build" >/dev/null
wine_arch "$build"

if ((${#archives[@]} == 0)); then
  python3 "$here/scripts/make_archives.py" --demo "$here/build/samples"
  archives=("$here"/build/samples/sample.*)
fi
# Linux paths as Wine shows them: the root is drive Z:.
samples=()
for f in "${archives[@]}"; do samples+=("$(winepath_of "$f")"); done
# The program, its help and the five shipped archivers, as a user unpacks them.
out="$here/build/$build/out" demo="$here/build/$build/demo"
mkdir -p "$demo"
cp "$out/Plenkit.exe" "$out/Plenkit.chm" "$out"/ship/*.Dll "$demo/"
program="$demo/Plenkit.exe"

if [ -n "${DISPLAY:-}" ] && ! $once; then
  exec "$WINE" "$program" "${samples[@]}" </dev/null
fi

session_start
trap session_stop EXIT
"$WINE" "$program" "${samples[@]}" </dev/null >/dev/null 2>&1 &
plenkit=$!
# The virtual desktop is one X window; give the program a moment to paint.
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Wine desktop' && break
  sleep 0.1
done
sleep 2
shot="$here/build/screenshots/run.png"
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "run: Plenkit is up on display $DISPLAY; screenshot: $shot"
if $once; then
  kill "$plenkit" 2>/dev/null || true
  exit 0
fi
echo "run: press Ctrl+C to end it"
wait "$plenkit" || true
