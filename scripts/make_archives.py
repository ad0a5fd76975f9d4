#!/usr/bin/env python3
"""Real archives made at test time by Debian's own tools, with what those
tools list of them, for the tests of our archivers.

    make_archives.py OUT          archives, listings and references for the tests
    make_archives.py --demo OUT   sample.lzh, sample.zip, sample.cab and sample.gza for command 1
    make_archives.py --big OUT N  big.zip and big.lzh of N small members, for the benchmarks
    make_archives.py --one OUT M  one.zip, one.lzh, one_zipcrypto.zip, one_aes256.zip, one.gza and
                                  one.bza of one member of about M MB (with one.gz and one.bz2,
                                  that member's data alone), and one_<method>.zip of it for
                                  bzip2, lzma, ppmd, deflate64 and zstd, for the benchmarks

OUT/tree holds the files archived (named in UTF-8, as Wine shows Japanese
names to Windows programs); zip and arj are given them named in Shift-JIS
bytes, as a Japanese Windows names them. Every archive OUT/<name> gets OUT/<name>.list, one line
per member as the archiving tool lists it, in Shift-JIS:
    name TAB size TAB packed TAB stamp
with "\\" between folders and after a folder's name; packed is "-" where the
tool does not say; stamp is YYYYMMDD[HHMM[SS]], as precise as the tool is.
rar archives and zips of xz and zstd members come from libarchive's own
test set and are extracted natively into OUT/ref/<name>/ to compare with. No tool here writes gza or bza: those
are made byte by byte (tree.gza, tree.bza, and the corners in OUT/bga), and
listed as their headers say. OUT/legacy holds zips of shrink, reduce and
implode, with what each must come out as. OUT/hostile holds archives that try to
write outside their destination, a truncated archive and one with a huge
declared size per format.
"""

import binascii
import bz2
import collections
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RAR_TESTS = os.path.join(HERE, ".cache", "libarchive", "src", "libarchive", "test")
STAMP = "2024-03-15 12:34:56"  # even seconds: what a DOS time keeps

# (path with "/" between folders, content); a path ending in "/" is a folder.
def tree_files():
    rnd = random.Random(1)
    tab_text = "".join("第%d行\t表示\tソフト\t%d\r\n" % (i, i * i) for i in range(1, 300))
    return [
        ("readme.txt", b"Plenkit sample archive.\r\nDouble-click a text to read it.\r\n" * 20),
        ("表示.txt", tab_text.encode("cp932")),
        ("lf.txt", b"".join(b"line %d\tend\n" % i for i in range(400))),
        ("ソフト/", None),
        ("ソフト/データ.bin", bytes(rnd.getrandbits(8) for _ in range(6000)) + bytes(3000)),
        ("ソフト/能力.txt", ("能力\r\n" * 500).encode("cp932")),
        ("フォルダ/", None),
        ("フォルダ/日本語.txt", ("日本語\tテキスト\r\n" * 300).encode("cp932")),
    ]


def write_tree(root, encode):
    """The tree with names as `encode` gives them (bytes of a file name)."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for name, content in tree_files():
        path = os.path.join(os.fsencode(root), encode(name.rstrip("/")))
        if content is None:
            os.makedirs(path, exist_ok=True)
        else:
            with open(path, "wb") as f:
                f.write(content)
    for dirpath, dirnames, filenames in os.walk(os.fsencode(root)):
        for n in dirnames + filenames:
            subprocess.run(["touch", "-d", STAMP, os.path.join(dirpath, n)], check=True)


def write_trees(out):
    """The tree twice under `out`: tree-sjis (names in Shift-JIS bytes, for
    zip and arj) and tree (UTF-8, for jlha, gcab and the tests)."""
    sjis_tree, utf8_tree = os.path.join(out, "tree-sjis"), os.path.join(out, "tree")
    write_tree(sjis_tree, lambda n: n.encode("cp932"))
    write_tree(utf8_tree, lambda n: n.encode("utf-8"))
    return sjis_tree, utf8_tree


def run(args, cwd=None, stdin=None):
    return subprocess.run(args, cwd=cwd, input=stdin, check=True, capture_output=True).stdout


def sjis(name):
    return name.encode("cp932")


def write_list(path, rows):
    with open(path + ".list", "wb") as f:
        for name, size, packed, stamp in rows:
            f.write(name.replace(b"/", b"\\") + b"\t%d\t%s\t%s\n" % (size, packed, stamp.encode()))


MONTHS = {m: i + 1 for i, m in enumerate("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split())}


def zip_rows(path):
    """zipinfo's own listing; names are the stored bytes. Its attributes
    are Unix's mode or, for a DOS or Windows system, "-rw-a--" and the like."""
    rows = []
    for line in run(["zipinfo", "-l", "-T", path]).split(b"\n"):
        m = re.match(rb"^[-dlp][-rwxsStTah]{6,9}\s+\S+\s+\S+\s+(\d+)\s+\S+\s+(\d+)\s+\S+\s+(\d{8})\.(\d{6}) (.*)$", line)
        if m:
            rows.append((m.group(5), int(m.group(1)), m.group(2), (m.group(3) + m.group(4)).decode()))
    return rows


def bsdtar_rows(path, packed=None):
    """bsdtar's listing (names read as Shift-JIS); its dates say minutes, or
    only the day for old ones."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    out = subprocess.run(["bsdtar", "--options", "hdrcharset=CP932", "-tvf", path], check=True,
                         capture_output=True, env=env).stdout
    rows = []
    for i, line in enumerate(out.decode("utf-8").split("\n")):
        m = re.match(r"^(\S)\S+\s+\d+\s+\S+\s+\S+\s+(\d+)\s+(\w{3})\s+(\d+)\s+(\d+:\d+|\d{4})\s(.*)$", line)
        if not m:
            continue
        kind, size, month, day, when, name = m.groups()
        if kind == "l":
            name = name.split(" -> ")[0]
        if kind == "d" and not name.endswith("/"):
            name += "/"
        stamp = ("%s%02d%02d" % (when, MONTHS[month], int(day))) if ":" not in when else ""
        rows.append((name.encode("cp932"), int(size), packed[i] if packed else b"-", stamp))
    return rows


def lzh_packed(path):
    """jlha's own listing gives the packed sizes, in the archive's order."""
    sizes = []
    for line in run(["jlha", "v", path]).split(b"\n"):
        m = re.match(rb"^\[\w+\]\s+(\d+)\s+(\d+)\s+\S+\s+-lh\w-", line)
        if m:
            sizes.append(m.group(1))
    return sizes


def cab_rows(path):
    rows = []
    for line in run(["gcab", "-l", path]).decode("utf-8").split("\n"):
        m = re.match(r"^(.*) (\d+) (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d) 0x\w+$", line)
        if m:
            rows.append((m.group(1).encode("cp932"), int(m.group(2)), b"-", "".join(m.groups()[2:])))
    return rows


def arj_rows(path):
    rows = []
    lines = run(["arj", "v", path]).split(b"\n")
    for i, line in enumerate(lines):
        m = re.match(rb"^\d{3}\) (.*)$", line)
        n = re.match(rb"^\s*\d+ \w+\s+(\d+)\s+(\d+)\s+\S+ (\d\d)-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)", lines[i + 1]) if m else None
        if n:
            stamp = "20" + b"".join(n.groups()[2:]).decode()
            rows.append((m.group(1), int(n.group(1)), n.group(2), stamp))
    return rows


def rar_tests(out):
    """RAR4 and RAR5 archives of libarchive's test set, plain, solid and
    encrypted, and its zips of xz and zstd members, each with bsdtar's
    extraction (and listing; zipinfo's for the zips)."""
    chosen = {
        "xz_multi.zip": "test_read_format_zip_xz_multi.zipx.uu",
        "zstd_multi.zip": "test_read_format_zip_zstd_multi.zipx.uu",
        "rar4.rar": "test_read_format_rar.rar.uu",
        "rar4_best.rar": "test_read_format_rar_compress_best.rar.uu",
        "rar5.rar": "test_read_format_rar5_compressed.rar.uu",
        "rar5_solid.rar": "test_read_format_rar5_multiple_files_solid.rar.uu",
        "rar5_stored.rar": "test_read_format_rar5_stored.rar.uu",
        "rar4_encrypted.rar": "test_read_format_rar_encryption_data.rar.uu",
    }
    for name, source in chosen.items():
        data = b""
        with open(os.path.join(RAR_TESTS, source), "rb") as f:
            lines = f.read().split(b"\n")
        for line in lines[1:]:
            if line.startswith(b"end") or not line.strip():
                break
            data += binascii.a2b_uu(line)
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(data)
        write_list(path, zip_rows(path) if name.endswith(".zip") else bsdtar_rows(path))
        if "encrypted" not in name:
            ref = os.path.join(out, "ref", name)
            os.makedirs(ref)
            run(["bsdtar", "-xf", path, "-C", ref])


def normal_archives(out):
    tree, utf8_tree = write_trees(out)
    files = [n.rstrip("/") for n, _ in tree_files()]
    sj = [n.encode("cp932") for n in files]

    # zip: deflated, stored, zip64, a member with a data descriptor, ZipCrypto.
    for name, options in (("deflate.zip", []), ("stored.zip", ["-0"]), ("zip64.zip", ["-fz"])):
        path = os.path.join(out, name)
        run(["zip", "-q", "-X"] + options + [path] + sj, cwd=tree)
        write_list(path, zip_rows(path))
    path = os.path.join(out, "descriptor.zip")
    run(["zip", "-q", "-X", "-fd", path, "-"], stdin=tree_files()[1][1])
    write_list(path, zip_rows(path))
    path = os.path.join(out, "crypto.zip")
    run(["zip", "-q", "-X", "-P", "secret", path, sj[0]], cwd=tree)
    write_list(path, zip_rows(path))

    # zip's other methods: Info-ZIP's bzip2; 7-Zip's BZip2, LZMA and PPMd
    # (given the ASCII names: 7zz reads names in the locale's character set).
    path = os.path.join(out, "bzip2.zip")
    run(["zip", "-q", "-X", "-Z", "bzip2", path] + sj, cwd=tree)
    write_list(path, zip_rows(path))
    for method in ("BZip2", "LZMA", "PPMd"):
        path = os.path.join(out, "%s_7z.zip" % method.lower())
        run(["7zz", "a", "-tzip", "-mm=" + method, "-bso0", "-bsp0", path, "readme.txt", "lf.txt"], cwd=tree)
        write_list(path, zip_rows(path))

    # lzh: stored and three methods at three header levels, names stored in
    # Shift-JIS ("y").
    utf = [n.encode("utf-8") for n, c in zip(files, tree_files()) if c[1] is not None]
    for method in "0567":
        for level in "012":
            path = os.path.join(out, "lh%s_level%s.lzh" % (method, level))
            how = "z" if method == "0" else "o" + method
            run(["jlha", "a%sy%s" % (how, level), path] + utf, cwd=utf8_tree)
            write_list(path, bsdtar_rows(path, lzh_packed(path)))

    # cab: MSZIP and stored, names given in UTF-8 (gcab marks them so).
    for name, options in (("mszip.cab", ["-z"]), ("stored.cab", [])):
        path = os.path.join(out, name)
        run(["gcab", "-c"] + options + [path] + utf, cwd=utf8_tree)
        write_list(path, cab_rows(path))

    # arj: methods 0 to 4. Debian's arj takes a 0x5C byte in a name for a
    # separator, so it gets the files whose names have none.
    plain = [n for n, c in zip(sj, tree_files()) if c[1] is not None and b"\\" not in n]
    for method in range(5):
        path = os.path.join(out, "m%d.arj" % method)
        run(["arj", "a", "-m%d" % method, "-y", path] + plain, cwd=tree)
        write_list(path, arj_rows(path))

    # gza and bza: made here byte by byte (no tool writes them), every file
    # and folder of the tree, each listed as its header says.
    for method, name in ((GZIP, "tree.gza"), (BZ2, "tree.bza")):
        path = os.path.join(out, name)
        entries = bga_tree(method)
        with open(path, "wb") as f:
            f.write(b"".join(e.member for e in entries))
        write_list(path, [bga_row(e) for e in entries])

    rar_tests(out)


# ---- hostile archives, made byte by byte ----

EVIL = [b"../evil1.txt", b"..\\evil2.txt", b"/evil3.txt", b"C:evil4.txt", b"sub/../../evil5.txt", b"CON",
        b"good.txt"]


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def zip_with(names, content=b"bad\r\n", declared=None, crc=None, deflate=False, big=None, packed=None, method=None,
             date=0x5821):
    """Members stored (or deflated), or `packed` as given, with the CRC and
    size given; `big` declares that size in a zip64 field; `method` names
    another method for the same bytes (a dict: per name, stored if not
    named); `date` is the DOS date of each."""
    local, central, offset = b"", b"", 0
    data = content if packed is None else packed
    if deflate and packed is None:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        data = packer.compress(content) + packer.flush()
    for name in names:
        size = declared or len(content)
        extra = struct.pack("<HHQQ", 1, 16, big, len(data)) if big else b""
        sizes = (0xFFFFFFFF, 0xFFFFFFFF) if big else (len(data), size)
        check = zlib.crc32(content) if crc is None else crc
        kind = method.get(name, 0) if isinstance(method, dict) else method if method is not None else 8 if deflate else 0
        head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if big else 20, 0, kind, 0, date, check,
                           *sizes, len(name), len(extra)) + name + extra
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 45 if big else 20, 0, kind, 0,
                               date, check, *sizes, len(name), len(extra), 0, 0, 0, 0, offset) + name + extra
        local += head + data
        offset += len(head) + len(data)
    return local + central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(names), len(names), len(central),
                                         offset, 0)


