#include "formats/zip_directory.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "codecs/checksums.h"
#include "codecs/methods.h"
#include "formats/endian.h"

namespace archivers {

namespace {

const char kLocalHeader[] = "PK\3\4";
const char kCentralHeader[] = "PK\1\2";
const char kEndRecord[] = "PK\5\6";
const char kZip64EndRecord[] = "PK\6\6";
const char kZip64Locator[] = "PK\6\7";
constexpr std::size_t kEndRecordSize = 22, kCentralHeaderSize = 46, kLocatorSize = 20, kZip64RecordSize = 56;
// libarchive looks for the end record in the file's last 16 KiB, unzip in
// its last 64 KiB (the longest comment there can be).
constexpr std::uint64_t kEndSearch = 16 * 1024, kEndSearchAny = kEndRecordSize + 65535;

// clang-format off
enum Flag : unsigned { kFlagEncrypted = 0x1, kFlagStrongEncryption = 0x40, kFlagUtf8 = 0x800 };
enum ExtraField : unsigned { kZip64 = 0x0001, kUnixTime = 0x5455, kOldUnixTime = 0x5855, kAttributes = 0x6C78,
                             kUnicodePath = 0x7075, kWinZipAes = 0x9901 };
// clang-format on
// The file types of a Unix mode.
constexpr unsigned kTypeMask = 0170000, kFifo = 0010000, kFolder = 0040000, kLink = 0120000;

bool Is(const unsigned char* bytes, const char* signature) { return std::memcmp(bytes, signature, 4) == 0; }

// The system of "version made by", as the record numbers systems.
std::uint8_t HostSystemOf(unsigned host) {
  // clang-format off
  static const std::uint8_t systems[] = {
      OSTYPE_MSDOS, OSTYPE_AMIGA, OSTYPE_VMS, OSTYPE_UNIX, OSTYPE_UNKNOWN /* VM/CMS */, OSTYPE_ATARI, OSTYPE_OS2,
      OSTYPE_MACOS, OSTYPE_UNKNOWN /* Z-System */, OSTYPE_CPM, OSTYPE_NTFS, OSTYPE_MVS, OSTYPE_UNKNOWN /* VSE */,
      OSTYPE_UNKNOWN /* Acorn */, OSTYPE_VFAT95, OSTYPE_MVS, OSTYPE_BEBOX, OSTYPE_UNKNOWN /* Tandem */,
      OSTYPE_UNKNOWN /* OS/400 */, OSTYPE_UNIX /* OS X */};
  // clang-format on
  return host < sizeof systems ? systems[host] : std::uint8_t{OSTYPE_UNKNOWN};
}

// The file type the external attributes say: a Unix system's mode above
// them, DOS's folder bit; the other systems' say none.
unsigned FileTypeOf(unsigned host, std::uint32_t external) {
  if (host == 3) return external >> 16 & kTypeMask;
  return host == 0 && (external & FA_DIREC) ? kFolder : 0;
}

// The file's last `span` bytes, or fewer when it is shorter.
bool ReadTail(ByteSource& file, std::uint64_t span, std::vector<unsigned char>& tail) {
  const std::uint64_t size = std::min<std::uint64_t>(file.Size(), span);
  return size >= kEndRecordSize && file.Read(file.Size() - size, size, tail);
}

// Where the directory is, as its end record and the zip64 record say.
struct Place {
  std::uint64_t searchFrom = 0;  // where its first entry is looked for
  std::uint64_t declaredAt = 0;  // where the records say it begins, counted from the archive's own start
  std::uint64_t end = 0;         // where the end record stands; 0 when only a zip64 record placed it
  std::uint64_t count = 0;       // the members declared
};

// The zip64 end record the locator at the end record's side points to, as
// libarchive takes it: one volume, a record of sensible size, every entry
// on the one disk.
bool ReadZip64Record(ByteSource& file, const unsigned char* locator, Place& place) {
  if (Le32(locator + 4) != 0 || Le32(locator + 16) != 1) return false;
  const std::uint64_t at = Le64(locator + 8);
  std::vector<unsigned char> record;
  if (at > INT64_MAX || !file.Read(at, kZip64RecordSize, record)) return false;
  const std::uint64_t size = Le64(&record[4]) + 12;
  if (size < kZip64RecordSize || size > 16384 || at + size > file.Size()) return false;
  if (Le32(&record[16]) != 0 || Le32(&record[20]) != 0 || Le64(&record[24]) != Le64(&record[32])) return false;
  place.searchFrom = place.declaredAt = Le64(&record[48]);
  place.count = Le64(&record[32]);
  return true;
}

// The directory's place as libarchive, which extracts, finds it: the last
// end record in the file's last 16 KiB (not at their very first byte), on
// the first disk, its directory ending before it; a valid zip64 record
// behind a locator places the directory instead.
bool FindDirectory(ByteSource& file, Place& place) {
  std::vector<unsigned char> tail;
  if (!ReadTail(file, kEndSearch, tail)) return false;
  std::size_t at = tail.size() - kEndRecordSize;
  while (at > 0 && !Is(&tail[at], kEndRecord)) --at;
  if (at == 0) return false;
  const unsigned char* end = &tail[at];
  const std::uint64_t endAt = file.Size() - tail.size() + at;
  bool found = false;
  // Offset and size add up in 32 bits, as libarchive adds them.
  const std::uint32_t size = Le32(end + 12), offset = Le32(end + 16);
  if (Le16(end + 4) == 0 && Le16(end + 6) == 0 && Le16(end + 8) == Le16(end + 10) &&
      static_cast<std::uint32_t>(offset + size) <= endAt) {
    place = {endAt - size, offset, endAt, Le16(end + 10)};
    found = true;
  }
  if (at >= kLocatorSize && Is(end - kLocatorSize, kZip64Locator) && ReadZip64Record(file, end - kLocatorSize, place)) {
    found = true;
  }
  return found;
}

// The first entry's or end record's signature at or after `from`: bytes
// before the archive (a self-extracting program) put the directory further
// on than the records say.
bool FindFirstSignature(ByteSource& file, std::uint64_t from, std::uint64_t& found) {
  const auto isOne = [](const unsigned char* p) {
    return Is(p, kCentralHeader) || Is(p, kEndRecord) || Is(p, kZip64EndRecord);
  };
  std::vector<unsigned char> piece;
  if (from > file.Size() || file.Size() - from < 20 || !file.Read(from, 4, piece)) return false;
  // Where the records say, almost always.
  if (isOne(piece.data())) {
    found = from;
    return true;
  }
  constexpr std::uint64_t kPiece = 64 * 1024;
  for (std::uint64_t at = from; file.Size() - at >= 20;) {
    const std::uint64_t length = std::min(kPiece, file.Size() - at);
    if (!file.Read(at, length, piece)) return false;
    for (std::size_t i = 0; i + 4 <= piece.size(); ++i) {
      if (piece[i] == 'P' && isOne(&piece[i])) {
        found = at + i;
        return true;
      }
    }
    at += length - 3;
  }
  return false;
}

// Reads the extra fields of one entry into it; false where libarchive
// finds them damaged (a zip64 size or offset the field lacks, an empty
// time field, a short AES field), which fails its whole directory.
bool ReadExtraFields(const unsigned char* extra, std::size_t length, const unsigned char* storedName,
                     std::size_t storedLength, ZipEntry& entry, std::int64_t& offset, unsigned& host, unsigned& type) {
  for (std::size_t x = 0; length >= 4 && x <= length - 4;) {
    const std::size_t id = Le16(extra + x), size = Le16(extra + x + 2);
    x += 4;
    if (x + size > length) break;  // a field running past the area ends it, as unzip takes it
    const unsigned char* field = extra + x;
    switch (id) {
      case kZip64: {
        // Each value only when its 32-bit field is all ones, the original
        // size first.
        std::size_t at = 0;
        const auto take = [&](std::uint64_t& value) {
          if (size - at < 8 || Le64(field + at) > INT64_MAX) return false;
          value = Le64(field + at);
          at += 8;
          return true;
        };
        if (entry.size == 0xFFFFFFFF && !take(entry.size)) return false;
        if (entry.packed == 0xFFFFFFFF && !take(entry.packed)) return false;
        std::uint64_t wide = 0;
        if (offset == 0xFFFFFFFF) {
          if (!take(wide)) return false;
          offset = static_cast<std::int64_t>(wide);
        }
        break;
      }
      case kUnixTime:  // flags, then the times they name, the last write first
        if (size == 0) return false;
        if ((field[0] & 1) && size >= 5) entry.hasUnixTime = true, entry.unixTime = Le32(field + 1);
        break;
      case kOldUnixTime:  // the last access, then the last write
        if (size >= 8) entry.hasUnixTime = true, entry.unixTime = Le32(field + 4);
        break;
      case kAttributes: {
        // libarchive's own: which of "version made by", the internal and the
        // external attributes follow, in a bitmap of 7 bits a byte.
        if (size < 1) break;
        const unsigned bitmap = field[0];
        std::size_t at = 1;
        for (unsigned more = bitmap; (more & 0x80) && at < size;) more = field[at++];
        if (bitmap & 1) {
          if (size - at < 2) break;
          host = field[at + 1];
          at += 2;
        }
        if (bitmap & 2) {
          if (size - at < 2) break;
          at += 2;
        }
        if ((bitmap & 4) && size - at >= 4) type = FileTypeOf(host, Le32(field + at));
        break;
      }
      case kUnicodePath:
        // Info-ZIP's: version 1, the CRC-32 of the stored name, then the
        // name in UTF-8, believed while the CRC holds.
        if (size > 5 && field[0] == 1 && Le32(field + 1) == Crc32(0, storedName, storedLength)) {
          entry.name.assign(reinterpret_cast<const char*>(field + 5), size - 5);
          entry.utf8 = true;
        }
        break;
      case kWinZipAes:
        // Its version (AE-2 stores no CRC), "AE", the key's strength, then
        // the method the data was compressed with.
        if (size < 6) return false;
        if (size >= 7 && entry.method == 99) {
          if (entry.cipher == Cipher::ZipCrypto) entry.cipher = Cipher::Aes;
          if (Le16(field) == 2) entry.hasCrc = false;
          entry.method = Le16(field + 5);
        }
        break;
      default: break;
    }
    x += size;
  }
  return true;
}

}  // namespace

bool LooksLikeZip(ByteSource& file) {
  std::vector<unsigned char> bytes;
  if (!file.Read(0, std::min<std::uint64_t>(file.Size(), 4), bytes)) return false;
  if (bytes.size() == 4 && (Is(bytes.data(), kLocalHeader) || Is(bytes.data(), kEndRecord))) return true;
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return true;
  if (!ReadTail(file, kEndSearchAny, bytes)) return false;
  for (std::size_t at = bytes.size() - kEndRecordSize + 1; at-- > 0;) {
    if (Is(&bytes[at], kEndRecord)) return true;
  }
  return false;
}

ZipDirectoryRead ReadZipDirectory(ByteSource& file, ZipDirectory& directory) {
  directory = ZipDirectory();
  Place place;
  if (!FindDirectory(file, place)) return ZipDirectoryRead::None;
  directory.declared = place.count;
  std::uint64_t first = 0;
  if (!FindFirstSignature(file, place.searchFrom, first)) return ZipDirectoryRead::Damaged;
  const std::int64_t correction = static_cast<std::int64_t>(first - place.declaredAt);

  // The entries one after another up to the end record, whatever the count
  // declared: anything else where an entry should begin, or an entry cut
  // short, is damage.
  std::vector<ZipEntry> entries;
  std::vector<std::int64_t> offsets;
  entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(place.count, file.Size() / kCentralHeaderSize)));
  offsets.reserve(entries.capacity());
  std::vector<unsigned char> rest;
  for (std::uint64_t at = first;;) {
    unsigned char h[kCentralHeaderSize];
    const std::size_t got = file.ReadAt(at, h, sizeof h);
    if (got < 4) return ZipDirectoryRead::Damaged;
    if (Is(h, kEndRecord) || Is(h, kZip64EndRecord)) break;
    if (!Is(h, kCentralHeader) || got < sizeof h) return ZipDirectoryRead::Damaged;
    const std::size_t nameLength = Le16(&h[28]), extraLength = Le16(&h[30]);
    std::uint64_t commentLength = Le16(&h[32]);
    if (!file.Read(at + kCentralHeaderSize, nameLength + extraLength, rest)) return ZipDirectoryRead::Damaged;
    ZipEntry one;
    unsigned host = h[5];
    one.flags = Le16(&h[8]);
    one.method = Le16(&h[10]);
    one.dosTime = static_cast<std::uint16_t>(Le16(&h[12]));
    one.dosDate = static_cast<std::uint16_t>(Le16(&h[14]));
    one.crc = Le32(&h[16]);
    one.packed = Le32(&h[20]);
    one.size = Le32(&h[24]);
    one.name.assign(reinterpret_cast<const char*>(rest.data()), nameLength);
    one.utf8 = (one.flags & kFlagUtf8) != 0;
    one.encrypted = (one.flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0;
    if (one.flags & kFlagEncrypted) {
      one.cipher = one.flags & kFlagStrongEncryption ? Cipher::Unreadable : Cipher::ZipCrypto;
    }
    // DOS's attributes in the external attributes' low byte; a Unix zip's
    // mode above them.
    const std::uint32_t external = Le32(&h[38]);
    one.os = HostSystemOf(host);
    const bool folderName = nameLength > 0 && (rest[nameLength - 1] == '/' || rest[nameLength - 1] == '\\');
    one.attributes = one.os == OSTYPE_UNIX && (external >> 16) != 0 ? AttributesOfMode(external >> 16, folderName)
                                                                    : DosAttributes(external);
    unsigned type = FileTypeOf(host, external);
    std::int64_t offset = static_cast<std::int64_t>(Le32(&h[42])) + correction;
    if (!ReadExtraFields(rest.data() + nameLength, extraLength, rest.data(), nameLength, one, offset, host, type)) {
      return ZipDirectoryRead::Damaged;
    }
    // Folders and links as the extraction takes them: by the type, or a
    // name ending in "/" (in "\" where a DOS tool used no "/" at all).
    if (type == kFifo) type = 0;  // a member zip took from a pipe is a file
    if (type != kFolder && !one.name.empty()) {
      const char last = one.name.back();
      if (last == '/' || (last == '\\' && h[7] == 0 && one.name.find('/') == std::string::npos)) type = kFolder;
    }
    one.folder = type == kFolder;
    one.link = type == kLink;
    one.offset = static_cast<std::uint64_t>(offset);
    // A comment declared longer than the directory holds ends where the
    // directory ends, as unzip takes it.
    const std::uint64_t after = at + kCentralHeaderSize + nameLength + extraLength;
    if (place.end > 0 && after + commentLength > place.end) commentLength = after < place.end ? place.end - after : 0;
    at = after + commentLength;
    offsets.push_back(offset);
    entries.push_back(std::move(one));
  }

  // In the order of the local headers; of two entries naming one header,
  // the first. Almost every zip's directory is in that order already.
  if (std::adjacent_find(offsets.begin(), offsets.end(), std::greater_equal<std::int64_t>()) == offsets.end()) {
    directory.entries = std::move(entries);
    return ZipDirectoryRead::Read;
  }
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (!std::is_sorted(offsets.begin(), offsets.end())) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return offsets[a] < offsets[b]; });
  }
  directory.entries.reserve(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && offsets[order[i]] == offsets[order[i - 1]]) continue;
    directory.entries.push_back(std::move(entries[order[i]]));
  }
  return ZipDirectoryRead::Read;
}

