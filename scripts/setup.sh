#!/usr/bin/env bash
# Puts this machine in shape to build and run Plenkit: Debian packages, the
# Japanese locale, and the project's own Wine prefixes: the 64-bit one, and
# where the machine runs 32-bit code the 32-bit Wine and its prefix.
# Idempotent and quick when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/env.sh"

# 7zip: the tests make WinZip AES zips with 7zz, which Info-ZIP's zip cannot.
# cabextract: what the tests compare our reading of Quantum cabinets with.
# libgnutls30: Wine's bcrypt does AES through GnuTLS, which it loads at run
# time and which Wine only recommends; without it every AES zip fails with
# "Decryption is unsupported". Named with its architecture, since the 32-bit
# Wine needs the i386 one as well (below) and either would satisfy a bare name.
packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64
  libz-mingw-w64-dev cmake make g++ googletest wine wine64 fonts-wine
  fonts-ipafont-gothic fonts-ipafont-mincho xvfb xdotool x11-apps x11-utils
  imagemagick cups cups-client printer-driver-cups-pdf poppler-utils fp-utils
  locales python3 dpkg-dev zip unzip jlha-utils gcab arj libarchive-tools zlib1g-dev lhasa 7zip
  cabextract libgnutls30:amd64)

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
# stamp file says it is complete, and gives it the settings below. Both
# Wines get the same fonts and settings, so that both builds show the same
# screen.
make_prefix() {
  local stamp="$WINEPREFIX/.plenkit-ready"
  if [ ! -f "$stamp" ]; then
    echo "setup: creating $WINEARCH Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
    "$WINESERVER" -w || true
    ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    touch "$stamp"
  fi
  prefix_settings
}

# The virtual desktop; the program's Japanese faces as substitutes, and as
# replacements too: fonts listed under those names, which the font dialog
# then finds and selects.
prefix_registry='Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
'

# prefix_settings: imports prefix_registry unless the prefix has it already
# (a stamp holds its checksum), so that a changed text reaches old prefixes.
prefix_settings() {
  local stamp="$WINEPREFIX/.plenkit-settings" sum reg
  sum=$(printf '%s' "$prefix_registry" | md5sum | cut -d' ' -f1)
  [ "$(cat "$stamp" 2>/dev/null)" = "$sum" ] && return 0
  echo "setup: settings of the Wine prefix $WINEPREFIX"
  reg=$(mktemp --suffix=.reg)
  printf '%s' "$prefix_registry" | iconv -f UTF-8 -t UTF-16 >"$reg"
  "$WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1 </dev/null
  "$WINESERVER" -w || true
  rm -f "$reg"
  echo "$sum" >"$stamp"
}

make_prefix

# The printers the printing tests use, made once: "PDF", the default, writes
# each job to ~/PDF; "Rejecting" refuses every job, as a failing print
# service does. lpadmin needs a running scheduler, started here only for it.
if ! grep -q '^<DefaultPrinter PDF>' /etc/cups/printers.conf 2>/dev/null ||
   ! grep -q '^<Printer Rejecting>' /etc/cups/printers.conf; then
  echo "setup: adding the printers PDF and Rejecting"
  source "$here/scripts/session.sh"
  cups_start
  # (lpadmin warns that printer drivers are deprecated; this one is what
  # the machine has.)
  for printer in PDF Rejecting; do
    lpadmin -p "$printer" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  done
  lpadmin -d PDF
  cupsreject Rejecting
  cups_stop
fi

# The 32-bit Wine only where the kernel runs 32-bit code: elsewhere its
# packages would install and never start.
if runs_i386_code; then
  # Wine finds printers through libcups, and AES (bcrypt) through GnuTLS, of
  # its own architecture.
  wine32_packages=(wine32:i386 libwine:i386 libcups2:i386 libgnutls30:i386)
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

# The archivers' archive library and the bzip2, LZMA and Zstandard
# libraries it is configured with, from their Debian source packages, built
# once for both architectures (.cache/bzip2, .cache/xz, .cache/zstd,
# .cache/libarchive).
for library in bzip2 xz zstd libarchive; do
  bash "$here/scripts/$library.sh"
done
