#!/usr/bin/env bash
# Opens the release zip and checks what a Windows user gets: Plenkit.exe,
# Plenkit.chm and readme.txt and nothing else; the exe a 32-bit GUI program
# that imports Windows' own DLLs only; the help file a CHM that holds every
# help page and bears the title the program looks for when it closes the
# viewer; the readme Shift-JIS text that names every archiver DLL.
# Usage: check_package.sh ZIP
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")/.." && pwd)
zip=${1:-}
fail() { echo "check_package: $*"; exit 1; }
[ -f "$zip" ] || fail "no package ${zip:-given}"
zip=$(realpath "$zip")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || fail "$zip does not open as a zip"

files=$(cd "$work" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$files" = "Plenkit.chm Plenkit.exe readme.txt " ] || fail "the zip holds: $files"

objdump=i686-w64-mingw32-objdump
headers=$("$objdump" -p "$work/Plenkit.exe" 2>/dev/null) || fail "Plenkit.exe is no 32-bit Windows program"
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "Plenkit.exe is no GUI program"
bash "$here/scripts/check_imports.sh" "$work" "$objdump" >/dev/null ||
  fail "$(bash "$here/scripts/check_imports.sh" "$work" "$objdump")"

chm="$work/Plenkit.chm"
[ "$(head -c 4 "$chm")" = ITSF ] || fail "Plenkit.chm has no CHM header"
listed=$(chmls -n list "$chm" 2>/dev/null) || fail "chmls cannot read Plenkit.chm"
for page in "$here"/help/*.html; do
  grep -qx "/$(basename "$page")" <<<"$listed" || fail "Plenkit.chm lacks $(basename "$page")"
done
title=$(chmls printsystem "$chm" 2>/dev/null | iconv -f CP932 -t UTF-8 |
        sed -n 's/^(3) *Title from \[options\] *:\(.*\)$/\1/p' | tr -d '\0' | sed 's/ *$//')
expected=$(sed -n 's/^const char kHelpViewerTitle\[\] = "\(.*\)";$/\1/p' "$here/src/Trobixmain_help.cpp")
[ -n "$expected" ] && [ "$title" = "$expected" ] ||
  fail "the help's title is \"$title\", the program closes \"$expected\""

readme=$(iconv -f CP932 -t UTF-8 "$work/readme.txt") || fail "readme.txt is no Shift-JIS text"
for dll in UnLha32.Dll UnZip32.Dll Cab32.Dll UnArj32j.Dll UnRar32.Dll Bga32.Dll; do
  grep -q "$dll" <<<"$readme" || fail "readme.txt does not name $dll"
done
echo "package ok: $(basename "$zip")"
