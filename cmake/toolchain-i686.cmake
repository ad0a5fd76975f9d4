# 32-bit Windows build: the product. Its tests run under the 32-bit Wine where
# the machine executes 32-bit code; scripts/env.sh gives that Wine its own
# prefix and server (wine_arch win32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debian's wine32 has no preloader: the loader is "wine" itself.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
