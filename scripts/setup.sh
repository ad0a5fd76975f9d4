#!/usr/bin/env bash
# Puts this machine in shape to build and run Plenkit: Debian packages, the
# Japanese locale, and the project's own Wine prefixes: the 64-bit one, and
# where the machine runs 32-bit code the 32-bit Wine and its prefix.
# Idempotent and quick when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/env.sh"

packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64
  libz-mingw-w64-dev cmake make g++ googletest wine wine64 fonts-wine
  fonts-ipafont-gothic fonts-ipafont-mincho xvfb xdotool x11-apps x11-utils
  imagemagick poppler-utils fp-utils locales)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The fuzz build: clang, then libFuzzer and clang's sanitizer runtimes, a
# package of clang's own version that clang does not pull in without
# recommends.
install_package() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed' && return 0
  echo "setup: installing $1"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$1" >/dev/null
}
install_package clang
install_package "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  echo "setup: generating ja_JP.UTF-8"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

source "$here/scripts/env.sh"  # again, now that the locale exists

# make_prefix: creates the prefix of the Wine that wine_arch chose, unless a
# stamp file says it is complete. Both Wines get the same fonts, font
# substitutes and virtual desktop, so that both builds show the same screen.
make_prefix() {
  local stamp="$WINEPREFIX/.plenkit-ready" reg
  [ -f "$stamp" ] && return 0
  echo "setup: creating $WINEARCH Wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
  "$WINESERVER" -w || true
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  reg=$(mktemp --suffix=.reg)
  iconv -f UTF-8 -t UTF-16 >"$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
REG
  "$WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1 </dev/null
  "$WINESERVER" -w || true
  rm -f "$reg"
  touch "$stamp"
}

make_prefix

# The 32-bit Wine only where the kernel runs 32-bit code: elsewhere its
# packages would install and never start.
if runs_i386_code; then
  wine32_packages=(wine32:i386 libwine:i386)
  missing=()
  for p in "${wine32_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  wine_arch win32
  make_prefix
  wine_arch win64
else
  echo "setup: this machine does not execute 32-bit code; only the 64-bit build will run"
fi