def lzh_with(names, content=b"bad\r\n", declared=None, crc=None):
    out = b""
    for name in names:
        body = b"-lh0-" + struct.pack("<IIIBB", len(content), declared or len(content), 0x58210000, 0x20, 0)
        body += bytes([len(name)]) + name + struct.pack("<H", crc16(content) if crc is None else crc)
        out += bytes([len(body), sum(body) & 0xFF]) + body + content
    return out + b"\0"


def arj_block(basic):
    return b"\x60\xEA" + struct.pack("<H", len(basic)) + basic + struct.pack("<I", zlib.crc32(basic)) + b"\0\0"


def arj_with(names, content=b"bad\r\n", declared=None, crc=None, folders=()):
    def basic(name, file_type, packed, original, crc):
        return struct.pack("<BBBBBBBBIIIIHHH", 30, 11, 1, 0, 0, 0, file_type, 0, 0x58210000, packed, original, crc,
                           0, 0, 0) + name + b"\0\0"
    out = arj_block(basic(b"hostile.arj", 2, 0, 0, 0))
    for name in folders:
        out += arj_block(basic(name, 3, 0, 0, 0))
    for name in names:
        check = zlib.crc32(content) if crc is None else crc
        out += arj_block(basic(name, 0, len(content), declared or len(content), check)) + content
    return out + b"\x60\xEA\0\0"


def rar_block(kind, flags, body):
    head = struct.pack("<BHH", kind, flags, 7 + len(body)) + body
    return struct.pack("<H", zlib.crc32(head) & 0xFFFF) + head


def rar_with(names, content=b"bad\r\n", declared=None, crc=None):
    """RAR4, stored members, Windows host."""
    out = b"Rar!\x1a\x07\x00" + rar_block(0x73, 0, b"\0" * 6)
    for name in names:
        check = zlib.crc32(content) if crc is None else crc
        body = struct.pack("<IIBIIBBHI", len(content), declared or len(content), 2, check, 0x58210000,
                           20, 0x30, len(name), 0x20) + name
        out += rar_block(0x74, 0x8000, body) + content
    return out + rar_block(0x7B, 0x4000, b"")


# ---- gza and bza, made byte by byte ----
#
# A gza (or bza) archive is its members one after another to the end of the
# file, with nothing before, between or after them. A member is a 28-byte
# header, little-endian:
#    0  4  checksum: the sum of bytes 4-27 and of the name's, each a signed char
#    4  4  "GZIP" or "BZ2\0"
#    8  4  size of the data          12  4  original size
#   16  2  DOS date                  18  2  DOS time
#   20  1  DOS attributes            21  1  header type, 0
#   22  2  arc type: 1 compressed, 2 stored, 0 stored only when both sizes are
#          equal and the name ends in one of BGA_STORED_EXTENSIONS
#   24  2  length of the folder part 26  2  length of the file part
# then the name (folder part ending in "\", then file part, Shift-JIS, no
# terminator) and the data: one gzip member or one bzip2 stream, or the
# bytes themselves when stored. Folders here are members of their own:
# attribute 0x10, empty file part, both sizes 0, arc type 2.

BGA_STORED_EXTENSIONS = (".arc", ".arj", ".bz2", ".bza", ".cab", ".gz", ".gza", ".lzh", ".lzs", ".pak", ".rar",
                         ".taz", ".tbz", ".tgz", ".z", ".zip", ".zoo")
GZIP, BZ2 = b"GZIP", b"BZ2\0"


def dos_stamp(stamp=STAMP):
    """(DOS date, DOS time) of "YYYY-MM-DD HH:MM:SS"."""
    year, month, day, hour, minute, second = map(int, re.split(r"[- :]", stamp))
    return (year - 1980) << 9 | month << 5 | day, hour << 11 | minute << 5 | second // 2


def gzip_member(content, level=6, name=None, comment=None, extra=None, header_crc=False, text=False, mtime=0,
                system=0, crc=None, isize=None):
    """One gzip member (RFC 1952) of `content`, with FNAME, FCOMMENT, FEXTRA
    (the field's bytes), FHCRC and FTEXT as asked; `crc` and `isize` put
    other values in the trailer."""
    flags = text | header_crc << 1 | (extra is not None) << 2 | (name is not None) << 3 | (comment is not None) << 4
    head = struct.pack("<BBBBIBB", 0x1F, 0x8B, 8, flags, mtime, {1: 4, 9: 2}.get(level, 0), system)
    if extra is not None:
        head += struct.pack("<H", len(extra)) + extra
    for field in (name, comment):
        if field is not None:
            head += field + b"\0"
    if header_crc:
        head += struct.pack("<H", zlib.crc32(head) & 0xFFFF)
    packer = zlib.compressobj(level, zlib.DEFLATED, -15)
    body = packer.compress(content) + packer.flush()
    return head + body + struct.pack("<II", zlib.crc32(content) if crc is None else crc,
                                     (len(content) if isize is None else isize) & 0xFFFFFFFF)


def gzip_of_own_size(content, name):
    """A gzip member of `content` exactly as long as `content`: FNAME `name`
    and an FCOMMENT of the length that makes up the difference."""
    shortfall = len(content) - len(gzip_member(content, name=name, comment=b""))
    if shortfall < 0:
        raise RuntimeError("%s: compresses to more than its size" % name.decode())
    data = gzip_member(content, name=name, comment=b"-" * shortfall)
    assert len(data) == len(content)
    return data


def bzip2_of_own_size():
    """Content whose bzip2 stream (level 9) is exactly as long as it is: a
    stream has no field to pad, so random bytes, which bzip2 cannot shrink,
    are followed by text, which it can, in the first mix of lengths that
    comes out even."""
    rnd = random.Random(5)
    noise = bytes(rnd.getrandbits(8) for _ in range(800))
    text = b"".join(b"line %d of the member\r\n" % i for i in range(40))
    for random_part in range(600, 800):
        for text_part in range(len(text)):
            content = noise[:random_part] + text[:text_part]
            if len(bz2.compress(content, 9)) == len(content):
                return content
    raise RuntimeError("no content packs by bzip2 to its own size")


def bga_name(name):
    """(folder part, file part) of a member's name: a str with "/" between
    folders (a folder's own name ending in "/"), in Shift-JIS with "\\"; or
    bytes, split after their last "/" or "\\" and kept as they are."""
    if isinstance(name, bytes):
        cut = max(name.rfind(b"/"), name.rfind(b"\\")) + 1
        return name[:cut], name[cut:]
    cut = name.rfind("/") + 1
    return sjis(name[:cut].replace("/", "\\")), sjis(name[cut:])


def bga_member(name, data, original, method=GZIP, arc_type=1, attributes=0x20, stamp=STAMP, checksum_error=0,
               packed=None):
    """One member: header, name and `data` as it is to be stored, declaring
    `original` bytes (and `packed` bytes of data, when it follows apart);
    `checksum_error` is added to the header's checksum."""
    folder, file = bga_name(name)
    date, time = dos_stamp(stamp)
    fields = method + struct.pack("<IIHHBBHHH", len(data) if packed is None else packed, original, date, time,
                                  attributes, 0, arc_type, len(folder), len(file)) + folder + file
    checksum = sum(b - 256 if b & 0x80 else b for b in fields) + checksum_error
    return struct.pack("<I", checksum & 0xFFFFFFFF) + fields + data


BgaEntry = collections.namedtuple("BgaEntry", "name content data member status")


def bga_entry(name, content, method=GZIP, data=None, arc_type=None, original=None, status="ok", **header):
    """A member of `name` (str, "/" between folders) holding `content` (None
    for a folder), with what a correct reader does with it (`status`, see
    bga_archives). Its data is `data`, or `content` packed by `method` (gzip
    level 6, bzip2 level 9), or `content` itself for arc type 2; `original`
    overrides the original size declared."""
    if content is None:
        data, arc_type, header["attributes"] = b"", 2, 0x10
    elif data is None:
        data = content if arc_type == 2 else gzip_member(content) if method == GZIP else bz2.compress(content, 9)
    if arc_type == 0 and (data == content) != (len(data) == len(content) and
                                               name.lower().endswith(BGA_STORED_EXTENSIONS)):
        raise RuntimeError("%s: arc type 0 says otherwise of its data" % name)
    member = bga_member(name, data, len(content or b"") if original is None else original, method,
                        1 if arc_type is None else arc_type, **header)
    return BgaEntry(name, content, data, member, status)


def bga_row(entry):
    """The .list row of a member: its name, the original size and the stamp
    its header declares, and the size of its data."""
    size, date, time = struct.unpack_from("<IHH", entry.member, 12)
    stamp = "%04d%02d%02d%02d%02d%02d" % (1980 + (date >> 9), date >> 5 & 15, date & 31, time >> 11, time >> 5 & 63,
                                          (time & 31) * 2)
    return sjis(entry.name), size, b"%d" % len(entry.data), stamp


def bga_tree(method):
    """Every file and folder of tree_files(), in order."""
    return [bga_entry(name, content, method) for name, content in tree_files()]


