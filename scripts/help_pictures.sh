#!/usr/bin/env bash
# Renders help pages as a reader sees them, with headless Chromium (Wine
# here has no HTML engine, so its help viewer shows the frame only):
# build/help_pictures/<page>.png. Installs Chromium first if it is missing.
# Usage: help_pictures.sh [PAGE.html]...   (default: main.html extract.html)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
pages=("$@")
((${#pages[@]})) || pages=(main.html extract.html)

if ! command -v chromium >/dev/null; then
  echo "help_pictures: installing chromium"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends chromium fonts-ipafont-gothic >/dev/null
fi

out="$here/build/help_pictures"
mkdir -p "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for page in "${pages[@]}"; do
  [ -f "$here/help/$page" ] || { echo "help_pictures: no help/$page" >&2; exit 1; }
  # The help viewer's page area at its usual size.
  chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --hide-scrollbars \
    --user-data-dir="$profile" --window-size=760,900 \
    --screenshot="$out/${page%.html}.png" "file://$here/help/$page" >/dev/null 2>&1
  [ -s "$out/${page%.html}.png" ] || { echo "help_pictures: $page was not rendered" >&2; exit 1; }
  echo "$out/${page%.html}.png"
done
