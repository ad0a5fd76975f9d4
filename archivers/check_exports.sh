#!/bin/bash
# Checks the built archivers: each exports exactly its entry points
# (entry_points.txt), by their undecorated names (a 32-bit build that
# exports "Unlha@16" is not loadable by name). Their imports are checked
# with every other binary's by scripts/check_imports.sh; the release
# package's DLLs by scripts/check_package.sh, which calls this script too.
#
# Usage: archivers/check_exports.sh BUILD_DIR OBJDUMP
#        archivers/check_exports.sh --dll DLL PREFIX OBJDUMP
set -u
# objdump speaks the locale's language; the patterns below are English.
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t suffixes < <(grep '^[A-Za-z]' "$here/entry_points.txt")
suffixes=("" "${suffixes[@]}")

failed=0
checked=0
fail() {
  echo "check_exports: $*" >&2
  failed=1
}

# check DLL PREFIX [OMITTED NAME...]
check() {
  local dll=$1 prefix=$2
  shift 2
  local omitted=" $* " expected="" suffix name dump actual
  if [ ! -f "$dll" ]; then
    fail "$dll: missing"
    return
  fi
  checked=$((checked + 1))
  for suffix in "${suffixes[@]}"; do
    name=$prefix$suffix
    [[ $omitted == *" $name "* ]] || expected+="$name"$'\n'
  done
  expected=$(printf '%s' "$expected" | LC_ALL=C sort)

  if ! dump=$("$objdump" -p "$dll"); then
    fail "$dll: $objdump cannot read it"
    return
  fi
  actual=$(printf '%s\n' "$dump" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' |
    LC_ALL=C sort)
  if [ "$actual" != "$expected" ]; then
    fail "$dll: exports differ
  expected: $(echo $expected)
  actual:   $(echo $actual)"
  fi
}

if [ "${1:-}" = --dll ] && [ $# -eq 4 ]; then
  objdump=$4
  check "$2" "$3"
  exit $failed
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OBJDUMP | --dll DLL PREFIX OBJDUMP" >&2
  exit 2
fi
build=$1
objdump=$2

out=$build/out
check "$out/UnLha32.Dll" Unlha
check "$out/UnZip32.Dll" UnZip
check "$out/Cab32.Dll" Cab
check "$out/UnArj32j.Dll" Unarj
check "$out/UnRar32.Dll" Unrar
check "$out/Bga32.Dll" Bga
# The variants that imitate incomplete libraries; archivers/CMakeLists.txt
# says what each one lacks.
check "$out/partial/UnLha32.Dll" Unlha Unlha UnlhaGetFileCount
check "$out/partial/UnZip32.Dll" UnZip UnZipFindFirst

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "exports ok: $checked DLLs"