def hostile_archives(out, good):
    """Per format: names that leave the destination, the good archive cut in
    half, and a member declaring a size far beyond its data."""
    folder = os.path.join(out, "hostile")
    os.makedirs(folder)
    made = {
        "names.zip": zip_with(EVIL), "huge.zip": zip_with([b"huge.txt"], declared=0xFFFFFFF0),
        "names.lzh": lzh_with(EVIL), "huge.lzh": lzh_with([b"huge.txt"], declared=0xFFFFFFF0),
        "names.arj": arj_with(EVIL), "huge.arj": arj_with([b"huge.txt"], declared=0xFFFFFFF0),
        "names.rar": rar_with(EVIL), "huge.rar": rar_with([b"huge.txt"], declared=0xFFFFFFF0),
        "names.gza": b"".join(bga_entry(name, b"bad\r\n").member for name in EVIL),
        "huge.gza": bga_entry(b"huge.txt", b"bad\r\n", original=0xFFFFFFF0).member,
    }
    # cab: gcab writes what it is given; the names are then made to climb.
    cab_tree = os.path.join(out, "cab-tree")
    os.makedirs(os.path.join(cab_tree, "zz"))
    for n in ("zz/evil1.txt", "good.txt"):
        with open(os.path.join(cab_tree, n), "wb") as f:
            f.write(b"bad\r\n")
    cab = os.path.join(out, "names-cab.tmp")
    run(["gcab", "-c", cab, "zz/evil1.txt", "good.txt"], cwd=cab_tree)
    with open(cab, "rb") as f:
        made["names.cab"] = f.read().replace(b"zz\\evil1.txt", b"..\\evil1.txt")
    os.remove(cab)
    shutil.rmtree(cab_tree)
    data = bytearray(made["names.cab"])
    files_at = struct.unpack_from("<I", data, 16)[0]
    struct.pack_into("<I", data, files_at, 0xFFFFFFF0)  # the first file's size
    made["huge.cab"] = bytes(data)
    for name, source in good.items():
        with open(os.path.join(out, source), "rb") as f:
            whole = f.read()
        made[name] = whole[: len(whole) // 2]
    for name, data in made.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


VICTIM = b"what the archive says\r\n" * 40


def flip_last_data_byte(path, before_end):
    """The byte `before_end` bytes from the end, flipped: damaged data under
    intact headers."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    data[-before_end] ^= 0x55
    with open(path, "wb") as f:
        f.write(bytes(data))


def vint(n):
    """A number as RAR5 keeps it: seven bits a byte, the high bit saying more follow."""
    out = b""
    while True:
        low, n = n & 0x7F, n >> 7
        if not n:
            return out + bytes([low])
        out += bytes([low | 0x80])


def rar5_block(kind, fields, extra=b"", data=None):
    """A RAR5 header of `kind`, with an extra area and a data area when given."""
    flags = (1 if extra else 0) | (2 if data is not None else 0)
    body = vint(kind) + vint(flags) + (vint(len(extra)) if extra else b"") + (
        vint(len(data)) if data is not None else b"") + fields + extra
    head = vint(len(body)) + body
    return struct.pack("<I", zlib.crc32(head)) + head + (data or b"")


def rar5_with(members):
    """RAR5, stored members of a Unix host, each (name, data, redirection);
    a redirection is (type, target): 3 a junction, 5 a copy of a member."""
    out = b"Rar!\x1a\x07\x01\x00" + rar5_block(1, vint(0))
    for name, data, redirection in members:
        extra = b""
        if redirection:
            kind, target = redirection
            record = vint(5) + vint(kind) + vint(0) + vint(len(target)) + target
            extra = vint(len(record)) + record
        fields = (vint(0x04) + vint(len(data)) + vint(0o100644) + struct.pack("<I", zlib.crc32(data)) + vint(0) +
                  vint(1) + vint(len(name)) + name)
        out += rar5_block(2, fields, extra, data)
    return out + rar5_block(5, vint(0))


def rar5_data_at(archive):
    """Where the first file header's data begins in a RAR5 archive."""
    def number(at):
        value, shift = 0, 0
        while True:
            value, shift, at = value | (archive[at] & 0x7F) << shift, shift + 7, at + 1
            if not archive[at - 1] & 0x80:
                return value, at
    at = 8
    while True:
        size, start = number(at + 4)
        kind, fields = number(start)
        flags, fields = number(fields)
        if flags & 1:
            _, fields = number(fields)
        data = number(fields)[0] if flags & 2 else 0
        if kind == 2:
            return start + size
        at = start + size + data


def mac_members(tree, count):
    """`count` members of level-1 headers that name the Mac as their system,
    each a copy of one jlha made under another name, called -lhx- (whose
    history is a mebibyte: a listing that decodes them pays for it)."""
    with open(os.path.join(tree, "f00000"), "wb") as f:
        f.write(VICTIM[:300])
    path = os.path.join(tree, "one.lzh")
    run(["jlha", "ao7y1", path, "f00000"], cwd=tree)
    with open(path, "rb") as f:
        one = f.read()
    size, name_length = one[0], one[21]
    member = bytearray(one[: 2 + size + struct.unpack_from("<I", one, 7)[0]])
    member[24 + name_length] = ord("m")
    member[2:7] = b"-lhx-"
    # The extended headers, one of which may hold the whole header's CRC-16.
    crc_at, end = None, 2 + size
    following = struct.unpack_from("<H", member, end - 2)[0]
    while following:
        if member[end] == 0:
            crc_at = end + 1
        end += following
        following = struct.unpack_from("<H", member, end - 2)[0]
    out = []
    for i in range(count):
        member[22:22 + name_length] = b"f%05d" % i
        member[1] = sum(member[2:2 + size]) & 0xFF
        if crc_at:
            member[crc_at:crc_at + 2] = b"\0\0"
            struct.pack_into("<H", member, crc_at, crc16(member[:end]))
        out.append(bytes(member))
    return b"".join(out) + b"\0"


def unreadable_archives(out):
    """What a user meets that cannot be read whole: an LZH cut off inside
    its first member, a zip of methods not read here in folders of their
    own, and a zip whose members carry no date (DOS date 0)."""
    folder = os.path.join(out, "unreadable")
    os.makedirs(folder)
    with open(os.path.join(out, "lh5_level1.lzh"), "rb") as f:
        lzh = f.read()
    made = {"cut.lzh": lzh[:60],
            "unsupported.zip": zip_with([b"dir/a.bin", b"dir/sub/b.bin"], VICTIM, method=97),  # WavPack
            "zerodate.zip": zip_with([b"dir/a.txt", b"dir/b.txt", b"c.txt"], VICTIM, date=0)}
    for name, data in made.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def safety_archives(out):
    """Archives that must never cost a user a file, nor hang, nor crash."""
    folder = os.path.join(out, "safety")
    os.makedirs(folder)
    tree = os.path.join(out, "safety-tree")
    os.makedirs(tree)

    def made(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    def tool(name, args, files):
        for n, content in files:
            with open(os.path.join(tree, n), "wb") as f:
                f.write(content)
        run(args + [os.path.join(folder, name)] + [n for n, _ in files], cwd=tree)

    # A member victim.txt whose check value fails, in every format.
    made("crc.zip", zip_with([b"victim.txt"], VICTIM, crc=1))
    made("crc_deflate.zip", zip_with([b"victim.txt"], VICTIM, crc=1, deflate=True))
    made("crc0.lzh", lzh_with([b"victim.txt"], VICTIM, crc=1))
    made("crc.arj", arj_with([b"victim.txt"], VICTIM, crc=1))
    made("crc.rar", rar_with([b"victim.txt"], VICTIM, crc=1))
    tool("crc5.lzh", ["jlha", "ao5"], [("victim.txt", VICTIM)])
    flip_last_data_byte(os.path.join(folder, "crc5.lzh"), 2)
    run(["gcab", "-c", os.path.join(folder, "crc.cab"), "victim.txt"], cwd=tree)
    flip_last_data_byte(os.path.join(folder, "crc.cab"), 1)
    # Sizes: a member that declares 10 bytes and holds a mebibyte; one that
    # declares more than any disk holds.
    made("overrun.zip", zip_with([b"overrun.bin"], bytes(1 << 20), declared=10, deflate=True))
    # (Text, not zeros: a CRC-16 of zeros is zero, whatever their number.)
    tool("overrun.lzh", ["jlha", "ao5y0"], [("overrun.bin", (VICTIM * 1200)[: 1 << 20])])
    with open(os.path.join(folder, "overrun.lzh"), "rb") as f:
        lzh = bytearray(f.read())
    struct.pack_into("<I", lzh, 11, 10)  # the original size of the level-0 header
    lzh[1] = sum(lzh[2:2 + lzh[0]]) & 0xFF
    made("overrun.lzh", bytes(lzh))
    made("room.zip", zip_with([b"huge.bin"], VICTIM, big=1 << 60))
    # Members named like the archive they are in.
    made("self.zip", zip_with([b"self.zip"], VICTIM))
    made("case.zip", zip_with([b"CASE.ZIP"], VICTIM))
    made("self.arj", arj_with([b"self.arj"], VICTIM))
    # Names a device would answer to once a cut character is dropped; folders
    # whose last character's trail byte is 0x5C.
    made("devices.arj", arj_with([b"COM1\x81", b"NUL\x81", b"AUX\x81", b"good.txt"], VICTIM))
    made("damaged.arj", arj_with([b"a.txt", b"b.txt", b"c.txt"], VICTIM, crc=1))
    made("trail.arj", arj_with([b"\x95\x5c/a.txt"], VICTIM, folders=[b"\x95\x5c", b"\x83\x5c"]))
    # A cabinet whose folders all claim one chain of 65,535 data blocks.
    blocks = b"\0\0\0\0\0\0\1\0" * 65535
    folders = 2000
    files_at = 36 + 8 * folders
    data_at = files_at + 16 + len(b"a.txt\0")
    head = b"MSCF" + struct.pack("<IIIIIBBHHHHH", 0, data_at + len(blocks), 0, files_at, 0, 3, 1, folders, 1, 0, 1,
                                 0)
    folder_entries = struct.pack("<IHH", data_at, 65535, 0) * folders
    file_entry = struct.pack("<IIHHHH", 5, 0, 0, 0x5821, 0, 0x20) + b"a.txt\0"
    made("chain.cab", head + folder_entries + file_entry + blocks)
    # Long work: a member of 2 GiB of zeros, a couple of megabytes deflated.
    size, packer, crc, data = (1 << 31) - 1, zlib.compressobj(1, zlib.DEFLATED, -15), 0, []
    chunk = bytes(1 << 24)
    for at in range(0, size, len(chunk)):
        piece = chunk[: min(len(chunk), size - at)]
        crc = zlib.crc32(piece, crc)
        data.append(packer.compress(piece))
    data.append(packer.flush())
    made("long.zip", zip_with([b"zeros.bin"], b"", crc=crc, deflate=True, packed=b"".join(data), declared=size))
    # A first member whose path passes MAX_PATH under any destination, then
    # a short one.
    made("longname.zip", zip_with([b"d" * 120 + b"/" + b"e" * 120 + b"/long.txt", b"short.txt"], VICTIM))
    # A name with a "." part; one longer than any path Windows holds; one
    # 16,000 folders deep that fits.
    made("dot.zip", zip_with([b"a/./b.txt"], VICTIM))
    made("toolong.zip", zip_with([b"ab/" * 11000 + b"x.txt"], VICTIM))
    made("deep.zip", zip_with([b"a/" * 16000 + b"x.txt"], VICTIM))
    # 4,000 names of letters Shift-JIS lacks, marked UTF-8; 4,000 LZH names
    # that no character set reads (each ends in a lead byte cut short, and
    # holds bytes Windows' western code page lacks).
    made("foreign.zip", zip_flagged([("\ud55c\uae00" * 30 + "%04d.txt" % i).encode() for i in range(4000)]))
    made("badbytes.lzh", lzh_with([b"\x8d\x8f\x90\x9d" * 25 + b"%04d\x81" % i for i in range(4000)]))
    # 20,000 members of the Mac's tools.
    made("mac.lzh", mac_members(tree, 20000))
    # RAR5 redirections holding data: a junction and a copy, beside their
    # target.
    made("redirect.rar", rar5_with([(b"target.txt", VICTIM, None), (b"junction", VICTIM * 100, (3, b"target")),
                                    (b"copy.txt", VICTIM, (5, b"target.txt"))]))
    # A solid RAR5 whose first member's first block fails its check: a
    # listing that decodes stops there.
    with open(os.path.join(out, "rar5_solid.rar"), "rb") as f:
        solid = bytearray(f.read())
    solid[rar5_data_at(solid) + 1] ^= 0x55
    made("solid_damaged.rar", bytes(solid))
    shutil.rmtree(tree)


NAMED = b"named member\r\n"


def zip_flagged(names, flag=0x800, unicode_paths=None):
    """A stored zip whose members carry the general-purpose flag `flag` (the
    UTF-8 mark, 0x800, or none) and, where given, an Info-ZIP Unicode path
    field (0x7075) with the UTF-8 name."""
    local, central, offset = b"", b"", 0
    for i, name in enumerate(names):
        extra = b""
        if unicode_paths and unicode_paths[i]:
            path = unicode_paths[i].encode("utf-8")
            extra = struct.pack("<HHBI", 0x7075, 5 + len(path), 1, zlib.crc32(name)) + path
        crc = zlib.crc32(NAMED)
        head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flag, 0, 0, 0x5821, crc, len(NAMED), len(NAMED),
                           len(name), len(extra)) + name + extra
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flag, 0, 0, 0x5821, crc, len(NAMED),
                               len(NAMED), len(name), len(extra), 0, 0, 0, 0, offset) + name + extra
        local += head + NAMED
        offset += len(head) + len(NAMED)
    return local + central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(names), len(names), len(central),
                                         offset, 0)


