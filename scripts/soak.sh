#!/usr/bin/env bash
# The archivers against mutated archives under wine64 (bench/soak.cpp):
# COUNT per format (default 1,000) made from the tests' real archives, each
# counted, opened, walked, extracted whole and its first member printed,
# each step bounded by the program's own watchdog (ten seconds, and 30 ms a
# member more for the extraction). Prints a line per format and the
# findings: a hang or a crash ends the run and is reported with the archive
# it happened at, which is kept in build/soak/; a file written outside its
# folder is printed and counted.
#
# The work folder is the root of a drive of its own, linked in the Wine
# prefix for the run: a name that climbs out of its destination lands on
# that drive, where the program sees everything. Should the program stop
# moving on without its watchdog ending it (no new archive for SOAK_STALL
# seconds, 600 by default), this script ends it. The default leaves the
# watchdog its own limit for archives of up to 19,000 members: a mutated
# lzh of 15,312 files in one folder takes Wine about 100 s to write on this
# machine, as it looks through the folder for each new name.
# Usage: scripts/soak.sh [COUNT] [SEED] [.EXTENSION...]   (default: every format's)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh" >/dev/null || exit 1
bash "$here/scripts/build.sh" win64 >/dev/null || exit 1
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
python3 "$here/scripts/make_archives.py" "$here/build/archives" || exit 1
count=${1:-1000} seed=${2:-1} stall=${SOAK_STALL:-600} extensions=("${@:3}")

work=$(mktemp -d)
link=
for letter in s t u v w x y; do
  # ln fails on a letter already taken, by this prefix or another soak.
  if ln -s "$work" "$WINEPREFIX/dosdevices/$letter:" 2>/dev/null; then
    link="$WINEPREFIX/dosdevices/$letter:" drive="${letter^^}:"
    break
  fi
done
if [ -z "$link" ]; then
  echo "soak: no free drive letter in $WINEPREFIX/dosdevices" >&2
  rm -rf "$work"
  exit 2
fi
cleanup() {
  session_stop
  rm -f "$link"
  rm -rf "$work" "$work".*
}
trap cleanup EXIT
session_start

winpath() { echo "Z:${1//\//\\}"; }
# The archive the program was at, from its last "at" line: as the program
# named it, and on the Unix side.
last_archive() { grep -a '^at ' "$work.err" | tail -1 | cut -c4- | tr -d '\r' | iconv -f CP932 -t UTF-8; }
unix_path() {
  local at=${1#"$drive"}
  echo "$work${at//\\//}"
}
# Keeps the archive a run ended at, and says where.
keep() {
  local archive kept
  archive=$(unix_path "$(last_archive)")
  mkdir -p "$here/build/soak"
  kept="$here/build/soak/seed$seed-count$count-$(basename "$(dirname "$archive")")"
  if cp "$archive" "$kept" 2>/dev/null; then
    echo "soak: the archive is kept as $kept"
  fi
}

: >"$work.err"
{
  "$WINE" "$here/build/win64/out/soak.exe" "$(winpath "$here/build/archives")" "$drive" "$count" "$seed" "${extensions[@]}" \
    </dev/null 2>"$work.err" &
  echo $! >"$work.pid"
  wait $! 2>/dev/null
  echo $? >"$work.status"
} | iconv -f CP932 -t UTF-8 &
printer=$!

for _ in $(seq 100); do [ -s "$work.pid" ] && break; sleep 0.1; done
pid=$(cat "$work.pid")
stalled=0 size=0 quiet=0
while kill -0 "$pid" 2>/dev/null; do
  sleep 1
  now=$(stat -c %s "$work.err")
  if [ "$now" != "$size" ]; then
    size=$now quiet=0
  elif [ $((quiet += 1)) -ge "$stall" ]; then
    stalled=1
    kill -KILL "$pid" 2>/dev/null
    break
  fi
done
wait "$printer"
status=$(cat "$work.status" 2>/dev/null || echo 1)

if [ "$stalled" = 1 ]; then
  echo "soak: HANG at $(last_archive): nothing moved for $stall s"
  keep
  status=124
elif [ "$status" = 124 ]; then
  keep
elif [ "$status" -gt 1 ]; then
  echo "soak: CRASH (exit $status) at $(last_archive)"
  keep
fi
exit "$status"
