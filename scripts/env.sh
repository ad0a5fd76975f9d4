# Shared environment of the project's scripts; sourced, not run.
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=${PLENKIT_WINEPREFIX:-${HOME:-/root}/.plenkit-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine takes its own language (dialogs, menus) from LC_MESSAGES.
# Wine takes its ANSI code page from LC_CTYPE: ja_JP.UTF-8 gives 932. Set it
# only once the locale exists (setup.sh generates it), or every tool warns.
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  export LC_CTYPE=ja_JP.UTF-8 LANG=ja_JP.UTF-8
fi

# regedit wants a Windows path for a file outside the prefix.
winepath_of() { echo "Z:${1//\//\\}"; }
