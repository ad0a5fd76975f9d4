#include "formats/zip_directory.h"

#include <algorithm>
#include <cstring>

#include "codecs/checksums.h"
#include "codecs/methods.h"
#include "formats/endian.h"
#include "formats/results.h"

namespace archivers {

namespace {

const char kLocalHeader[] = "PK\3\4";
const char kCentralHeader[] = "PK\1\2";
const char kEndRecord[] = "PK\5\6";
const char kZip64EndRecord[] = "PK\6\6";
const char kZip64Locator[] = "PK\6\7";
constexpr std::size_t kEndRecordSize = 22, kCentralHeaderSize = 46, kLocatorSize = 20;

// clang-format off
enum Flag : unsigned { kFlagEncrypted = 0x1, kFlagStrongEncryption = 0x40, kFlagUtf8 = 0x800 };
// clang-format on
// clang-format off
enum ExtraField : unsigned { kZip64 = 0x0001, kNtfsTimes = 0x000A, kUnixTime = 0x5455, kUnicodePath = 0x7075,
                             kWinZipAes = 0x9901 };
// clang-format on

// The methods as the record names them (7 bytes at most); those read here
// are stored, deflated, bzip2, LZMA, xz, zstd and PPMd (libarchive) and
// shrink, reduce, implode, Deflate64 and bzip2 unencrypted (our own,
// ZipMethodOwn).
const char* MethodName(unsigned method) {
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
// The methods libarchive decodes (our own code decrypts nothing, so an
// encrypted bzip2 member is libarchive's).
bool LibarchiveDecodes(unsigned method) {
  return method == 0 || method == 8 || method == 12 || method == 14 || method == 93 || method == 95 || method == 98;
}

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

// The end record in the last 64 KiB (a comment may follow it): its place
// in `tail`, which holds the file's last bytes, or npos.
std::size_t FindEndRecord(const std::vector<unsigned char>& tail) {
  if (tail.size() < kEndRecordSize) return std::string::npos;
  for (std::size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
    if (std::memcmp(&tail[at], kEndRecord, 4) == 0) return at;
  }
  return std::string::npos;
}

bool ReadTail(ByteSource& file, std::vector<unsigned char>& tail) {
  const std::uint64_t size = std::min<std::uint64_t>(file.Size(), kEndRecordSize + 65535);
  return size >= kEndRecordSize && file.Read(file.Size() - size, size, tail);
}

}  // namespace

bool LooksLikeZip(ByteSource& file) {
  std::vector<unsigned char> bytes;
  if (!file.Read(0, std::min<std::uint64_t>(file.Size(), 4), bytes)) return false;
  if (bytes.size() == 4 &&
      (std::memcmp(bytes.data(), kLocalHeader, 4) == 0 || std::memcmp(bytes.data(), kEndRecord, 4) == 0)) {
    return true;
  }
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return true;
  return ReadTail(file, bytes) && FindEndRecord(bytes) != std::string::npos;
}

bool ReadZipDirectory(ByteSource& file, std::vector<DirectoryEntry>& entries, std::uint64_t& declared) {
  std::vector<unsigned char> tail;
  if (!ReadTail(file, tail)) return false;
  const std::size_t end = FindEndRecord(tail);
  if (end == std::string::npos) return false;
  const unsigned char* eocd = &tail[end];
  std::uint64_t count = Le16(eocd + 10), cdSize = Le32(eocd + 12), cdOffset = Le32(eocd + 16);
  const bool zip64 = end >= kLocatorSize && std::memcmp(eocd - kLocatorSize, kZip64Locator, 4) == 0;
  if (count == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) {
    std::vector<unsigned char> record;
    if (!zip64 || !file.Read(Le64(eocd - kLocatorSize + 8), 56, record) ||
        std::memcmp(record.data(), kZip64EndRecord, 4) != 0) {
      return false;
    }
    count = Le64(&record[32]), cdSize = Le64(&record[40]), cdOffset = Le64(&record[48]);
  }
  declared = count;
  // The directory ends where its end record begins; where it says it
  // begins is counted from the archive's own start.
  const std::uint64_t eocdAt = file.Size() - tail.size() + end;
  std::uint64_t stub = 0;
  if (!zip64 && cdOffset + cdSize < eocdAt) {
    stub = eocdAt - cdSize - cdOffset;
    cdOffset = eocdAt - cdSize;
  }
  if (cdOffset > file.Size() || cdSize > file.Size() - cdOffset) return false;
  const std::uint64_t cdEnd = cdOffset + cdSize;
  std::vector<unsigned char> h, rest;
  for (std::uint64_t at = cdOffset; at + kCentralHeaderSize <= cdEnd && entries.size() < count;) {
    if (!file.Read(at, kCentralHeaderSize, h) || std::memcmp(h.data(), kCentralHeader, 4) != 0) break;
    const std::size_t nameLength = Le16(&h[28]), extraLength = Le16(&h[30]), commentLength = Le16(&h[32]);
    if (cdEnd - at - kCentralHeaderSize < nameLength + extraLength + commentLength) break;
    if (!file.Read(at + kCentralHeaderSize, nameLength + extraLength, rest)) break;
    DirectoryEntry one;
    one.packed = Le32(&h[20]);
    one.size = Le32(&h[24]);
    one.raw.assign(reinterpret_cast<const char*>(rest.data()), nameLength);
    one.name = MatchingName(one.raw);
    const unsigned flags = Le16(&h[8]);
    one.unicode = (flags & kFlagUtf8) != 0;
    one.offset = Le32(&h[42]);
    one.hasSizes = one.hasCrc = true;
    one.crc = Le32(&h[16]);
    if (flags & kFlagEncrypted) one.cipher = flags & kFlagStrongEncryption ? Cipher::Unreadable : Cipher::ZipCrypto;
    one.dosTime = static_cast<std::uint16_t>(Le16(&h[12]));
    one.dosDate = static_cast<std::uint16_t>(Le16(&h[14]));
    unsigned method = Le16(&h[10]);
    // DOS's attributes in the external attributes' low byte; a Unix zip's
    // mode above them.
    const std::uint32_t external = Le32(&h[38]);
    one.os = HostSystemOf(h[5]);
    const bool folder = !one.raw.empty() && (one.raw.back() == '/' || one.raw.back() == '\\');
    one.attributes = one.os == OSTYPE_UNIX && (external >> 16) != 0 ? AttributesOfMode(external >> 16, folder)
                                                                    : DosAttributes(external);
    // Sizes that do not fit 32 bits are in the zip64 field, the original
    // size first, each only when its 32-bit field is all ones.
    const unsigned char* extra = rest.data() + nameLength;
    for (std::size_t x = 0; x + 4 <= extraLength;) {
      const std::size_t id = Le16(extra + x), length = Le16(extra + x + 2);
      if (x + 4 + length > extraLength) break;
      if (id == kZip64) {
        std::size_t field = x + 4;
        if (one.size == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.size = Le64(extra + field), field += 8;
        if (one.packed == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.packed = Le64(extra + field), field += 8;
        if (one.offset == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.offset = Le64(extra + field);
      }
      // Info-ZIP's Unicode path: version 1, the CRC-32 of the stored name,
      // then the name in UTF-8, believed while the CRC holds.
      if (id == kUnicodePath && length > 5 && extra[x + 4] == 1 &&
          Le32(extra + x + 5) == Crc32(0, rest.data(), nameLength)) {
        one.raw.assign(reinterpret_cast<const char*>(extra + x + 9), length - 5);
        one.unicode = true;
      }
      if (id == kNtfsTimes || id == kUnixTime) one.laterTime = true;
      // WinZip's AES: its version (AE-2 stores no CRC, the authentication
      // code alone checks the data), then the method the data was
      // compressed with.
      if (id == kWinZipAes && length >= 7 && method == 99) {
        if (one.cipher == Cipher::ZipCrypto) one.cipher = Cipher::Aes;
        if (Le16(extra + x + 4) == 2) one.hasCrc = false;
        method = Le16(extra + x + 4 + 5);
      }
      x += 4 + length;
    }
    one.offset += stub;
    one.method = MethodName(method);
    // Our own code decrypts nothing.
    one.ownMethod = ZipMethodOwn(method) && one.cipher == Cipher::None;
    one.zipMethod = method;
    one.zipFlags = flags;
    // libarchive decrypts stored and deflated data alone: any other method
    // encrypted would be decoded from the ciphertext, and come out damaged.
    const bool decrypted = one.cipher == Cipher::None || method == 0 || method == 8;
    if (!one.ownMethod && !(LibarchiveDecodes(method) && decrypted)) one.unsupported = ERROR_METHOD;
    entries.push_back(std::move(one));
    at += kCentralHeaderSize + nameLength + extraLength + commentLength;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.offset < b.offset; });
  return true;
}

bool IsEmptyZip(ByteSource& file) {
  std::vector<unsigned char> end;
  return file.Read(0, kEndRecordSize, end) && std::memcmp(end.data(), kEndRecord, 4) == 0 && Le16(&end[10]) == 0 &&
         Le32(&end[12]) == 0 && kEndRecordSize + Le16(&end[20]) == file.Size();
}

}  // namespace archivers