def names_archives(out):
    """Names from every origin, each member holding NAMED."""
    import unicodedata
    folder = os.path.join(out, "names")
    os.makedirs(folder)

    def made(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    nfd = lambda text: unicodedata.normalize("NFD", text).encode("utf-8")
    # The Mac's own archiver: UTF-8 without the mark, decomposed.
    made("mac.zip", zip_flagged([nfd("世界.txt"), nfd("パパ/ブック.txt")], flag=0))
    made("flagged.zip", zip_flagged([s.encode("utf-8") for s in
                                     ["日本語.txt", "€_for_Dollar.txt", "𝐀𝐁𝐁𝐂.txt", "dir¥yen.txt",
                                      "invoice\u202efdp.exe", "Readme.txt", "README.txt"]]))
    made("unicode_path.zip", zip_flagged([b"doitsu.txt"], flag=0, unicode_paths=["ドイツ.txt"]))
    # DOS's code page: Σ is a character Shift-JIS has, é one it lacks.
    made("cp437.zip", zip_flagged(["café.txt".encode("cp437"), "Σ sum é/x.txt".encode("cp437")], flag=0))
    made("linux.zip", zip_flagged(["花子.txt".encode("utf-8"), b"plain.txt"], flag=0))
    # RAR4 names stored in Shift-JIS without the Unicode mark: 表 and ソ end
    # in the byte 0x5C.
    made("sjis.rar", rar_with(["表示.txt".encode("cp932"), "ソフト\\能力.txt".encode("cp932")], NAMED))
    # LZH: a name no character set reads in the middle of good ones.
    made("broken.lzh", lzh_with([b"a.txt", b"\x81\x20bad.txt", "表.txt".encode("cp932")], NAMED))
    # A cabinet with UTF-8 names, as gcab marks them.
    tree = os.path.join(out, "names-tree")
    os.makedirs(tree)
    for name in ("日本語.txt", "€.txt"):
        with open(os.path.join(tree, name), "wb") as f:
            f.write(NAMED)
    run(["gcab", "-c", os.path.join(folder, "utf8.cab"), "日本語.txt", "€.txt"], cwd=tree)
    shutil.rmtree(tree)


def debian_source(package, members=None):
    """The unpacked source of Debian's newest `package`, fetched once into
    .cache/PACKAGE/src; with `members` (paths inside the source), only those
    files, from the upstream tarball: for a package too large to unpack whole
    when a few of its files are wanted."""
    cache = os.path.join(HERE, ".cache", package)
    src = os.path.join(cache, "src")
    if not os.path.isdir(src) or not all(os.path.isfile(os.path.join(src, m)) for m in members or []):
        versions = [l.split()[1] for l in run(["apt-cache", "showsrc", package]).decode().splitlines()
                    if l.startswith("Version:")]
        version = sorted(versions, key=lambda v: [int(x) if x.isdigit() else x for x in re.split(r"[.+~-]", v)])[-1]
        download = os.path.join(cache, "download")
        shutil.rmtree(cache, ignore_errors=True)
        os.makedirs(download)
        # Some mirrors hold the upstream tarball alone: that is enough.
        subprocess.run(["apt-get", "source", "--download-only", package + "=" + version], cwd=download,
                       capture_output=True)
        files = os.listdir(download)
        dsc = [f for f in files if f.endswith(".dsc")]
        if dsc and not members:
            run(["dpkg-source", "--no-check", "-x", dsc[0], src], cwd=download)
        else:
            os.makedirs(src)
            wanted = ["--wildcards"] + ["*/" + m for m in members] if members else []
            run(["tar", "-xf", [f for f in files if ".orig.tar." in f][0], "-C", src, "--strip-components=1"] +
                wanted, cwd=download)
        shutil.rmtree(download)
    return src


def lhasa_suite(out):
    """lhasa's own test archives (Debian's source package `lhasa`): every
    .lzh, .lzs and .pma under test/archives copied to OUT/lhasa as DIR_NAME
    (DIR_SUB_NAME a level deeper), with what lhasa itself makes of each in
    OUT/lhasa/NAME.ref/ and one line of lhasa-suite.txt: NAME TAB ok|fails
    (ok: lhasa extracted something and said no error). Prints the archives
    lhasa fails on, which the tests can compare with nothing."""
    archives = os.path.join(debian_source("lhasa"), "test", "archives")
    folder = os.path.join(out, "lhasa")
    os.makedirs(folder)
    lines, fails = [], []
    for sub, _, names in sorted(os.walk(archives)):
        for name in sorted(names):
            if not name.endswith((".lzh", ".lzs", ".pma")):
                continue
            # LArc's .lzs and PMarc's .pma files as .lzh: the name is what
            # picks the archiver.
            target = os.path.relpath(os.path.join(sub, name), archives).replace(os.sep, "_")
            target += "" if name.endswith(".lzh") else ".lzh"
            shutil.copy(os.path.join(sub, name), os.path.join(folder, target))
            ref = os.path.join(folder, target + ".ref")
            os.makedirs(ref)
            done = subprocess.run(["lhasa", "xqfw=" + ref, os.path.join(folder, target)],
                                  capture_output=True).returncode == 0 and os.listdir(ref)
            lines.append("%s\t%s\n" % (target, "ok" if done else "fails"))
            if not done:
                fails.append(target)
    with open(os.path.join(out, "lhasa-suite.txt"), "w") as f:
        f.writelines(lines)
    print("make_archives: lhasa extracts %d of the %d archives of its suite; it fails on %s" %
          (len(lines) - len(fails), len(lines), ", ".join(fails) or "none"))


def box_archives(out):
    """What the archivers' boxes and commands are held to, in OUT/boxes:
    zips of 16, 17 and 20 members m01.txt... whose CRCs fail (a failure box
    names 16 at most), and link.zip, a file a.txt and a symbolic link
    link.txt to it, as Info-ZIP keeps links (-y)."""
    folder = os.path.join(out, "boxes")
    os.makedirs(folder)
    for count in (16, 17, 20):
        names = [b"m%02d.txt" % i for i in range(1, count + 1)]
        with open(os.path.join(folder, "crc%d.zip" % count), "wb") as f:
            f.write(zip_with(names, VICTIM, crc=1))
    tree = os.path.join(out, "boxes-tree")
    os.makedirs(tree)
    with open(os.path.join(tree, "a.txt"), "wb") as f:
        f.write(NAMED)
    os.symlink("a.txt", os.path.join(tree, "link.txt"))
    run(["zip", "-q", "-X", "-y", os.path.join(folder, "link.zip"), "a.txt", "link.txt"], cwd=tree)
    shutil.rmtree(tree)


# ---- archives that ask for a password ----

def crc32_table():
    table = []
    for n in range(256):
        for _ in range(8):
            n = (n >> 1) ^ 0xEDB88320 if n & 1 else n >> 1
        table.append(n)
    return table


CRC_TABLE = crc32_table()


class ZipCrypto:
    """PKWARE's traditional encryption: three keys stirred by the password,
    then by every plain byte, through CRC-32 steps and a multiplication."""

    def __init__(self, password):
        self.keys = (0x12345678, 0x23456789, 0x34567890)
        for byte in password:
            self.update(byte)

    def update(self, byte):
        k0, k1, k2 = self.keys
        k0 = CRC_TABLE[(k0 ^ byte) & 0xFF] ^ (k0 >> 8)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = CRC_TABLE[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8)
        self.keys = (k0, k1, k2)

    def decrypt(self, data):
        plain = bytearray()
        for byte in data:
            t = (self.keys[2] | 2) & 0xFFFF
            byte ^= (t * (t ^ 1)) >> 8 & 0xFF
            self.update(byte)
            plain.append(byte)
        return bytes(plain)


def zip_members(path):
    """The zip's bytes, and per member in the central directory's order its
    raw name, local flags, DOS time, CRC, method and extra field, where its
    data starts and how long it is."""
    import zipfile
    with open(path, "rb") as f:
        data = f.read()
    members = []
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            at = info.header_offset
            flags, method, time, _, crc = struct.unpack_from("<HHHHI", data, at + 6)
            n, e = struct.unpack_from("<HH", data, at + 26)
            members.append({"name": data[at + 30:at + 30 + n], "flags": flags, "time": time, "crc": crc,
                            "method": method, "extra": data[at + 30 + n:at + 30 + n + e],
                            "start": at + 30 + n + e, "packed": info.compress_size})
    return data, members


def zipcrypto_passes(data, member, password):
    """Whether `password` gets past a ZipCrypto member's one-byte check as
    libarchive and unzip make it: the last of the 12 header bytes, decrypted,
    against the high byte of the local DOS time when the sizes follow the
    data (flag 8), of the local CRC otherwise."""
    header = ZipCrypto(password).decrypt(data[member["start"]:member["start"] + 12])
    return header[11] == (member["time"] >> 8 if member["flags"] & 8 else member["crc"] >> 24)


def zipcrypto_zip(path, runs, cwd, refused=(b"wrong",)):
    """A zip made by `zip -P` in runs of (password, options, names), made
    again until every member refuses, at its check byte, every password of
    the other runs and of `refused`: 1 in 256 would pass, and a test giving
    one of them would meet a CRC failure instead of the password box. zip
    draws the header bytes anew each time."""
    passwords = {password for password, _, _ in runs} | set(refused)
    for _ in range(20):
        if os.path.exists(path):
            os.remove(path)
        own = []
        for password, options, names in runs:
            run(["zip", "-q", "-X", "-P", password] + options + [path] + names, cwd=cwd)
            own += [password] * len(names)
        data, members = zip_members(path)
        if all(not zipcrypto_passes(data, m, p) for m, mine in zip(members, own) for p in passwords - {mine}):
            write_list(path, zip_rows(path))
            return data, members
    raise RuntimeError("%s: other passwords keep passing the check" % path)


def aes_strength(member):
    """The WinZip AES extra field's key strength (1, 2, 3: 128, 192, 256 bits)."""
    extra, i = member["extra"], 0
    while i + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, i)
        if tag == 0x9901:
            return extra[i + 8]
        i += 4 + size
    raise RuntimeError("no AES extra field in %r" % member["name"])


