#!/usr/bin/env bash
# The bzip2 library our archivers decompress bzip2 data with: libbz2 1.0.8
# from Debian trixie's bzip2 source package (with Debian's patches), built
# static from the library's own seven sources: for both Windows
# architectures, and natively for the tests and the fuzzing of the readers.
# Everything lives in .cache/bzip2 (ignored), so a second run costs nothing.
#   .cache/bzip2/src/bzlib.h          the header, in the unpacked source
#   .cache/bzip2/<triple>/libbz2.a    x86_64-w64-mingw32 and i686-w64-mingw32
#   .cache/bzip2/native/libbz2.a      natively with gcc, for the sanitized native tests
#   .cache/bzip2/fuzz/libbz2.a        natively with clang, instrumented for fuzzing
# On Windows bzlib.h declares the functions themselves, WINAPI (so stdcall,
# with names like _BZ2_bzDecompress@4 on i686), while BZ_EXPORT is defined,
# and pointers to fill from a DLL instead when it is not. The header defines
# BZ_EXPORT itself unless BZ_IMPORT is: code using these libraries must not
# define BZ_IMPORT, and if it defines BZ_EXPORT, defines it empty, as the
# header does ("#define BZ_EXPORT", or BZ_EXPORT= on a command line; a bare
# -DBZ_EXPORT means 1 and draws a redefinition warning).
# Each output keeps beside it the checksum of this script that made it (a
# file "recipe"; the source's is src/.recipe): a changed script fetches and
# builds everything again, an unchanged one does nothing.
# Usage: scripts/bzip2.sh [x86_64|i686|native|fuzz]...   (default: x86_64 and i686)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/.cache/bzip2"
version=1.0.8
mkdir -p "$cache"
source "$here/scripts/debian_source.sh"

recipe=$(sha256sum <"${BASH_SOURCE[0]}" | cut -c1-16)
# The library proper; the rest of the package is the programs and their tests.
sources=(blocksort huffman crctable randtable compress decompress bzlib)

fetch_source() {
  [ -f "$cache/src/bzlib.h" ] && [ "$(cat "$cache/src/.recipe" 2>/dev/null)" = "$recipe" ] && return 0
  debian_source bzip2 "$version" "$cache/src"
  echo "$recipe" >"$cache/src/.recipe"
}

# build NAME CC AR FLAGS...: compiles the sources with CC and FLAGS into
# .cache/bzip2/NAME/libbz2.a; the compilers' messages go to build-NAME.log.
build() {
  local name=$1 cc=$2 ar=$3
  shift 3
  local out="$cache/$name" work="$cache/build-$name" log="$cache/build-$name.log"
  [ -f "$out/libbz2.a" ] && [ "$(cat "$out/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  echo "bzip2: building $name"
  rm -rf "$work" "$out"
  mkdir -p "$work"
  local pids=() s p failed=0
  for s in "${sources[@]}"; do
    "$cc" "$@" -c "$cache/src/$s.c" -o "$work/$s.o" >"$work/$s.log" 2>&1 &
    pids+=("$!")
  done
  for p in "${pids[@]}"; do
    wait "$p" || failed=1
  done
  local objects=("${sources[@]/#/$work/}")
  cat "${objects[@]/%/.log}" >"$log"
  if ((failed)); then
    cat "$log" >&2
    echo "bzip2: building $name failed (build-$name.log)" >&2
    return 1
  fi
  [ -s "$log" ] && echo "bzip2: $name: $(grep -c 'warning:' "$log") compiler warnings (.cache/bzip2/build-$name.log)"
  "$ar" rcs "$work/libbz2.a" "${objects[@]/%/.o}"
  mkdir -p "$out"
  mv "$work/libbz2.a" "$out/libbz2.a"
  echo "$recipe" >"$out/recipe"
  rm -rf "$work"
}

# The Windows libraries: the project's MinGW compilers (as in
# cmake/toolchain-*.cmake), BZ_EXPORT defined as our code defines it. MinGW
# has the io.h and fcntl.h that bzlib.c's BZ2_bzopen and BZ2_bzdopen include
# on Windows, so the stdio part stays in.
build_arch() {
  local triple=$1-w64-mingw32
  build "$triple" "$triple-gcc-posix" "$triple-ar" -O2 -Wall -DBZ_EXPORT=
}

# The same source natively: with gcc for the native tests (the library
# itself not instrumented), with clang instrumented for libFuzzer and
# AddressSanitizer for fuzzing, as libarchive's are.
build_native() {
  case $1 in
    native) build native gcc ar -g -O2 -Wall ;;
    fuzz) build fuzz clang ar -g -O1 -fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer -Wall ;;
  esac
}

library_builds "$@"
fetch_source
for a in "${builds[@]}"; do
  case $a in
    native | fuzz) build_native "$a" ;;
    *) build_arch "$a" ;;
  esac
done
