#!/usr/bin/env bash
# Runs the core's fuzz targets (build/fuzz), and the archivers' readers', one after the other, each for
# SECONDS (default 600), from the seed corpora in tests/fuzz/corpus. What
# a run adds to a corpus stays in build/fuzz/corpus; a finding is kept in
# build/fuzz/findings and its log in build/fuzz/logs. One line per target:
# its executions, or where the finding is. Fails when any target finds one.
# Usage: scripts/fuzz.sh [--seconds N] [TARGET...]   (default: every target)
#        scripts/fuzz.sh --list                      (the targets' names)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fuzz="$here/build/fuzz"
all=(sjis_path settings_value command_args entry_record number_text arj deflate64 legacy_zip pmarc quantum bzip2 bga
     archive_reader archive_headers)
if [ "${1:-}" = --list ]; then printf '%s\n' "${all[@]}"; exit 0; fi

seconds=600
if [ "${1:-}" = --seconds ]; then seconds=$2; shift 2; fi
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")

bash "$here/scripts/build.sh" fuzz >/dev/null || exit 1

# archive_seeds TARGET [EXTENSION...]: the test archives up to 64 KiB, each
# behind the byte that picks its reader (0 lzh, 1 zip, 2 cab, 3 rar, 4 arj,
# 5 gza and bza); with extensions, only those archives, and no byte.
archive_seeds() {
  local dir="$fuzz/seeds/$1" archives="$here/build/archives" f n=0 byte e extensions=("${@:2}") found=()
  ((${#extensions[@]})) || extensions=(lzh zip cab rar arj gza bza)
  rm -rf "$dir"
  mkdir -p "$dir"
  for e in "${extensions[@]}"; do found+=("$archives"/*."$e" "$archives"/*/*."$e"); done
  for f in "${found[@]}"; do
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 65535 ] || continue
    case $f in *.lzh) byte='\000' ;; *.zip) byte='\001' ;; *.cab) byte='\002' ;; *.rar) byte='\003' ;; *.arj) byte='\004' ;; *) byte='\005' ;; esac
    (($# > 1)) && byte=''
    { printf "$byte"; cat "$f"; } >"$dir/seed$((n += 1))"
  done
}
# stream_seeds TARGET FOLDER: the seeds of a decoder's target, made from the
# test archives in FOLDER by the Python on standard input, which finds each
# member's stream and hands it to seed(first_byte, size, data): the byte
# that picks the method, the original size in 3 bytes, the data up to
# 16 KiB.
stream_seeds() {
  local dir="$fuzz/seeds/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  python3 -c "$(cat <<'PY'
import glob, os, struct, sys
archives, seeds, made = sys.argv[1], sys.argv[2], [0]
def seed(first, size, data):
    made[0] += 1
    with open(os.path.join(seeds, "seed%d" % made[0]), "wb") as f:
        f.write(bytes([first]) + size.to_bytes(3, "little") + data[:16384])
PY
)
$(cat)" "$here/build/archives/$2" "$dir"
}
# zip's shrunk, reduced and imploded members of the test archives in legacy/,
# their method and Implode's flags in the first byte.
legacy_seeds() {
  stream_seeds legacy_zip legacy <<'PY'
import zipfile
for path in sorted(glob.glob(os.path.join(archives, "*.zip"))):
    with open(path, "rb") as f:
        raw = f.read()
    for member in zipfile.ZipFile(path).infolist():
        if not 1 <= member.compress_type <= 6 or member.compress_size > 16380 or member.file_size >= 1 << 24:
            continue
        at = member.header_offset
        start = at + 30 + sum(struct.unpack("<HH", raw[at + 26:at + 30]))
        seed(member.compress_type - 1 | (member.flag_bits & 6) << 3, member.file_size,
             raw[start:start + member.compress_size])
PY
}
# The -pm1- and -pm2- members of lhasa's PMarc archives (the tests' copies,
# level-0 headers all), -pm2- marked by a first byte of 1.
pmarc_seeds() {
  stream_seeds pmarc lhasa <<'PY'
for path in sorted(glob.glob(os.path.join(archives, "*.pma.lzh"))):
    data = open(path, "rb").read()
    at = 0
    while at + 22 <= len(data) and data[at] != 0:
        method = data[at + 2:at + 7]
        packed, original = struct.unpack_from("<II", data, at + 7)
        start = at + data[at] + 2
        if method in (b"-pm1-", b"-pm2-") and original < 1 << 24:
            seed(method == b"-pm2-", original, data[start:start + packed])
        at = start + packed
PY
}
mkdir -p "$fuzz/findings" "$fuzz/logs"
status=0
for t in "${targets[@]}"; do
  program="$fuzz/${t}_fuzz" log="$fuzz/logs/$t.log"
  if [ ! -x "$program" ]; then echo "fuzz: $t: no such target" >&2; status=1; continue; fi
  mkdir -p "$fuzz/corpus/$t"
  # Inputs up to 1,024 bytes: a whole 560-byte record, and numbers too long
  # for a double. The archive readers take whole archives, seeded with the
  # tests' own (scripts/make_archives.py), a format byte first.
  max_len=1024 seeds=("$here/tests/fuzz/corpus/$t")
  case $t in
    archive_reader | archive_headers | bga)
      # Findings kept in tests/fuzz/corpus run again first.
      max_len=16384 seeds=("$fuzz/seeds/$t")
      [ -d "$here/tests/fuzz/corpus/$t" ] && seeds+=("$here/tests/fuzz/corpus/$t")
      if [ "$t" = bga ]; then archive_seeds "$t" gza bza; else archive_seeds "$t"; fi ;;
    # Deflate64 streams as 7zz writes them (fixed, dynamic, far matches),
    # each behind its declared size, with room for more than their tables.
    deflate64) max_len=16384 ;;
    # zip's legacy methods as the test archives hold them.
    legacy_zip) max_len=16384 seeds=("$fuzz/seeds/$t"); legacy_seeds ;;
    # PMarc's streams from lhasa's archives, each behind its method and size.
    pmarc) max_len=16384 seeds=("$fuzz/seeds/pmarc"); pmarc_seeds ;;
    # Quantum streams behind their window's bits and size: a frame of text,
    # and three frames of repeats. Up to 4 KiB, since all of a stream is
    # decoded and its symbols cost more than its bytes.
    quantum) max_len=4096 ;;
    # bzip2 streams of one block and of three (runs, repeated text), each
    # behind its declared size.
    bzip2) max_len=16384 ;;
  esac
  # A library that answers a failed allocation has not crashed: the readers
  # ask libarchive for sizes a damaged header gives.
  if ASAN_OPTIONS=allocator_may_return_null=1 "$program" "$fuzz/corpus/$t" "${seeds[@]}" -max_total_time="$seconds" \
       -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$fuzz/findings/$t-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $t: $runs executions in $seconds s, nothing found"
  else
    echo "fuzz: $t: FOUND something, see $log:"
    grep -a -m3 'property broken\|ERROR: \|SUMMARY\|Test unit written' "$log" | sed 's/^/  /'
    status=1
  fi
done
exit $status
