#!/usr/bin/env bash
# Runs the core's fuzz targets (build/fuzz), and the stand-ins' ARJ reader's, one after the other, each for
# SECONDS (default 600), from the seed corpora in tests/fuzz/corpus. What
# a run adds to a corpus stays in build/fuzz/corpus; a finding is kept in
# build/fuzz/findings and its log in build/fuzz/logs. One line per target:
# its executions, or where the finding is. Fails when any target finds one.
# Usage: scripts/fuzz.sh [--seconds N] [TARGET...]   (default: every target)
#        scripts/fuzz.sh --list                      (the targets' names)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fuzz="$here/build/fuzz"
all=(sjis_path settings_value command_args entry_record number_text arj)
if [ "${1:-}" = --list ]; then printf '%s\n' "${all[@]}"; exit 0; fi

seconds=600
if [ "${1:-}" = --seconds ]; then seconds=$2; shift 2; fi
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")

bash "$here/scripts/build.sh" fuzz >/dev/null || exit 1
mkdir -p "$fuzz/findings" "$fuzz/logs"
status=0
for t in "${targets[@]}"; do
  program="$fuzz/${t}_fuzz" log="$fuzz/logs/$t.log"
  if [ ! -x "$program" ]; then echo "fuzz: $t: no such target" >&2; status=1; continue; fi
  mkdir -p "$fuzz/corpus/$t"
  # Inputs up to 1,024 bytes: a whole 560-byte record, and numbers too long
  # for a double.
  if "$program" "$fuzz/corpus/$t" "$here/tests/fuzz/corpus/$t" -max_total_time="$seconds" \
       -max_len=1024 -print_final_stats=1 -artifact_prefix="$fuzz/findings/$t-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $t: $runs executions in $seconds s, nothing found"
  else
    echo "fuzz: $t: FOUND something, see $log:"
    grep -a -m3 'property broken\|ERROR: \|SUMMARY\|Test unit written' "$log" | sed 's/^/  /'
    status=1
  fi
done
exit $status
