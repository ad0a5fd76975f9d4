# Shared environment of the project's scripts; sourced, not run.
plenkit_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Two Wines, each with a prefix of its own. Loaders and servers are always
# called by name: once wine32 is installed, /usr/bin/wine picks the 32-bit
# loader, and a 64-bit prefix must never meet it.
WINEPREFIX64=${PLENKIT_WINEPREFIX:-${HOME:-/root}/.plenkit-wine}
WINEPREFIX32=${PLENKIT_WINEPREFIX32:-${HOME:-/root}/.plenkit-wine32}

# wine_arch win64|win32: points WINE, WINESERVER, WINEPREFIX and WINEARCH at
# one of them. win64 is in force unless a script asks for win32.
wine_arch() {
  case $1 in
    win64) export WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 \
             WINEPREFIX=$WINEPREFIX64 WINEARCH=win64 ;;
    # Debian's wine32 has no preloader: the loader is "wine" itself.
    win32) export WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 \
             WINEPREFIX=$WINEPREFIX32 WINEARCH=win32 ;;
    *) echo "wine_arch: unknown $1" >&2; return 2 ;;
  esac
}
wine_arch win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes its own language (dialogs, menus) from LC_MESSAGES.
# Wine takes its ANSI code page from LC_CTYPE: ja_JP.UTF-8 gives 932. Set it
# only once the locale exists (setup.sh generates it), or every tool warns.
# A shell that read the locale files before set-up made this one (it started
# under another locale) cannot take it up itself, and says so; the programs
# it starts read them anew and take it, and they are the ones that need it.
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  export LC_CTYPE=ja_JP.UTF-8 LANG=ja_JP.UTF-8 2>/dev/null
fi

# regedit wants a Windows path for a file outside the prefix.
winepath_of() { echo "Z:${1//\//\\}"; }

# Succeeds where the kernel executes 32-bit x86 code, which the 32-bit Wine
# (and so the 32-bit Plenkit.exe) needs. Asked by running a 96-byte static
# i386 ELF that exits with 42 through the 32-bit system call gate. Nothing
# short of running one answers reliably: a kernel built with IA32 emulation
# can have it switched off at boot (ia32_emulation=0) while /proc/sys/abi
# still looks the same, /proc/config.gz is often missing, and a sandboxed
# kernel may refuse 32-bit calls whatever its configuration. Wine's own
# answer (/usr/lib/wine/wine --version) needs wine32 and its 107 packages
# installed first, which is what this decides. An i686 MinGW program would
# not do either: it is a Windows program that needs wine32 to start.
# The probe lives in the build folder, which must allow execution anyway
# (the native tests run there); a noexec /tmp would answer "no" wrongly.
runs_i386_code() {
  local probe="$plenkit_root/build/i386-probe"
  mkdir -p "$plenkit_root/build"
  if [ ! -x "$probe" ]; then
    # ELF header, one loadable segment at 0x08048000, then:
    # mov eax,1 (exit); mov ebx,42; int 0x80
    printf '%b' \
      '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
      '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
      '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
      '\x00\x00\x00\x00' \
      '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
      '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
      '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe.new"
    chmod +x "$probe.new" && mv "$probe.new" "$probe"
  fi
  local status=0
  "$probe" 2>/dev/null || status=$?
  [ "$status" -eq 42 ]
}