def as_ae1(data, plain):
    """The AE-2 zip `data` as AE-1, as other programs write it: vendor
    version 1 in the AES extra fields, local and central, and each member's
    CRC (of `plain[name]`) filled in, which AE-2 leaves 0. The
    authentication code covers the encrypted data alone and still holds."""
    data = bytearray(data)
    at = data.rfind(b"PK\x05\x06")
    count, _, central = struct.unpack_from("<HII", data, at + 10)
    for _ in range(count):
        n, e, c = struct.unpack_from("<HHH", data, central + 28)
        local, = struct.unpack_from("<I", data, central + 42)
        crc = zlib.crc32(plain[bytes(data[central + 46:central + 46 + n])])
        ln, le = struct.unpack_from("<HH", data, local + 26)
        for header, extra, crc_at in ((central, central + 46 + n, central + 16), (local, local + 30 + ln, local + 14)):
            end = extra + (e if header == central else le)
            while extra + 4 <= end:
                tag, size = struct.unpack_from("<HH", data, extra)
                if tag == 0x9901:
                    struct.pack_into("<H", data, extra + 4, 1)
                extra += 4 + size
            struct.pack_into("<I", data, crc_at, crc)
        central += 46 + n + e + c
    return bytes(data)


def password_archives(out):
    """Archives that ask for a password, in OUT/passwords, each with its
    .list; the password is "secret" unless said otherwise. Members come from
    OUT/tree, to compare with. false_pass.txt holds, without a line end, a
    wrong password that gets past the first member's check of
    false_pass.zip."""
    folder = os.path.join(out, "passwords")
    os.makedirs(folder)
    tree = os.path.join(out, "tree-sjis")
    secret = b"secret"

    def at(name):
        return os.path.join(folder, name)

    # ZipCrypto: a stored and a deflated member with ASCII names; then
    # Shift-JIS names (ソ ends in the byte 0x5C).
    data, members = zipcrypto_zip(at("zipcrypto.zip"), [(secret, ["-0"], [b"lf.txt"]),
                                                        (secret, [], [b"readme.txt"])], tree)
    with open(os.path.join(tree, "lf.txt"), "rb") as f:
        lf = f.read()
    # Our own key schedule, checked against zip's: the stored member decrypts
    # to the file itself.
    if ZipCrypto(secret).decrypt(data[members[0]["start"]:members[0]["start"] + members[0]["packed"]])[12:] != lf:
        raise RuntimeError("the ZipCrypto key schedule here does not decrypt what zip wrote")
    zipcrypto_zip(at("zipcrypto_sjis.zip"), [(secret, [], [sjis("表示.txt"), sjis("ソフト/能力.txt"),
                                                            sjis("フォルダ/日本語.txt")])], tree)

    # WinZip AES by 7-Zip (AE-2: no CRC) at the three key lengths: lf.txt
    # stored, readme.txt deflated (bzip2 in aes128.zip: an encrypted bzip2
    # member is libarchive's to decode, ours decrypting nothing).
    for bits in (128, 192, 256):
        path = at("aes%d.zip" % bits)
        for level, name in (("-mx0", "lf.txt"), ("-mx5", "readme.txt")):
            method = ["-mm=BZip2"] if bits == 128 and name == "readme.txt" else []
            run(["7zz", "a", "-tzip", "-psecret", "-mem=AES%d" % bits, level] + method + ["-bso0", "-bsp0", path, name],
                cwd=tree)
        write_list(path, zip_rows(path))
    # The AES-256 zip as AE-1, whose members carry their CRCs too.
    with open(at("aes256.zip"), "rb") as f:
        aes = f.read()
    plain = {}
    for name in (b"lf.txt", b"readme.txt"):
        with open(os.path.join(tree, name.decode()), "rb") as f:
            plain[name] = f.read()
    with open(at("aes256_ae1.zip"), "wb") as f:
        f.write(as_ae1(aes, plain))
    write_list(at("aes256_ae1.zip"), zip_rows(at("aes256_ae1.zip")))
    # One byte of the first member's encrypted data flipped: the member is
    # stored, so it decrypts to the file with one byte changed, which only
    # the authentication code can tell.
    _, members = zip_members(at("aes256.zip"))
    first = members[0]
    if first["name"] != b"lf.txt":
        raise RuntimeError("7zz put %r first in aes256.zip" % first["name"])
    salt = 4 + 4 * aes_strength(first)
    begin, end = first["start"] + salt + 2, first["start"] + first["packed"] - 10
    flipped = bytearray(aes)
    flipped[(begin + end) // 2] ^= 0x20
    with open(at("aes256_flipped.zip"), "wb") as f:
        f.write(flipped)
    write_list(at("aes256_flipped.zip"), zip_rows(at("aes256_flipped.zip")))
    for name, good in (("aes256_ae1.zip", True), ("aes256_flipped.zip", False)):
        tested = subprocess.run(["7zz", "t", "-psecret", at(name)], capture_output=True).returncode == 0
        if tested != good:
            raise RuntimeError("7zz t %s: %s" % (name, "fails" if good else "passes"))

    # Two passwords in one zip: "secret" for lf.txt and readme.txt, "other"
    # for 表示.txt, added by a second run.
    zipcrypto_zip(at("two_passwords.zip"), [(secret, [], [b"lf.txt", b"readme.txt"]),
                                            (b"other", [], [sjis("表示.txt")])], tree)

    # パスワード, given to zip as a Japanese Windows passes it (CP932 bytes),
    # and as Linux and macOS do (UTF-8). Each refuses the other's bytes.
    japanese = [("japanese_cp932.zip", "パスワード".encode("cp932")), ("japanese_utf8.zip", "パスワード".encode())]
    for name, password in japanese:
        zipcrypto_zip(at(name), [(password, [], [b"readme.txt"])], tree,
                      refused=[b"wrong", secret] + [p for _, p in japanese])

    # A wrong password that gets past the check byte of readme.txt (stored,
    # so its CRC fails) and not that of lf.txt; tried in turn: wrong0,
    # wrong1, ...
    path = at("false_pass.zip")
    data, members = zipcrypto_zip(path, [(secret, ["-0"], [b"readme.txt"]), (secret, [], [b"lf.txt"])], tree)
    for i in range(100000):
        false = b"wrong%d" % i
        if zipcrypto_passes(data, members[0], false) and not zipcrypto_passes(data, members[1], false):
            break
    else:
        raise RuntimeError("no false password found")
    tested = subprocess.run(["unzip", "-t", "-P", false, path], capture_output=True)
    if tested.returncode == 0 or b"bad CRC" not in tested.stdout:
        raise RuntimeError("unzip -P %s: %r" % (false.decode(), tested.stdout))
    with open(at("false_pass.txt"), "wb") as f:
        f.write(false)

    # Garbled ARJ (arj -g): stored, and two of the compressing methods. Names
    # with no 0x5C byte, which Debian's arj takes for a separator.
    for method in (0, 1, 4):
        path = at("garbled_m%d.arj" % method)
        run(["arj", "a", "-gsecret", "-m%d" % method, "-y", path, b"readme.txt", b"lf.txt",
             sjis("フォルダ/日本語.txt")], cwd=tree)
        write_list(path, arj_rows(path))

    # Encrypted RAR, which the archivers refuse: the RAR4 archive of
    # libarchive's tests (made by rar_tests), and a RAR5 one of rarfile's
    # (password "password"; headers in the clear, stest1.txt compressed,
    # stest2.txt stored). libarchive reads no time for its members (it stops
    # at the encryption record), so its list comes from rarfile's own
    # description, with the day alone as bsdtar gives old dates.
    for suffix in ("", ".list"):
        shutil.copy(os.path.join(out, "rar4_encrypted.rar" + suffix), at("rar4_encrypted.rar" + suffix))
    files = os.path.join(debian_source("python-rarfile"), "test", "files")
    shutil.copy(os.path.join(files, "rar5-psw.rar"), at("rar5_encrypted.rar"))
    with open(os.path.join(files, "rar5-psw.rar.exp")) as f:
        described = f.read()
    rows = []
    for block in described.split("R5_FILE:")[1:]:
        name = re.search(r"\bname=(.*)", block).group(1)
        packed, size = re.search(r"\bcmp=(\d+) dec=(\d+)", block).groups()
        day = re.search(r"\bdate_time=(\d{4})-(\d\d)-(\d\d)", block).groups()
        rows.append((name.encode("cp932"), int(size), packed.encode(), "".join(day)))
    write_list(at("rar5_encrypted.rar"), rows)


def uudecoded(source):
    data = b""
    with open(os.path.join(RAR_TESTS, source), "rb") as f:
        lines = f.read().split(b"\n")
    for line in lines[1:]:
        if line.startswith(b"end") or not line.strip():
            break
        data += binascii.a2b_uu(line)
    return data


def format_archives(out):
    """The corners of zip and rar: methods decoded here and not, Deflate64, a
    self-extracting stub, an empty archive, encrypted RAR headers."""
    import zipfile
    folder = os.path.join(out, "formats")
    os.makedirs(folder)
    with zipfile.ZipFile(os.path.join(folder, "methods.zip"), "w") as z:
        z.writestr("bzip2.txt", VICTIM, compress_type=zipfile.ZIP_BZIP2)
        z.writestr("lzma.txt", VICTIM, compress_type=zipfile.ZIP_LZMA)
        z.writestr("empty.txt", b"", compress_type=zipfile.ZIP_LZMA)  # the end mark alone
        z.writestr("deflate.txt", VICTIM, compress_type=zipfile.ZIP_DEFLATED)
    # Methods nothing here decodes: WavPack and IBM's TERSE, beside a stored member.
    with open(os.path.join(folder, "others.zip"), "wb") as f:
        f.write(zip_with([b"wavpack.wav", b"terse.bin", b"good.txt"], method={b"wavpack.wav": 97, b"terse.bin": 18}))
    with open(os.path.join(out, "deflate.zip"), "rb") as f:
        deflate = f.read()
    with open(os.path.join(folder, "sfx.zip"), "wb") as f:
        f.write(b"MZ" + bytes(4094) + deflate)
    with open(os.path.join(folder, "empty.zip"), "wb") as f:
        f.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0, 0, 0, 0, 0))
    # arj's chapters: a.txt added twice, the second time changed.
    tree = os.path.join(out, "chapter-tree")
    os.makedirs(tree)
    for text in (b"one\n", b"two\n"):
        with open(os.path.join(tree, "a.txt"), "wb") as f:
            f.write(text)
        run(["arj", "ac", "-y", os.path.join(folder, "chapters.arj"), "a.txt"], cwd=tree)
    # A hard link: Unix arj keeps the second name as a special file.
    os.link(os.path.join(tree, "a.txt"), os.path.join(tree, "b.txt"))
    run(["arj", "a", "-y", os.path.join(folder, "hardlink.arj"), "a.txt", "b.txt"], cwd=tree)
    shutil.rmtree(tree)
    for name, source in (("headers_encrypted.rar", "test_read_format_rar_encryption_header.rar.uu"),
                         ("partially_encrypted.rar", "test_read_format_rar_encryption_partially.rar.uu")):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(uudecoded(source))
    # RAR's solid archives (LZ and PPMd), service headers between members and
    # a member split over volumes, from rarfile's tests (Debian's source
    # package python-rarfile).
    rarfile = os.path.join(debian_source("python-rarfile"), "test", "files")
    for name in ("rar3-solid.rar", "unicode.rar", "rar5-solid.rar", "rar3-owner.rar", "rar3-vols.part1.rar"):
        shutil.copy(os.path.join(rarfile, name), os.path.join(folder, name))
    zip_corners(folder)
    cab_corners(folder)
    deflate64_zip(folder)


