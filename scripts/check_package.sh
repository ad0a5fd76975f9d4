#!/usr/bin/env bash
# Opens the release zip and checks what a Windows user gets: Plenkit.exe,
# Plenkit.chm, the five archivers and readme.txt and nothing else; the exe
# a 32-bit GUI program, the archivers 32-bit DLLs that export exactly their
# library's entry points and hold nothing of the test layer, all importing
# Windows' own DLLs only and carrying a version resource of Plenkit's; the
# help file a CHM that holds every help page and bears the title the
# program looks for when it closes the viewer; the readme Shift-JIS text
# that names every archiver DLL.
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
[ "$files" = "Bga32.Dll Cab32.Dll Plenkit.chm Plenkit.exe UnArj32j.Dll UnLha32.Dll UnRar32.Dll UnZip32.Dll readme.txt " ] ||
  fail "the zip holds: $files"

objdump=i686-w64-mingw32-objdump
headers=$("$objdump" -p "$work/Plenkit.exe" 2>/dev/null) || fail "Plenkit.exe is no 32-bit Windows program"
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "Plenkit.exe is no GUI program"
bash "$here/scripts/check_imports.sh" "$work" "$objdump" >/dev/null ||
  fail "$(bash "$here/scripts/check_imports.sh" "$work" "$objdump")"

# Each archiver: a DLL exporting its entry points (archivers/entry_points.txt),
# nothing more; no trace of described archives or the call log.
for pair in UnLha32.Dll:Unlha UnZip32.Dll:UnZip Cab32.Dll:Cab UnArj32j.Dll:Unarj UnRar32.Dll:Unrar Bga32.Dll:Bga; do
  dll=${pair%%:*} prefix=${pair#*:}
  headers=$("$objdump" -p "$work/$dll" 2>/dev/null) || fail "$dll is no 32-bit Windows library"
  sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qx $'\tDLL' || fail "$dll is no DLL"
  bash "$here/archivers/check_exports.sh" --dll "$work/$dll" "$prefix" "$objdump" || fail "$dll exports"
  ! grep -aq 'STANDIN' "$work/$dll" || fail "$dll holds the test layer"
done
for binary in Plenkit.exe UnLha32.Dll UnZip32.Dll Cab32.Dll UnArj32j.Dll UnRar32.Dll Bga32.Dll; do
  strings -el "$work/$binary" | grep -qx 'Plenkit' || fail "$binary has no version resource of Plenkit's"
  # Stripped: no debug sections, no symbol table. (Read whole first: a grep
  # that stops early would cut objdump short, and pipefail take that for a miss.)
  sections=$("$objdump" -h "$work/$binary") symbols=$("$objdump" -t "$work/$binary")
  ! grep -q ' \.debug_' <<<"$sections" || fail "$binary carries debug sections"
  ! grep -q '^\[' <<<"$symbols" || fail "$binary carries symbols"
done

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
# Where the machine runs 32-bit code: the unpacked program itself, under
# the 32-bit Wine, on one real archive per format (tests/win/package_run.cpp).
source "$here/scripts/env.sh"
if runs_i386_code; then
  source "$here/scripts/session.sh"
  [ -f "$here/build/archives/deflate.zip.list" ] ||
    python3 "$here/scripts/make_archives.py" "$here/build/archives" >/dev/null || fail "no archives to run on"
  args=()
  while IFS='|' read -r archive count reference; do
    args+=("$(winepath_of "$archive")|$count|$(winepath_of "$reference")")
  done < <(python3 "$here/scripts/make_archives.py" --package "$here/build/archives" "$work/run")
  # Wine's code page is the locale's: a Japanese Windows, as for the tests.
  unset LC_ALL
  wine_arch win32
  session_start
  ran=0
  "$WINE" "$here/build/win32/tests/package_run.exe" "$(winepath_of "$work")" "${args[@]}" || ran=$?
  session_stop
  [ "$ran" = 0 ] || fail "the unpacked program does not do its work (above)"
  echo "package runs: ${#args[@]} archives (one per extension) listed, counted and extracted byte for byte"
else
  echo "package: not run here, the machine runs no 32-bit code"
fi
echo "package ok: $(basename "$zip")"
