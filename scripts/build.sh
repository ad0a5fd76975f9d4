#!/usr/bin/env bash
# Configures (once) and builds the four builds: build/win64 (run here under
# Wine), build/win32 (the product, run here too where the machine executes
# 32-bit code), build/native (the core, sanitized) and build/fuzz (the
# core's fuzz targets, with clang).
# Usage: scripts/build.sh [win64|win32|native|fuzz]...   (default: all four)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/env.sh"
# Compiler messages in English, whatever the locale Wine runs in.
export LC_MESSAGES=C
jobs=$(nproc)

build() {
  local name=$1 dir="$here/build/$1"; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
  echo "build: $name"
  # Under pipefail the pipeline fails with cmake, and only with cmake: grep
  # finding nothing to show is no failure.
  cmake --build "$dir" -j "$jobs" 2>&1 | { grep -Ev '^\[ *[0-9]+%\]|^-- ' || true; }
}

targets=("$@")
((${#targets[@]})) || targets=(win64 win32 native fuzz)
for t in "${targets[@]}"; do
  # The archivers read zip, cab and rar through libarchive, over libbz2,
  # liblzma and libzstd (which bza reads bzip2 data through too), each built
  # once for each build: the three before libarchive, which is configured
  # with them.
  case $t in
    win64) lib=x86_64 ;;
    win32) lib=i686 ;;
    native | fuzz) lib=$t ;;
    *) continue ;;  # refused below
  esac
  for library in bzip2 xz zstd libarchive; do
    bash "$here/scripts/$library.sh" "$lib"
  done
done
for t in "${targets[@]}"; do
  case $t in
    win64) build win64 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-x86_64.cmake" ;;
    win32) build win32 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-i686.cmake" ;;
    native) build native ;;
    fuzz) build fuzz -DPLENKIT_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ ;;
    *) echo "build: unknown build $t" >&2; exit 2 ;;
  esac
done
