#!/usr/bin/env bash
# Command 2: sets up this machine, builds all four builds and runs every
# test: the Windows tests under wine64, and again under the 32-bit Wine where
# the machine executes 32-bit code, the core's tests natively under
# AddressSanitizer and UndefinedBehaviorSanitizer, the binary checks and the
# check of the release package.
# Ends with one line "N passed, N failed" that counts them all.
# Each fuzz target of the core runs for a few seconds too, counted as a check.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh" || exit 1
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
bash "$here/scripts/build.sh" || exit 1

passed=0 failed=0
check() {  # check NAME COMMAND...: one binary check, counted like a test
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}

# Sums the gtest results of one build; a test program that wrote no result
# (it crashed or hung) counts as one failure.
count_results() {
  local dir=$1 expected=$2 xml n f e
  for name in $expected; do
    xml="$dir/results/$name.xml"
    if [ ! -f "$xml" ]; then failed=$((failed + 1)); echo "FAILED: $name wrote no results"; continue; fi
    read -r n f e < <(sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)" disabled="[0-9]*" errors="\([0-9]*\)".*/\1 \2 \3/p' "$xml" | head -1)
    passed=$((passed + n - f - e)); failed=$((failed + f + e))
  done
}

run_ctest() {
  local dir=$1
  rm -rf "$dir/results"
  (cd "$dir" && ctest --output-on-failure 2>&1 | grep -av '^ *Start\|^Test project')
  count_results "$dir" "$(cd "$dir" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p')"
}

echo "== native core tests (sanitized)"
run_ctest "$here/build/native"

# Real archives made by Debian's own tools, for the archivers to read and the
# readers' fuzzing to start from. The tools list local times in the
# machine's time zone, as Wine shows them.
python3 "$here/scripts/make_archives.py" "$here/build/archives" || exit 1

echo "== fuzz targets of the core and the archivers' readers (3 s each)"
for target in $(bash "$here/scripts/fuzz.sh" --list); do
  check "fuzz $target" bash "$here/scripts/fuzz.sh" --seconds 3 "$target"
done


# run_wine_tests win64|win32: one build's Windows tests, with that build's
# Wine, prefix and server, on a display of their own.
run_wine_tests() {
  wine_arch "$1"
  session_start
  trap session_stop EXIT
  run_ctest "$here/build/$1"
  session_stop
  trap - EXIT
  wine_arch win64
  # Screenshots the window tests took, as PNG for reading.
  for bmp in "$here/build/$1"/screenshots/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
}


echo "== Windows tests (wine64)"
run_wine_tests win64
if runs_i386_code; then
  echo "== Windows tests (32-bit Wine)"
  run_wine_tests win32
else
  echo "== Windows tests (32-bit Wine): skipped, this machine does not execute 32-bit code"
fi

echo "== binary checks"
for arch in win64:x86_64 win32:i686; do
  build=${arch%%:*} triple=${arch#*:}-w64-mingw32
  check "exports $build" bash "$here/archivers/check_exports.sh" "$here/build/$build" "$triple-objdump"
  check "imports $build" bash "$here/scripts/check_imports.sh" "$here/build/$build/out" "$triple-objdump"
done
# The zip a Windows user gets, opened and looked through.
package=$(bash "$here/scripts/package.sh" 2>/dev/null | tail -1)
check "release package" bash "$here/scripts/check_package.sh" "$package"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
