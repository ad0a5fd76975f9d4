#!/usr/bin/env bash
# The Zstandard library libarchive decompresses the zstd members of zip
# archives with: libzstd 1.5.7 from Debian trixie's libzstd source package
# (with Debian's patches), built static with its CMake build (build/cmake),
# the whole library (the legacy formats' decoders included, as upstream
# builds it) and nothing else.
#   .cache/zstd/<build>/libzstd.a   <build>: x86_64-w64-mingw32, i686-w64-mingw32,
#   .cache/zstd/<build>/include/      native (gcc) and fuzz (clang, instrumented)
# zstd.h declares the functions for static linking unless ZSTD_DLL_IMPORT
# is 1: code using this library needs no define.
# How it is built, cached and rebuilt: scripts/cmake_library.sh.
# Usage: scripts/zstd.sh [x86_64|i686|native|fuzz]...   (default: x86_64 and i686)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/cmake_library.sh"
library_builds "$@"
# Single-threaded: libarchive decodes that way, and the library then needs
# nothing beside it at the link.
cmake_library zstd libzstd 1.5.7+dfsg build/cmake libzstd.a \
  -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF \
  -DZSTD_BUILD_CONTRIB=OFF -DZSTD_MULTITHREAD_SUPPORT=OFF -DBUILD_TESTING=OFF