const char* ZipMethodName(unsigned method) {
  switch (method) {
    case 0: return "Store";
    case 1: return "Shrink";
    case 2: return "Reduce1";
    case 3: return "Reduce2";
    case 4: return "Reduce3";
    case 5: return "Reduce4";
    case 6: return "Implode";
    case 8: return "Deflate";
    case 9: return "Deflt64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 18: return "Terse";
    case 93: return "Zstd";
    case 95: return "XZ";
    case 96: return "Jpeg";
    case 97: return "WavPack";
    case 98: return "PPMd";
    default: return "Unknown";
  }
}

// Stored, deflated, bzip2, LZMA, xz, zstd and PPMd by libarchive (shrink,
// reduce, implode, Deflate64 and unencrypted bzip2 by our own code,
// ZipMethodOwn).
bool LibarchiveDecodes(unsigned method) {
  return method == 0 || method == 8 || method == 12 || method == 14 || method == 93 || method == 95 || method == 98;
}

bool IsEmptyZip(ByteSource& file) {
  std::vector<unsigned char> end;
  return file.Read(0, kEndRecordSize, end) && Is(end.data(), kEndRecord) && Le16(&end[10]) == 0 &&
         Le32(&end[12]) == 0 && kEndRecordSize + Le16(&end[20]) == file.Size();
}

}  // namespace archivers
