#!/usr/bin/env bash
# The release package for Windows users: one zip with the 32-bit
# Plenkit.exe, its help file Plenkit.chm, our six archivers as they ship
# (no test layer) and a short Japanese readme, in build/package/. Sets up and builds what is missing first; the zip's path
# is the last line it prints.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh" >&2
bash "$here/scripts/build.sh" win32 >&2

# The version the dialog shows names the package: plenkit101.zip.
version=$(sed -n 's/.*"Version \([0-9.]*\)".*/\1/p' "$here/resources/vers_layout.h")
[ -n "$version" ] || { echo "package: no version found" >&2; exit 1; }
out="$here/build/win32/out"
zip="$here/build/package/plenkit${version//./}.zip"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
archivers=(UnLha32.Dll UnZip32.Dll Cab32.Dll UnArj32j.Dll UnRar32.Dll Bga32.Dll)
cp "$out/Plenkit.exe" "$out/Plenkit.chm" "$stage/"
for dll in "${archivers[@]}"; do cp "$out/ship/$dll" "$stage/"; done
# What ships carries no debug sections and no symbols (the static runtime
# brings its own); the builds the tests run keep theirs.
i686-w64-mingw32-strip "$stage/Plenkit.exe" "${archivers[@]/#/$stage/}"
# Notepad of the Windows it is for reads Shift-JIS with CR LF.
iconv -f UTF-8 -t CP932 "$here/package/readme.txt" | sed 's/$/\r/' >"$stage/readme.txt"
mkdir -p "$(dirname "$zip")"
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip Plenkit.exe Plenkit.chm "${archivers[@]}" readme.txt)
echo "$zip"