def deflate64_zip(folder):
    """deflate64.zip by 7zz: far.bin, a random 40 KiB block thirty times,
    each copy with a few bytes changed, which only distances beyond
    deflate's 32 KiB can match, over a megabyte; and a small text.
    deflate64.ref/ holds what 7zz extracts; sfx_deflate64.zip is the same
    behind a stub."""
    rnd = random.Random(64)
    block = bytes(rnd.randrange(256) for _ in range(40 * 1024))
    far = bytearray()
    for _ in range(30):
        copy = bytearray(block)
        for _ in range(16):
            copy[rnd.randrange(len(copy))] = rnd.randrange(256)
        far += copy
    files = os.path.join(folder, "deflate64-files")
    os.makedirs(files)
    with open(os.path.join(files, "far.bin"), "wb") as f:
        f.write(far)
    with open(os.path.join(files, "small.txt"), "wb") as f:
        f.write(VICTIM)
    path = os.path.join(folder, "deflate64.zip")
    run(["7zz", "a", "-tzip", "-mm=Deflate64", "-mx5", "-bso0", "-bsp0", path, "far.bin", "small.txt"], cwd=files)
    shutil.rmtree(files)
    # Both members Deflate64, far.bin packed to a fraction of its size: its
    # matches reach beyond 32 KiB.
    import zipfile
    with zipfile.ZipFile(path) as z:
        members = {i.filename: i for i in z.infolist()}
    if any(i.compress_type != 9 for i in members.values()) or \
            members["far.bin"].compress_size * 4 > members["far.bin"].file_size:
        raise RuntimeError("7zz wrote deflate64.zip otherwise than asked")
    run(["7zz", "x", "-bso0", "-bsp0", "-o" + os.path.join(folder, "deflate64.ref"), path])
    # The same behind a self-extracting program: each local header lies
    # further on than the directory says.
    with open(path, "rb") as f:
        zipped = f.read()
    with open(os.path.join(folder, "sfx_deflate64.zip"), "wb") as f:
        f.write(b"MZ" + bytes(4094) + zipped)


# ---- zip's legacy methods ----

COMMONS_COMPRESS = ["SHRUNK.ZIP", "imploding-4Kdict-2trees.zip", "imploding-8Kdict-3trees.zip", "moby-imploded.zip"]


def legacy_archives(out):
    """Shrink, reduce and implode, which our own code decodes, in OUT/legacy,
    each archive with NAME.ref/ holding what it must come out as:
    - commons-compress's own test archives (Debian's source package
      libcommons-compress-java), shrunk and imploded by PKZIP, both window
      sizes and both tree counts; NAME.ref/ as unzip extracts them;
    - long_shrink.zip, our own Shrink of prose with a run of zeros: long
      enough to widen its codes to 13 bits and clear the table partly
      several times, which those archives never do; NAME.ref/ as unzip
      extracts it, after unzip and 7zz both found it sound;
    - reduce1.zip to reduce4.zip, our own Reduce at each factor: no tool
      here writes or reads it (unzip is built without it, 7zz lacks it, and no
      Debian source package here holds a reduced zip); NAME.ref/ holds the
      bytes reduced;
    - damaged_implode.zip (a byte of the data changed) and short_shrink.zip
      (long_shrink.zip cut to a quarter of its data): each answers damage
      and writes nothing, NAME.ref/ is empty."""
    folder = os.path.join(out, "legacy")
    os.makedirs(folder)
    resources = os.path.join(debian_source("libcommons-compress-java",
                                           ["src/test/resources/" + n for n in COMMONS_COMPRESS]), "src", "test",
                             "resources")

    def referenced(name, zipped=None):
        path = os.path.join(folder, name)
        if zipped is not None:
            with open(path, "wb") as f:
                f.write(zipped)
        os.makedirs(path + ".ref")
        return path

    for name in COMMONS_COMPRESS:
        shutil.copy(os.path.join(resources, name), folder)
        run(["unzip", "-qq", "-d", referenced(name) + ".ref", os.path.join(folder, name)])
    text = prose(7, 3000)
    shrunk = text + bytes(500) + text[:30000]
    shrunk_packed = shrink(shrunk)
    path = referenced("long_shrink.zip", zip_with([b"shrunk.txt"], shrunk, packed=shrunk_packed, method=1))
    run(["unzip", "-qq", "-d", path + ".ref", path])
    run(["7zz", "t", "-bso0", "-bsp0", path])
    with open(os.path.join(path + ".ref", "shrunk.txt"), "rb") as f:
        if f.read() != shrunk:
            raise RuntimeError("unzip reads long_shrink.zip otherwise than it was shrunk")
    rnd = random.Random(90)
    # Text, then bytes that are often DLE, a run of DLE, and the text again.
    reduced = (text[:20000] + bytes(rnd.choice(b"\x90\x90\x00\x01ab") for _ in range(3000)) + b"\x90" * 700 +
               text[:5000])
    for factor in range(1, 5):
        packed, used = reduce(reduced, factor)
        if min(used[k] for k in ("long", "far", "dle", "followers")) == 0:
            raise RuntimeError("reduce%d.zip lacks some of what it is made to hold: %s" % (factor, dict(used)))
        path = referenced("reduce%d.zip" % factor, zip_with([b"reduced.bin"], reduced, packed=packed,
                                                             method=1 + factor))
        with open(os.path.join(path + ".ref", "reduced.bin"), "wb") as f:
            f.write(reduced)
    with open(os.path.join(resources, "imploding-8Kdict-3trees.zip"), "rb") as f:
        damaged = bytearray(f.read())
    damaged[2000] ^= 0x55  # within the 4,131 bytes of LICENSE.TXT's data
    referenced("damaged_implode.zip", bytes(damaged))
    referenced("short_shrink.zip", zip_with([b"shrunk.txt"], shrunk, packed=shrunk_packed[:9000], method=1))


class LsbBits:
    """Bits written least significant first, as zip's legacy methods read them."""

    def __init__(self):
        self.value, self.count = 0, 0

    def put(self, value, width):
        self.value |= value << self.count
        self.count += width

    def bytes(self):
        return self.value.to_bytes((self.count + 7) // 8, "little")


def shrink(data):
    """Shrink as PKZIP writes it: LZW from 9 to 13 bits, a string added for
    each code written, under the lowest free code; when none is free, 256 2
    and every leaf freed, then the string added (extending, it may be, a
    code just freed); 256 1 before a code that needs wider codes."""
    bits, width = LsbBits(), 9
    strings, prefixes, free = {}, {}, list(range(257, 8192))

    def write(code):
        nonlocal width
        while code >= 1 << width:
            bits.put(256, width), bits.put(1, width)
            width += 1
        bits.put(code, width)

    current = data[0]
    for byte in data[1:]:
        if (current, byte) in strings:
            current = strings[(current, byte)]
            continue
        write(current)
        if not free:
            bits.put(256, width), bits.put(2, width)
            extended = {prefix for prefix, _ in prefixes.values()}
            for code in [c for c in prefixes if c not in extended]:
                del strings[prefixes.pop(code)]
            free = sorted(set(range(257, 8192)) - set(prefixes))
        if free:
            code = free.pop(0)
            strings[(current, byte)] = code
            prefixes[code] = (current, byte)
        current = byte
    write(current)
    return bits.bytes()


def reduce(data, factor):
    """Reduce at `factor` (1 to 4): LZ77 with DLE-coded matches (never one
    whose V byte would be 0, which stands for DLE itself), then follower sets
    chosen from that stream of bytes. Returns the packed bytes and counts of
    what they use: matches with a length byte more ("long"), matches with
    distance bits in V ("far"), DLE as a literal, bytes from follower sets."""
    dle, length_bits = 0x90, 8 - factor
    mask = (1 << length_bits) - 1
    longest, farthest = mask + 255 + 3, (((1 << factor) - 1) << 8) + 256
    stream, used = bytearray(), collections.Counter()
    places = collections.defaultdict(list)
    i = 0
    while i < len(data):
        best, distance = 0, 0
        for at in reversed(places[data[i:i + 3]][-48:]):
            if i - at > farthest:
                break
            n = 0
            while n < longest and i + n < len(data) and data[at + n] == data[i + n]:
                n += 1
            if n > best:
                best, distance = n, i - at
        v = ((distance - 1) >> 8) << length_bits | min(best - 3, mask) if best >= 3 else 0
        if v:
            stream += bytes([dle, v])
            if best - 3 >= mask:
                stream.append(best - 3 - mask)
                used["long"] += 1
            stream.append((distance - 1) & 0xFF)
            used["far"] += distance > 256
        else:
            best = 1
            stream += bytes([dle, 0]) if data[i] == dle else data[i:i + 1]
            used["dle"] += data[i] == dle
        for j in range(i, i + best):
            places[data[j:j + 3]].append(j)
        i += best
    pairs, last = collections.defaultdict(collections.Counter), 0
    for b in stream:
        pairs[last][b] += 1
        last = b
    sets = {b: [f for f, n in pairs[b].most_common(32) if n > 1] for b in range(256)}
    bits = LsbBits()
    for b in range(255, -1, -1):
        bits.put(len(sets[b]), 6)
        for f in sets[b]:
            bits.put(f, 8)
    last = 0
    for b in stream:
        followers = sets[last]
        if not followers:
            bits.put(b, 8)
        elif b in followers:
            bits.put(0, 1)
            bits.put(followers.index(b), (len(followers) - 1).bit_length() or 1)
            used["followers"] += 1
        else:
            bits.put(1, 1)
            bits.put(b, 8)
        last = b
    return bits.bytes(), used


def zip_corners(folder):
    """Zips as other programs write them, which unzip reads: a local extra
    field other than the central one, padding after the extra fields, a
    member's comment declared longer than the directory holds; and two it
    does not: a central directory whose signature is wrong, a local header
    declaring more than the central directory, a local header whose
    signature is wrong (which a listing, reading the directory alone, never
    sees)."""
    data = VICTIM[:300]
    crc = zlib.crc32(data)

    def one(extra=b"", central_extra=b"", local_size=len(data), central_signature=0x02014B50, comment=0,
            local_signature=0x04034B50):
        local = struct.pack("<IHHHHHIIIHH", local_signature, 10, 0, 0, 0, 0, crc, local_size, local_size, 5,
                            len(extra)) + b"a.txt" + extra + data
        central = struct.pack("<IHHHHHHIIIHHHHHII", central_signature, 10, 10, 0, 0, 0, 0, crc, len(data),
                              len(data), 5, len(central_extra), comment, 0, 0, 0, 0) + b"a.txt" + central_extra
        end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local), 0)
        return local + central + end

    unix_time = struct.pack("<HHBI", 0x5455, 5, 1, 1700000000)
    for name, zipped in (("extra_differs.zip", one(extra=unix_time + struct.pack("<HH", 0x7875, 0))),
                         ("extra_padded.zip", one(extra=unix_time + b"\0\0", central_extra=unix_time)),
                         ("comment_short.zip", one(comment=10)),
                         ("central_signature.zip", one(central_signature=0x02014B51)),
                         ("local_larger.zip", one(local_size=len(data) + 100)),
                         ("local_signature.zip", one(local_signature=0x04034B51))):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(zipped)


