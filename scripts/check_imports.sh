#!/usr/bin/env bash
# Every exe and DLL in FOLDER is built for OBJDUMP's architecture, and
# imports Windows' own DLLs only: the runtime libraries of the compiler are
# linked in, never needed beside the program. Where the machine cannot run
# 32-bit code, this is what tells that the product is a 32-bit program.
# Usage: check_imports.sh FOLDER OBJDUMP
set -euo pipefail
# objdump speaks the locale's language; the patterns below are English.
export LC_ALL=C
folder=$1 objdump=$2
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|msvcrt|msimg32|shlwapi|winspool\.drv|version|uxtheme|bcrypt)(\.dll)?$'
case $(basename "$objdump") in
  i686-*) format=pei-i386 ;;
  x86_64-*) format=pei-x86-64 ;;
  *) echo "check_imports: no architecture known for $objdump"; exit 2 ;;
esac
bad=0 count=0
while IFS= read -r -d '' binary; do
  count=$((count + 1))
  # The i686 objdump cannot read a 64-bit binary, and would then list no
  # imports at all.
  actual=$("$objdump" -f "$binary" 2>/dev/null | sed -n 's/.*file format //p' || true)
  if [ "$actual" != "$format" ]; then
    echo "check_imports: $(basename "$binary") is ${actual:-not readable as $format}"; bad=1; continue
  fi
  while read -r dll; do
    if ! echo "${dll,,}" | grep -Eq "$allowed"; then
      echo "check_imports: $(basename "$binary") imports $dll"; bad=1
    fi
  done < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$folder" -maxdepth 2 \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$count" -gt 0 ] || { echo "check_imports: nothing in $folder"; exit 1; }
[ "$bad" -eq 0 ] && echo "imports ok: $count binaries"
