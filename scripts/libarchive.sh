#!/usr/bin/env bash
# The archive-reading library our archivers use for zip, cab and rar:
# libarchive 3.7.4 from Debian trixie's source package (with Debian's
# patches, then ours from scripts/libarchive-patches), built static with
# zlib, libbz2, liblzma and libzstd (zip's deflated, bzip2, LZMA, xz and
# zstd members): for both Windows architectures, and natively for the tests
# and the fuzzing of the readers. Everything lives in .cache/libarchive
# (ignored), so a second run costs nothing.
#   .cache/libarchive/src            the unpacked source (archive.h is in libarchive/)
#   .cache/libarchive/<triple>/libarchive.a
#   .cache/libarchive/native/libarchive.a  natively with gcc, for the sanitized native tests
#   .cache/libarchive/fuzz/libarchive.a    natively with clang, instrumented for fuzzing
# The three libraries are scripts/bzip2.sh's, xz.sh's and zstd.sh's of the
# same build, which this runs first (they do nothing when already built).
# Whatever links libarchive.a links them after it, then zlib:
#   libarchive.a libbz2.a liblzma.a libzstd.a libz.a (and bcrypt on Windows).
# Each libarchive.a keeps beside it (in "recipe") the checksum of what made
# it: this script, our patches and the three libraries' own recipes. A
# change to any of them builds it again; a changed patch fetches the source
# again first.
# Usage: scripts/libarchive.sh [x86_64|i686|native|fuzz]...   (default: x86_64 and i686)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/.cache/libarchive"
version=3.7.4
mkdir -p "$cache"
source "$here/scripts/debian_source.sh"

