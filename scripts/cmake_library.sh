# shellcheck shell=bash
# Building a library that has a CMake build of its own (liblzma, libzstd)
# static, from its Debian trixie source package, for the four builds our
# archivers link it into: both Windows architectures with the project's
# toolchain files, natively with gcc for the native tests (the library itself
# not instrumented) and natively with clang, instrumented for libFuzzer and
# AddressSanitizer, for fuzzing; as bzip2.sh builds libbz2. For xz.sh and
# zstd.sh; sourced, not run. The script that sources it runs
#   library_builds "$@"           the builds asked for (default: x86_64 and i686)
#   cmake_library NAME PACKAGE VERSION PROJECT LIBRARY [CMAKE OPTIONS...]
# NAME: its folder in .cache (xz, zstd) and its name in messages; PACKAGE and
# VERSION: the Debian source package and its upstream version; PROJECT: the
# folder of the source whose CMakeLists.txt is built; LIBRARY: the static
# library the project installs (liblzma.a). What it makes:
#   .cache/NAME/src                    the unpacked source, Debian's patches applied
#   .cache/NAME/<build>/LIBRARY        <build>: x86_64-w64-mingw32,
#   .cache/NAME/<build>/include/         i686-w64-mingw32, native and fuzz
#   .cache/NAME/{configure,build}-<build>.log
# Each output keeps beside it the checksum of the recipe that made it (the
# sourcing script with this file; in <build>/recipe, and src/.recipe for the
# source): a changed recipe fetches and builds everything again, an
# unchanged one does nothing, so a second run costs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/scripts/debian_source.sh"
recipe=$(cat "${BASH_SOURCE[1]}" "${BASH_SOURCE[0]}" | sha256sum | cut -c1-16)

cmake_library_fetch() {
  local src="$here/.cache/$name/src"
  [ -f "$src/$project/CMakeLists.txt" ] && [ "$(cat "$src/.recipe" 2>/dev/null)" = "$recipe" ] && return 0
  mkdir -p "$here/.cache/$name"
  debian_source "$package" "$version" "$src"
  echo "$recipe" >"$src/.recipe"
}

# cmake_library_failed STEP BUILD LOG: says so, with the end of the log.
cmake_library_failed() {
  tail -n 30 "$here/.cache/$name/$3-$2.log" >&2
  echo "$name: $1 $2 failed (.cache/$name/$3-$2.log)" >&2
}

# cmake_library_build x86_64|i686|native|fuzz: configures the project into a
# scratch folder, builds it, installs it beside, and keeps the library and
# the installed headers.
cmake_library_build() {
  local cache="$here/.cache/$name" build=$1 compile=()
  # The optimisation goes in the Release flags, which the projects' own
  # defaults (-O3) would otherwise follow; assertions are off, as in a
  # release build of the library.
  case $build in
    x86_64 | i686)
      build=$1-w64-mingw32
      compile=(-DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-$1.cmake" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG") ;;
    native)
      compile=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_FLAGS=-g
               -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG") ;;
    fuzz)
      compile=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
               -DCMAKE_C_FLAGS="-g -fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer"
               -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG") ;;
  esac
  local out="$cache/$build" work="$cache/build-$build"
  [ -f "$out/$library" ] && [ "$(cat "$out/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  echo "$name: building $build"
  rm -rf "$work" "$out"
  # The install goes to a prefix in the scratch folder, lib/ by name: not
  # the multiarch folder GNUInstallDirs would pick under /usr.
  if ! cmake -S "$cache/src/$project" -B "$work/build" "${compile[@]}" -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_INSTALL_PREFIX="$work/install" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
         "${options[@]}" >"$cache/configure-$build.log" 2>&1; then
    cmake_library_failed configuring "$build" configure
    return 1
  fi
  if ! { cmake --build "$work/build" -j "$(nproc)" && cmake --install "$work/build"; } >"$cache/build-$build.log" 2>&1 ||
     [ ! -f "$work/install/lib/$library" ]; then
    cmake_library_failed building "$build" build
    return 1
  fi
  mkdir -p "$out"
  mv "$work/install/lib/$library" "$out/$library"
  mv "$work/install/include" "$out/include"
  echo "$recipe" >"$out/recipe"
  rm -rf "$work"
}

# cmake_library NAME PACKAGE VERSION PROJECT LIBRARY [CMAKE OPTIONS...]: the
# library, for each of the builds.
cmake_library() {
  local name=$1 package=$2 version=$3 project=$4 library=$5 b
  shift 5
  local options=("$@")
  cmake_library_fetch
  for b in "${builds[@]}"; do
    cmake_library_build "$b"
  done
}
