#!/usr/bin/env bash
# Every exe and DLL in FOLDER imports Windows' own DLLs only: the runtime
# libraries of the compiler are linked in, never needed beside the program.
# Usage: check_imports.sh FOLDER OBJDUMP
set -euo pipefail
# objdump speaks the locale's language; the patterns below are English.
export LC_ALL=C
folder=$1 objdump=$2
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|msvcrt|msimg32|shlwapi|winspool\.drv|version|uxtheme)(\.dll)?$'
bad=0 count=0
while IFS= read -r -d '' binary; do
  count=$((count + 1))
  while read -r dll; do
    if ! echo "${dll,,}" | grep -Eq "$allowed"; then
      echo "check_imports: $(basename "$binary") imports $dll"; bad=1
    fi
  done < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$folder" -maxdepth 2 \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$count" -gt 0 ] || { echo "check_imports: nothing in $folder"; exit 1; }
[ "$bad" -eq 0 ] && echo "imports ok: $count binaries"