# Our own changes to the library (scripts/libarchive-patches), applied
# after Debian's: a change to them fetches and builds everything again.
patches=("$here"/scripts/libarchive-patches/*.patch)
stamp=$(cat "${patches[@]}" | sha256sum | cut -c1-16)

fetch_source() {
  [ -f "$cache/src/libarchive/archive.h" ] && [ "$(cat "$cache/patched" 2>/dev/null)" = "$stamp" ] && return 0
  rm -f "$cache/patched"
  debian_source libarchive "$version" "$cache/src"
  local patch
  for patch in "${patches[@]}"; do
    patch -d "$cache/src" -p1 --quiet --forward <"$patch"
  done
  echo "$stamp" >"$cache/patched"
}

# libraries NAME: the options that configure libarchive with zlib
# and the three libraries built as NAME (a MinGW triple, native or fuzz),
# given by path so that nothing else on the machine is taken, and every
# other optional library and program off.
libraries() {
  local name=$1 zlib=()
  case $name in
    *-w64-mingw32) zlib=(-DZLIB_LIBRARY="/usr/$name/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$name/include") ;;
  esac
  printf '%s\n' -DENABLE_ZLIB=ON "${zlib[@]}" \
    -DENABLE_BZip2=ON -DBZIP2_INCLUDE_DIR="$here/.cache/bzip2/src" -DBZIP2_LIBRARIES="$here/.cache/bzip2/$name/libbz2.a" \
    -DENABLE_LZMA=ON -DLIBLZMA_INCLUDE_DIR="$here/.cache/xz/$name/include" -DLIBLZMA_LIBRARY="$here/.cache/xz/$name/liblzma.a" \
    -DENABLE_ZSTD=ON -DZSTD_INCLUDE_DIR="$here/.cache/zstd/$name/include" -DZSTD_LIBRARY="$here/.cache/zstd/$name/libzstd.a"
  local o
  for o in LZ4 LZO LIBXML2 EXPAT PCREPOSIX PCRE2POSIX LIBGCC OPENSSL MBEDTLS NETTLE LIBB2 ICONV \
           ACL XATTR TAR CPIO CAT UNZIP TEST INSTALL; do
    echo "-DENABLE_$o=OFF"
  done
}

# recipe_of NAME: the checksum of what libarchive.a built as NAME is made of.
recipe_of() {
  cat "${BASH_SOURCE[0]}" <(echo "$stamp") "$here/.cache"/{bzip2,xz,zstd}/"$1"/recipe | sha256sum | cut -c1-16
}

# configured NAME WORK: fails, saying why, unless libarchive's configure
# step found every library it was given: a library it cannot link is
# otherwise left out without a word, and its members unreadable.
configured() {
  local name=$1 work=$2 m
  for m in HAVE_ZLIB_H HAVE_LIBZ HAVE_BZLIB_H HAVE_LIBBZ2 HAVE_LZMA_H HAVE_LIBLZMA HAVE_ZSTD_H HAVE_LIBZSTD; do
    if ! grep -q "^#define $m 1" "$work/config.h"; then
      echo "libarchive: $name was configured without $m (.cache/libarchive/configure-$name.log)" >&2
      return 1
    fi
  done
}

build_arch() {
  local triple=$1-w64-mingw32 out="$cache/$1-w64-mingw32" recipe
  recipe=$(recipe_of "$triple")
  [ -f "$out/libarchive.a" ] && [ "$(cat "$out/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  echo "libarchive: building for $triple"
  # The project's own toolchain files; packages are looked for in the
  # MinGW root only.
  local work="$cache/build-$1" toolchain="$here/cmake/toolchain-$1.cmake" libs
  mapfile -t libs < <(libraries "$triple")
  rm -rf "$work" "$out"
  # The configure step's one try_run crashes CMake 3.25 when cross-compiling:
  # both of its cache values are given, so it never runs.
  # lzma.h declares the functions dllimport unless LZMA_API_STATIC is
  # defined, and libarchive's own test for the define passes without it
  # (ld takes the imports from the static library), so it is defined here.
  cmake -S "$cache/src" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-DLZMA_API_STATIC \
    -DWINDOWS_VERSION=WIN7 -DENABLE_CNG=ON -DPOSIX_REGEX_LIB=NONE -DBUILD_TESTING=OFF \
    -DZLIB_WINAPI_EXITCODE=1 -DZLIB_WINAPI_EXITCODE__TRYRUN_OUTPUT= "${libs[@]}" >"$cache/configure-$1.log" 2>&1
  configured "$1" "$work"
  cmake --build "$work" --target archive_static -j "$(nproc)" >"$cache/build-$1.log" 2>&1
  mkdir -p "$out"
  cp "$work/libarchive/libarchive.a" "$out/libarchive.a" 2>/dev/null ||
    cp "$work/libarchive/libarchive_static.a" "$out/libarchive.a"
  echo "$recipe" >"$out/recipe"
  rm -rf "$work"
}

# The same source natively: with gcc for the native tests (the library
# itself not instrumented), with clang instrumented for libFuzzer and
# AddressSanitizer for fuzzing: the readers are tested and fuzzed with the
# library they ship with.
# build_native native|fuzz
build_native() {
  local name=$1 out="$cache/$1" work="$cache/build-$1" recipe libs
  recipe=$(recipe_of "$name")
  [ -f "$out/libarchive.a" ] && [ "$(cat "$out/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  echo "libarchive: building natively ($name)"
  mapfile -t libs < <(libraries "$name")
  rm -rf "$work" "$out"
  local compiler=gcc flags="-g -O1"
  [ "$name" = fuzz ] && compiler=clang flags="-g -O1 -fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer"
  CC=$compiler CFLAGS="$flags" cmake -S "$cache/src" -B "$work" -DCMAKE_BUILD_TYPE=Release \
    -DPOSIX_REGEX_LIB=NONE -DBUILD_TESTING=OFF -DENABLE_CNG=OFF "${libs[@]}" >"$cache/configure-$name.log" 2>&1
  configured "$name" "$work"
  cmake --build "$work" --target archive_static -j "$(nproc)" >"$cache/build-$name.log" 2>&1
  mkdir -p "$out"
  cp "$work/libarchive/libarchive.a" "$out/libarchive.a"
  echo "$recipe" >"$out/recipe"
  rm -rf "$work"
}

library_builds "$@"
for library in bzip2 xz zstd; do
  bash "$here/scripts/$library.sh" "${builds[@]}"
done
fetch_source
for a in "${builds[@]}"; do
  case $a in
    native | fuzz) build_native "$a" ;;
    *) build_arch "$a" ;;
  esac
done
