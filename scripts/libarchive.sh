#!/usr/bin/env bash
# The archive-reading library our archivers use for zip, cab and rar:
# libarchive 3.7.4 from Debian trixie's source package (with Debian's
# patches, then ours from scripts/libarchive-patches), built static with
# zlib only: for both Windows architectures, and natively for the tests and
# the fuzzing of the readers. Everything lives in .cache/libarchive
# (ignored), so a second run costs nothing.
#   .cache/libarchive/src            the unpacked source (archive.h is in libarchive/)
#   .cache/libarchive/<triple>/libarchive.a
#   .cache/libarchive/native/libarchive.a  natively with gcc, for the sanitized native tests
#   .cache/libarchive/fuzz/libarchive.a    natively with clang, instrumented for fuzzing
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
  rm -rf "$cache"/*/libarchive.a "$cache/patched"
  debian_source libarchive "$version" "$cache/src"
  local patch
  for patch in "${patches[@]}"; do
    patch -d "$cache/src" -p1 --quiet --forward <"$patch"
  done
  echo "$stamp" >"$cache/patched"
}

build_arch() {
  local triple=$1-w64-mingw32 out="$cache/$1-w64-mingw32"
  [ -f "$out/libarchive.a" ] && return 0
  echo "libarchive: building for $triple"
  # The project's own toolchain files; packages are looked for in the
  # MinGW root only.
  local work="$cache/build-$1" toolchain="$here/cmake/toolchain-$1.cmake"
  local off=()
  for o in BZip2 LZMA LZ4 ZSTD LZO LIBXML2 EXPAT PCREPOSIX PCRE2POSIX LIBGCC OPENSSL MBEDTLS NETTLE LIBB2 ICONV \
           ACL XATTR TAR CPIO CAT UNZIP TEST INSTALL; do
    off+=("-DENABLE_$o=OFF")
  done
  rm -rf "$work"
  # The configure step's one try_run crashes CMake 3.25 when cross-compiling:
  # both of its cache values are given, so it never runs.
  cmake -S "$cache/src" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_BUILD_TYPE=Release \
    -DWINDOWS_VERSION=WIN7 -DENABLE_ZLIB=ON -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="/usr/$triple/include" -DENABLE_CNG=ON -DPOSIX_REGEX_LIB=NONE -DBUILD_TESTING=OFF \
    -DZLIB_WINAPI_EXITCODE=1 -DZLIB_WINAPI_EXITCODE__TRYRUN_OUTPUT= "${off[@]}" >"$cache/configure-$1.log" 2>&1
  cmake --build "$work" --target archive_static -j "$(nproc)" >"$cache/build-$1.log" 2>&1
  mkdir -p "$out"
  cp "$work/libarchive/libarchive.a" "$out/libarchive.a" 2>/dev/null ||
    cp "$work/libarchive/libarchive_static.a" "$out/libarchive.a"
  rm -rf "$work"
}

# The same source natively: with gcc for the native tests (the library
# itself not instrumented), with clang instrumented for libFuzzer and
# AddressSanitizer for fuzzing: the readers are tested and fuzzed with the
# library they ship with.
# build_native native|fuzz
build_native() {
  local name=$1 out="$cache/$1" work="$cache/build-$1"
  [ -f "$out/libarchive.a" ] && return 0
  echo "libarchive: building natively ($name)"
  local off=()
  for o in BZip2 LZMA LZ4 ZSTD LZO LIBXML2 EXPAT PCREPOSIX PCRE2POSIX LIBGCC OPENSSL MBEDTLS NETTLE LIBB2 ICONV \
           ACL XATTR TAR CPIO CAT UNZIP TEST INSTALL CNG; do
    off+=("-DENABLE_$o=OFF")
  done
  rm -rf "$work"
  local compiler=gcc flags="-g -O1"
  [ "$name" = fuzz ] && compiler=clang flags="-g -O1 -fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer"
  CC=$compiler CFLAGS="$flags" cmake -S "$cache/src" -B "$work" -DCMAKE_BUILD_TYPE=Release -DENABLE_ZLIB=ON \
    -DPOSIX_REGEX_LIB=NONE -DBUILD_TESTING=OFF "${off[@]}" >"$cache/configure-$name.log" 2>&1
  cmake --build "$work" --target archive_static -j "$(nproc)" >"$cache/build-$name.log" 2>&1
  mkdir -p "$out"
  cp "$work/libarchive/libarchive.a" "$out/libarchive.a"
  rm -rf "$work"
}

fetch_source
arches=("$@")
((${#arches[@]})) || arches=(x86_64 i686)
for a in "${arches[@]}"; do
  case $a in
    native | fuzz) build_native "$a" ;;
    *) build_arch "$a" ;;
  esac
done