def cab_checksum(b, seed=0):
    n = len(b) // 4 * 4
    for i in range(0, n, 4):
        seed ^= struct.unpack_from("<I", b, i)[0]
    tail = 0
    for byte in b[n:]:
        tail = tail << 8 | byte
    return seed ^ tail


def cabinet(compression, blocks, files, reserve=0, summed=False):
    """A cabinet of one folder: `blocks` its data blocks, (data, unpacked
    size), with check values when `summed` (as cabextract sums them, without
    the reserve); `files` (name, size, offset in the folder), each of
    2001-01-01 00:00; `reserve` bytes in the folder's and each block's
    header."""
    names = b"".join(struct.pack("<IIHHHH", size, offset, 0, 0x5821, 0, 0x20) + name + b"\0"
                     for name, size, offset in files)
    listed = 36 + (4 if reserve else 0) + 8 + reserve
    first = listed + len(names)
    chunks = b""
    for data, unpacked in blocks:
        sizes = struct.pack("<HH", len(data), unpacked)
        chunks += struct.pack("<I", cab_checksum(sizes, cab_checksum(data)) if summed else 0) + sizes
        chunks += bytes(reserve) + data
    head = struct.pack("<IIIIIIBBHHHHH", 0x4643534D, 0, first + len(chunks), 0, listed, 0, 3, 1, 1, len(files),
                       4 if reserve else 0, 0, 0)
    if reserve:
        head += struct.pack("<HBB", 0, reserve, reserve)
    return head + struct.pack("<IHH", first, len(blocks), compression) + bytes(reserve) + names + chunks


def cab_corners(folder):
    """Stored cabinets as other programs write them: blocks shorter than
    32 KiB before the last, and a reserve in each block with the check value
    summed without it."""
    data = (VICTIM * 2)[:1600]
    for name, blocks, reserve in (("short_blocks.cab", [data[:1000], data[1000:1500], data[1500:]], 0),
                                  ("reserve.cab", [data[:1000], data[1000:]], 4)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(cabinet(0, [(b, len(b)) for b in blocks], [(b"a.txt", len(data), 0)], reserve, bool(reserve)))


def cabextract_suite(out):
    """Quantum cabinets, which no tool here makes, from the test suites of
    libmspack and cabextract (Debian's source packages), in OUT/cabextract:
    each NAME with NAME.ref/, what cabextract extracts of it, and a line of
    cabextract-suite.txt: NAME TAB ok|fails (fails: cabextract said so, and
    NAME.ref/ is left empty). qtm_split.cab is libmspack's Quantum folder
    alone, its one file listed as two."""
    folder = os.path.join(out, "cabextract")
    os.makedirs(folder)
    libmspack = os.path.join(debian_source("libmspack"), "test", "test_files", "cabd")
    bugs = os.path.join(debian_source("cabextract"), "test", "bugs")
    for source in (os.path.join(libmspack, "mszip_lzx_qtm.cab"), os.path.join(bugs, "qtm-max-size-block.cab"),
                   os.path.join(bugs, "cve-2010-2801-qtm-flush.cab"),
                   os.path.join(bugs, "cve-2014-9556-qtm-infinite-loop.cab")):
        shutil.copy(source, folder)
    with open(os.path.join(folder, "mszip_lzx_qtm.cab"), "rb") as f:
        cab = f.read()
    first, count, compression = struct.unpack_from("<IHH", cab, 36 + 2 * 8)
    packed, unpacked = struct.unpack_from("<HH", cab, first + 4)
    if count != 1 or compression & 0x0F != 2:
        raise RuntimeError("mszip_lzx_qtm.cab's third folder is no Quantum folder of one block")
    with open(os.path.join(folder, "qtm_split.cab"), "wb") as f:
        f.write(cabinet(compression, [(cab[first + 8:first + 8 + packed], unpacked)],
                        [(b"first.txt", 20, 0), (b"second.txt", unpacked - 20, 20)],
                        summed=True))
    lines, fails = [], []
    for name in sorted(os.listdir(folder)):
        ref = os.path.join(folder, name + ".ref")
        done = subprocess.run(["cabextract", "-q", "-d", ref, os.path.join(folder, name)],
                              capture_output=True).returncode == 0
        if not done:
            fails.append(name)
            shutil.rmtree(ref, ignore_errors=True)
            os.makedirs(ref)
        lines.append("%s\t%s\n" % (name, "ok" if done else "fails"))
    with open(os.path.join(out, "cabextract-suite.txt"), "w") as f:
        f.writelines(lines)
    print("make_archives: cabextract extracts %d of the %d Quantum cabinets; it fails on %s" %
          (len(lines) - len(fails), len(lines), ", ".join(fails) or "none"))


def prose(seed, lines=60):
    """Text that repeats no line, so that no two parts of it are alike."""
    rnd = random.Random(seed)
    words = ["archive", "member", "header", "folder", "stamp", "data", "name", "size", "reader", "byte", "表示",
             "ソフト", "能力", "日本語"]
    return "".join("%d %s\r\n" % (i, " ".join(rnd.choice(words) for _ in range(rnd.randint(3, 12))))
                   for i in range(lines)).encode("cp932")


def bga_archives(out):
    """The corners of gza and bza, in OUT/bga: each NAME with NAME.list (what
    a correct reader lists), NAME.ref/ (what it extracts: the members it
    reads whole, named in UTF-8 like OUT/tree) and lines of expected.txt:
        archive TAB member TAB ok|crc|unlisted
    the member named as in .list; ok: listed and extracted; crc: listed, its
    data damaged, so extracting it fails and writes nothing; unlisted: behind
    a damaged header (or not found at all), so neither listed nor extracted.

    stored.gza, stored.bza      arc type 2 (stored.txt); arc type 0 with equal
                                sizes and an archive's extension, stored
                                (inner.zip, OLD.LZH); arc type 0 with equal
                                sizes and another extension, compressed
                                (equal.txt); arc type 0 with unequal sizes
                                and an archive's extension, compressed
                                (packed.zip); arc type 1 with equal sizes and
                                an archive's extension, compressed (forced.zip)
    gzip_headers.gza            gzip members with no flags, FNAME, FEXTRA
                                (holding zero bytes), FCOMMENT, FHCRC, and all
                                of them with FTEXT; their gzip names and times
                                are not the members'
    sjis.gza, sjis.bza          names whose trail bytes are 0x5C: an explicit
                                folder 表, 表\\ソフト.txt, an empty folder
                                表\\能, ソフト\\一覧表 (whose folder has no
                                member, whose name ends in 0x5C), and an empty
                                file (the gzip or bzip2 of nothing), and one
                                compressed with no data at all
    sfx.gza                     a 4 KiB "MZ" stub, then an archive
    sfx_far.gza                 the same with the archive 64.5 KiB in, past
                                where a reader looks for it: nothing listed
    bad_checksum.gza            b.txt's header checksum one off: a.txt alone
                                is listed (the walk stops at the bad header)
    bad_crc.gza, bad_isize.gza  b.txt's gzip trailer: CRC-32, or size, wrong
    size_lies.gza               b.txt declares 100 bytes more than its data
                                holds; size_short.gza, 100 fewer (listed
                                with the size declared)
    bad_data.bza                a bit of origPtr in b.txt's bzip2 block
                                header flipped: the block decodes whole, to
                                other bytes, and its CRC fails
    truncated.gza, .bza         cut in the middle of c.txt's data; c.txt is
                                listed as its header says
    trailing.gza                a whole archive, then 100 bytes of garbage"""
    folder = os.path.join(out, "bga")
    os.makedirs(folder)
    expected = []

    def made(name, entries, before=b"", after=b"", cut=0):
        """`cut` bytes off the end of the last member's data."""
        data = before + b"".join(e.member for e in entries) + after
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data[: len(data) - cut])
        write_list(path, [bga_row(e) for e in entries if e.status != "unlisted"])
        ref = os.path.join(folder, name + ".ref")
        os.makedirs(ref)
        for e in entries:
            expected.append(b"%s\t%s\t%s\n" % (name.encode(), sjis(e.name.replace("/", "\\")), e.status.encode()))
            if e.status == "ok":
                target = os.path.join(ref, e.name)
                if e.content is None:
                    os.makedirs(target, exist_ok=True)
                else:
                    os.makedirs(os.path.dirname(target), exist_ok=True)
                    with open(target, "wb") as f:
                        f.write(e.content)

    # Stored or compressed, by arc type, sizes and extension.
    equal_bzip2 = bzip2_of_own_size()
    inner_zip, inner_lzh = zip_with([b"a.txt"], NAMED), lzh_with([b"a.txt"], NAMED)
    for method, suffix in ((GZIP, "gza"), (BZ2, "bza")):
        def own_size(name):
            content = prose(11, 30) if method == GZIP else equal_bzip2
            data = gzip_of_own_size(content, name.encode()) if method == GZIP else bz2.compress(content, 9)
            assert len(data) == len(content)
            return content, data
        equal, forced = own_size("equal.txt"), own_size("forced.zip")
        made("stored." + suffix, [
            bga_entry("stored.txt", prose(10), method, arc_type=2),
            bga_entry("inner.zip", inner_zip, method, arc_type=0, data=inner_zip),
            bga_entry("OLD.LZH", inner_lzh, method, arc_type=0, data=inner_lzh),
            bga_entry("equal.txt", equal[0], method, arc_type=0, data=equal[1]),
            bga_entry("packed.zip", zip_with([b"a.txt"], VICTIM), method, arc_type=0),
            bga_entry("forced.zip", forced[0], method, arc_type=1, data=forced[1])])

    # The gzip header's optional fields, each skipped as its flag says.
    made("gzip_headers.gza", [
        bga_entry("plain.txt", prose(20), data=gzip_member(prose(20))),
        bga_entry("named.txt", prose(21), data=gzip_member(prose(21), name=b"other.txt", mtime=1000000000)),
        bga_entry("extra.txt", prose(22), data=gzip_member(prose(22), extra=b"AP\x04\x00\x00\x01\x00\x02")),
        bga_entry("comment.txt", prose(23), data=gzip_member(prose(23), comment=b"a comment")),
        bga_entry("hcrc.txt", prose(24), data=gzip_member(prose(24), level=1, header_crc=True)),
        bga_entry("all.txt", prose(25), data=gzip_member(prose(25), level=9, text=True, header_crc=True, mtime=1,
                                                         extra=b"\0\0\0\0", name=sjis("全部.txt"),
                                                         comment=sjis("注釈"), system=11))])

    # Shift-JIS names whose trail bytes are "\".
    for method, suffix in ((GZIP, "gza"), (BZ2, "bza")):
        made("sjis." + suffix, [bga_entry("表/", None, method), bga_entry("表/ソフト.txt", prose(30), method),
                                bga_entry("表/能/", None, method), bga_entry("ソフト/一覧表", prose(31), method),
                                bga_entry("空.txt", b"", method), bga_entry("nothing.txt", b"", method, data=b"")])

    # A program's stub, and garbage, neither holding anything like a header.
    stub = b"MZ" + b"\0" * 62 + b"This program cannot be run in DOS mode.\r\n" + bytes(4096 - 105)
    garbage = bytes(random.Random(3).getrandbits(8) for _ in range(100))
    if any(method in stub + garbage for method in (GZIP, BZ2)):
        raise RuntimeError("a stub or garbage holding a method's name")

    def abc(method=GZIP, **damage):
        """a.txt, b.txt and c.txt, b.txt damaged as `damage` says."""
        entries = [bga_entry(n, prose(40 + i), method) for i, n in enumerate(("a.txt", "b.txt", "c.txt"))]
        if damage:
            entries[1] = bga_entry("b.txt", prose(41), method, **damage)
        return entries

    # Self-extracting: a program, then the archive.
    made("sfx.gza", abc(), before=stub)
    far = [e._replace(status="unlisted") for e in abc()]
    made("sfx_far.gza", far, before=stub + bytes(0x10000 - len(stub) + 512))

    # Damaged: the walk stops at a bad header; bad data fails its member alone.
    made("bad_checksum.gza", [e if e.name == "a.txt" else e._replace(status="unlisted")
                              for e in abc(checksum_error=1)])
    text = prose(41)
    made("bad_crc.gza", abc(data=gzip_member(text, crc=zlib.crc32(text) ^ 1), status="crc"))
    made("bad_isize.gza", abc(data=gzip_member(text, isize=len(text) + 1), status="crc"))
    made("size_lies.gza", abc(original=len(text) + 100, status="crc"))
    made("size_short.gza", abc(original=len(text) - 100, status="crc"))
    made("bad_data.bza", abc(BZ2, data=bzip2_rotated(text), status="crc"))
    for method, suffix in ((GZIP, "gza"), (BZ2, "bza")):
        entries = abc(method)
        entries[2] = entries[2]._replace(status="crc")
        made("truncated." + suffix, entries, cut=len(entries[2].data) // 2)
    made("trailing.gza", abc()[:2], after=garbage)
    with open(os.path.join(folder, "expected.txt"), "wb") as f:
        f.write(b"".join(expected))


def bzip2_rotated(content):
    """The bzip2 stream of `content` with a bit of its first block's origPtr
    flipped: the block decodes to as many bytes, rotated, and its CRC fails."""
    data = bytearray(bz2.compress(content, 9))
    # "BZh9", the block's 48-bit magic and 32-bit CRC, one bit saying it is
    # not randomised, then origPtr's 24 bits: byte 16 holds its bits 8 to 1.
    origin = int.from_bytes(data[14:18], "big") >> 7 & 0xFFFFFF
    bit = next(b for b in range(1, 9) if origin ^ 1 << b < len(content))
    data[16] ^= 1 << (bit - 1)
    try:
        bz2.decompress(bytes(data))
    except OSError:
        return bytes(data)
    raise RuntimeError("a flipped origPtr that bzip2 does not notice")


def demo(out):
    """Sample archives for a newcomer: an .lzh, a .zip, a .cab and a .gza."""
    os.makedirs(out, exist_ok=True)
    tree, utf8_tree = write_trees(out)
    files = [n for n, content in tree_files() if content is not None]
    for name in ("sample.lzh", "sample.zip", "sample.cab", "sample.gza"):
        path = os.path.join(out, name)
        if os.path.exists(path):
            os.remove(path)
    run(["jlha", "ao7y2", os.path.join(out, "sample.lzh")] + [n.encode("utf-8") for n in files], cwd=utf8_tree)
    run(["zip", "-q", "-X", os.path.join(out, "sample.zip")] + [n.encode("cp932") for n in files], cwd=tree)
    run(["gcab", "-c", "-z", os.path.join(out, "sample.cab")] + [n.encode("utf-8") for n in files], cwd=utf8_tree)
    with open(os.path.join(out, "sample.gza"), "wb") as f:
        f.write(b"".join(e.member for e in bga_tree(GZIP) if e.content is not None))
    shutil.rmtree(tree)
    shutil.rmtree(utf8_tree)


def big(out, count):
    """N members of a few hundred bytes each, in folders of a hundred."""
    tree = os.path.join(out, "big-tree")
    shutil.rmtree(tree, ignore_errors=True)
    names = []
    for i in range(count):
        name = "d%03d/file%05d.txt" % (i // 100, i)
        os.makedirs(os.path.join(tree, os.path.dirname(name)), exist_ok=True)
        with open(os.path.join(tree, name), "wb") as f:
            f.write(b"member %d of the benchmark archive\r\n" % i * (1 + i % 8))
        names.append(name)
    for name in ("big.zip", "big.lzh"):
        if os.path.exists(os.path.join(out, name)):
            os.remove(os.path.join(out, name))
    run(["zip", "-q", "-X", os.path.join(out, "big.zip")] + names, cwd=tree)
    run(["jlha", "ao5q", os.path.join(out, "big.lzh")] + names, cwd=tree)
    shutil.rmtree(tree)


def one(out, megabytes):
    """one.zip (zip -1) and one.lzh (-lh5-) of one text-like member; the
    same member in one_zipcrypto.zip (zip -1 -P) and one_aes256.zip (7zz,
    deflated fast, AES-256), password "secret"; in one.gza (gzip level 6)
    and one.bza (bzip2 level 9), beside one.gz and one.bz2, which are
    those members' data byte for byte, for gzip -dc and bzip2 -dc."""
    rnd = random.Random(7)
    words = ["".join(rnd.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9))) for _ in range(3000)]
    block = " ".join(rnd.choice(words) for _ in range(200000)).encode()
    path = os.path.join(out, "one.txt")
    with open(path, "wb") as f:
        for i in range(megabytes * (1 << 20) // len(block) + 1):
            f.write(b"%d\n" % i + block)
    for name in ("one.zip", "one.lzh", "one_zipcrypto.zip", "one_aes256.zip"):
        if os.path.exists(os.path.join(out, name)):
            os.remove(os.path.join(out, name))
    run(["zip", "-q", "-X", "-1", os.path.join(out, "one.zip"), "one.txt"], cwd=out)
    run(["jlha", "ao5q", os.path.join(out, "one.lzh"), "one.txt"], cwd=out)
    run(["zip", "-q", "-X", "-1", "-P", "secret", os.path.join(out, "one_zipcrypto.zip"), "one.txt"], cwd=out)
    run(["7zz", "a", "-tzip", "-mx1", "-mem=AES256", "-psecret", "-bso0", "-bsp0",
         os.path.join(out, "one_aes256.zip"), "one.txt"], cwd=out)
    one_bga(out, path)
    one_methods(out, path)
    os.remove(path)


def one_methods(out, path):
    """The file at `path` as one_bzip2.zip, one_lzma.zip, one_ppmd.zip and
    one_deflate64.zip (7zz at its fastest level), and one_zstd.zip (the zstd
    tool's stream of it, stored as method 93)."""
    for method in ("BZip2", "LZMA", "PPMd", "Deflate64"):
        name = os.path.join(out, "one_%s.zip" % method.lower())
        if os.path.exists(name):
            os.remove(name)
        run(["7zz", "a", "-tzip", "-mm=" + method, "-mx1", "-bso0", "-bsp0", name, os.path.basename(path)], cwd=out)
    packed = path + ".zst"
    run(["zstd", "-q", "-f", "-3", path, "-o", packed])
    crc, size = 0, 0
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 22), b""):
            crc, size = zlib.crc32(chunk, crc), size + len(chunk)
    name, length = b"one.txt", os.path.getsize(packed)
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 63, 0, 93, 0x645C, 0x586F, crc, length, size, len(name), 0) + name
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 63, 63, 0, 93, 0x645C, 0x586F, crc, length, size,
                          len(name), 0, 0, 0, 0, 0, 0) + name
    with open(os.path.join(out, "one_zstd.zip"), "wb") as f, open(packed, "rb") as data:
        f.write(local)
        shutil.copyfileobj(data, f, 1 << 22)
        f.write(central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local) + length, 0))
    os.remove(packed)


