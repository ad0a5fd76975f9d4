#!/usr/bin/env bash
# Compiles a help project folder into a .chm with chmcmd (fp-utils).
# The sources are UTF-8; the project, contents and index files are handed
# to the compiler as Shift-JIS, which is how the viewer reads them (the
# viewer's title comes from the project file). The pages say their own
# character set.
# Usage: make_help.sh PROJECT_FOLDER OUTPUT.chm
set -euo pipefail
source_dir=$1 output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir"/. "$work"/
for file in "$work"/*.hhp "$work"/*.hhc "$work"/*.hhk; do
  [ -f "$file" ] || continue
  iconv -f UTF-8 -t CP932 "$file" >"$file.sjis"
  mv "$file.sjis" "$file"
done
project=$(cd "$work" && ls *.hhp)
compiled=$(sed -n 's/^Compiled file=//p' "$work/$project" | tr -d '\r')
# chmcmd reports its problems on standard output and still exits 0.
log=$(cd "$work" && chmcmd --no-html-scan "$project" 2>&1) || { echo "$log"; exit 1; }
if echo "$log" | grep -qi 'error'; then echo "$log"; exit 1; fi
mkdir -p "$(dirname "$output")"
mv "$work/$compiled" "$output"
