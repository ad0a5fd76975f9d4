#!/usr/bin/env bash
# Runs the benchmarks of bench/ under wine64 and prints their figures.
# Usage: scripts/bench.sh [NAME...]   (e.g. real_archive_bench; default: all)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
only=" $* "
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" win64 >/dev/null
source "$here/scripts/env.sh"
source "$here/scripts/session.sh"
session_start
trap 'session_stop; rm -rf "${work:-}" "${scratch:-}"' EXIT
work=$(mktemp -d)

# best VARIABLE COMMAND...: the best of five runs, in seconds.
best() {
  local name=$1 start end t b=999; shift
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.4f", (b - a) / 1e9}')
    b=$(awk -v a="$t" -v b="$b" 'BEGIN {print (a < b) ? a : b}')
  done
  printf -v "$name" '%s' "$b"
}
# Each benchmark works in a folder of its own: none sees another's files.
real="$work/real_archive_bench"
mkdir -p "$real"
# The real-archive benchmark's archives, and the native tools on them.
python3 "$here/scripts/make_archives.py" --big "$real" 10000
best zip_list unzip -l "$real/big.zip"
best lzh_list bsdtar -tf "$real/big.lzh"
# into COMMAND...: runs COMMAND with a fresh folder as its last argument.
into() {
  local folder
  folder=$(mktemp -d -p "$work" x.XXXXXX)
  "$@" "$folder"
}
# Many small files are written on a tmpfs where there is one: ext4 makes a
# file slowly for a while after many were deleted, which would swing each
# figure by the one before it.
scratch=$work
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then scratch=$(mktemp -d -p /dev/shm plenkit-bench.XXXXXX); fi
on_scratch() {
  local folder
  folder=$(mktemp -d -p "$scratch" x.XXXXXX)
  "$@" "$folder"
}
best zip_x on_scratch unzip -q -o "$real/big.zip" -d
best lzh_x on_scratch bsdtar -xf "$real/big.lzh" -C
rm -rf "$work"/x.* "$scratch"/x.*
# One member of 140 MB, against 7-Zip (Debian's 7zip package).
# zstd: the tool whose stream one_zstd.zip holds.
if ! command -v 7zz >/dev/null || ! command -v zstd >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends 7zip zstd >/dev/null
fi
python3 "$here/scripts/make_archives.py" --one "$real" 140
seven() { 7zz x -y -bso0 -bsp0 "$1" "-o$2"; }
best zip_7z into seven "$real/one.zip"
best lzh_7z into seven "$real/one.lzh"
natives=()
for method in bzip2 lzma ppmd zstd deflate64; do
  best took into seven "$real/one_$method.zip"  # not `t`: best keeps one of its own
  natives+=("7zz $method=$took")
done
rm -rf "$work"/x.*
# The gza's and bza's very streams (one.gz, one.bz2), decompressed to a file.
decompress() { "$1" -dc "$2" >"$3/one.txt"; }
best gza_gzip into decompress gzip "$real/one.gz"
best bza_bzip2 into decompress bzip2 "$real/one.bz2"
rm -rf "$work"/x.*
# The same member encrypted, ZipCrypto and AES-256.
seven_secret() { 7zz x -y -bso0 -bsp0 -psecret "$1" "-o$2"; }
best zipcrypto_7z into seven_secret "$real/one_zipcrypto.zip"
best aes256_7z into seven_secret "$real/one_aes256.zip"
rm -rf "$work"/x.*
native=("unzip -l=$zip_list" "bsdtar -tf=$lzh_list" "unzip -o=$zip_x" "bsdtar -xf=$lzh_x" "7zz zip=$zip_7z"
  "7zz lzh=$lzh_7z" "7zz zipcrypto=$zipcrypto_7z" "7zz aes256=$aes256_7z" "gzip -dc=$gza_gzip"
  "bzip2 -dc=$bza_bzip2" "${natives[@]}")

for bench in "$here"/build/win64/out/*_bench.exe; do
  name=$(basename "$bench" .exe) args=()
  [ "$only" = "  " ] || [[ $only == *" $name "* ]] || continue
  [ "$name" = real_archive_bench ] && args=("out=Z:${scratch//\//\\}" "${native[@]}")
  mkdir -p "$work/$name"
  "$WINE" "$bench" "Z:${work//\//\\}\\$name" "${args[@]}" </dev/null 2>&1 | iconv -f CP932 -t UTF-8
done
rm -rf "$work" "$scratch"