def one_bga(out, path):
    """one.gz and one.bz2 of the file at `path`, packed a chunk at a time,
    then one.gza and one.bza: a header naming one.txt, then those bytes."""
    gz, bz = os.path.join(out, "one.gz"), os.path.join(out, "one.bz2")
    deflater, bzip2, crc, size = zlib.compressobj(6, zlib.DEFLATED, -15), bz2.BZ2Compressor(9), 0, 0
    with open(path, "rb") as source, open(gz, "wb") as g, open(bz, "wb") as b:
        g.write(gzip_member(b"")[:10])
        while True:
            chunk = source.read(1 << 22)
            if not chunk:
                break
            crc, size = zlib.crc32(chunk, crc), size + len(chunk)
            g.write(deflater.compress(chunk))
            b.write(bzip2.compress(chunk))
        g.write(deflater.flush() + struct.pack("<II", crc, size & 0xFFFFFFFF))
        b.write(bzip2.flush())
    for packed, method, name in ((gz, GZIP, "one.gza"), (bz, BZ2, "one.bza")):
        with open(os.path.join(out, name), "wb") as f, open(packed, "rb") as data:
            f.write(bga_member("one.txt", b"", size, method, packed=os.path.getsize(packed)))
            shutil.copyfileobj(data, f, 1 << 22)


def package_archives(archives, out):
    """One archive per format from ARCHIVES (made before), each in a folder
    of its own under OUT, and beside it NAME.ref/ with the files it holds
    (names in UTF-8; links are never written), for check_package.sh to give
    the released program: one line per archive, PATH|COUNT|REFERENCE."""
    shutil.rmtree(out, ignore_errors=True)
    for name in ("lh5_level2.lzh", "deflate.zip", "mszip.cab", "m4.arj", "rar4_best.rar", "tree.gza", "tree.bza"):
        source = os.path.join(archives, name)
        folder = os.path.join(out, name.split(".")[1])
        os.makedirs(folder)
        shutil.copy(source, folder)
        ref = os.path.join(out, name + ".ref")
        os.makedirs(ref)
        with open(source + ".list", "rb") as f:
            members = [row.split(b"\t")[0].decode("cp932").replace("\\", "/") for row in f.read().splitlines()]
        if name.endswith(".rar"):
            # Made by no tool here: what libarchive's bsdtar makes of it.
            run(["bsdtar", "-xf", source, "-C", ref])
            for root, _, files in os.walk(ref):
                for file in files:
                    if os.path.islink(os.path.join(root, file)):
                        os.remove(os.path.join(root, file))
        else:
            for member in members:
                if not member.endswith("/"):
                    os.makedirs(os.path.dirname(os.path.join(ref, member)), exist_ok=True)
                    shutil.copy(os.path.join(archives, "tree", member), os.path.join(ref, member))
        print("%s|%d|%s" % (os.path.join(folder, name), len(members), ref))


def main():
    if sys.argv[1] == "--package":
        package_archives(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]))
        return
    if sys.argv[1] == "--one":
        one(os.path.abspath(sys.argv[2]), int(sys.argv[3]))
        return
    if sys.argv[1] == "--demo":
        demo(os.path.abspath(sys.argv[2]))
        return
    if sys.argv[1] == "--big":
        big(os.path.abspath(sys.argv[2]), int(sys.argv[3]))
        return
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    normal_archives(out)
    safety_archives(out)
    unreadable_archives(out)
    names_archives(out)
    format_archives(out)
    legacy_archives(out)
    lhasa_suite(out)
    cabextract_suite(out)
    box_archives(out)
    password_archives(out)
    bga_archives(out)
    hostile_archives(out, {"truncated.zip": "deflate.zip", "truncated.lzh": "lh6_level1.lzh",
                           "truncated.cab": "mszip.cab", "truncated.arj": "m1.arj", "truncated.rar": "rar4_best.rar",
                           "truncated5.rar": "rar5_solid.rar", "truncated.gza": "tree.gza"})
    shutil.rmtree(os.path.join(out, "tree-sjis"))


if __name__ == "__main__":
    main()
