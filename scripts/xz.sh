#!/usr/bin/env bash
# The LZMA library libarchive decompresses the LZMA and xz members of zip
# archives with: liblzma 5.8.1 from Debian trixie's xz-utils source package
# (with Debian's patches), built static with its own CMake build; the
# command-line tools, translations and documentation left out.
#   .cache/xz/<build>/liblzma.a   <build>: x86_64-w64-mingw32, i686-w64-mingw32,
#   .cache/xz/<build>/include/      native (gcc) and fuzz (clang, instrumented)
# On Windows lzma.h declares the functions dllimport unless LZMA_API_STATIC
# is defined: code that includes it and links this library defines it.
# How it is built, cached and rebuilt: scripts/cmake_library.sh.
# Usage: scripts/xz.sh [x86_64|i686|native|fuzz]...   (default: x86_64 and i686)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/cmake_library.sh"
library_builds "$@"
# No threads: libarchive decodes single-threaded, and without them the
# library needs nothing beside it at the link (no pthread natively). The
# sandbox is the tools' (and refuses to configure under -fsanitize).
cmake_library xz xz-utils 5.8.1 . liblzma.a \
  -DBUILD_SHARED_LIBS=OFF -DXZ_THREADS=no -DXZ_NLS=OFF -DXZ_DOC=OFF -DBUILD_TESTING=OFF \
  -DXZ_TOOL_XZ=OFF -DXZ_TOOL_XZDEC=OFF -DXZ_TOOL_LZMADEC=OFF -DXZ_TOOL_LZMAINFO=OFF -DXZ_SANDBOX=no
