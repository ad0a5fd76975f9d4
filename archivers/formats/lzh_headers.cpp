#include "formats/lzh_headers.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#include "codecs/checksums.h"
#include "formats/endian.h"
#include "formats/results.h"

namespace archivers {

namespace {

// "-lh?-", "-lz4-", "-lz5-", "-lzs-", "-pm?-" two bytes into a header.
bool LooksLikeHeader(const unsigned char* p) {
  if (p[2] != '-' || p[6] != '-') return false;
  if (p[3] == 'l' && p[4] == 'h') return true;
  if (p[3] == 'l' && p[4] == 'z') return p[5] == '4' || p[5] == '5' || p[5] == 's';
  return p[3] == 'p' && p[4] == 'm' && p[5] != 's';
}

// Where the first header is: at the start, or after a self-extracting stub
// (in its first 64 KiB; the Amiga's stub carries a header of its own).
bool FindFirstHeader(ByteSource& source, std::uint64_t& at) {
  std::vector<unsigned char> lead;
  const std::uint64_t span = std::min<std::uint64_t>(source.Size(), 65536 + 22);
  if (!source.Read(0, span, lead)) return false;
  static const char kAmigaStub[] = "LhASFX V1.2,";
  int skip = 0;
  for (std::size_t i = 0; i + 22 <= lead.size(); ++i) {
    if (i + sizeof kAmigaStub - 1 <= lead.size() && std::memcmp(&lead[i], kAmigaStub, sizeof kAmigaStub - 1) == 0) {
      skip = 1;
    }
    if (!LooksLikeHeader(&lead[i]) || lead[i + 20] > 3) continue;
    if (skip-- > 0) continue;
    at = i;
    return true;
  }
  return false;
}

// One header's fields as the levels give them.
struct Header {
  LzhMember member;
  std::string path, file;
  unsigned unixMode = 0;
  std::uint64_t end = 0;     // where the header ends and the data begins
  bool checkFailed = false;  // the header's sum or CRC-16 is not its bytes'
};

// The extended headers from `first` in `raw`, each `fieldSize` bytes of size
// then a type; `commonCrc` tells where the header's CRC field is.
bool ReadExtended(std::vector<unsigned char>& raw, std::size_t first, std::size_t fieldSize, Header& h,
                  std::size_t& crcField, std::uint16_t& crc) {
  for (std::size_t at = first; at + fieldSize <= raw.size();) {
    const std::uint64_t size = fieldSize == 4 ? Le32(&raw[at]) : Le16(&raw[at]);
    if (size == 0) return true;
    if (size < fieldSize + 1 || size > raw.size() - at - fieldSize) return false;
    const std::size_t type = raw[at + fieldSize];
    unsigned char* data = &raw[at + fieldSize + 1];
    const std::size_t length = static_cast<std::size_t>(size) - fieldSize - 1;
    switch (type) {
      case 0x00:  // the header's CRC-16, counted with this field as zero
        if (length >= 2) crcField = at + fieldSize + 1, crc = static_cast<std::uint16_t>(Le16(data));
        break;
      case 0x01:  // the file name; a "/" in it is no separator
        h.file.assign(reinterpret_cast<char*>(data), length);
        for (char& c : h.file) {
          if (c == '/') c = '_';
        }
        break;
      case 0x02:  // the folders, 0xFF between them
        h.path.assign(reinterpret_cast<char*>(data), length);
        for (char& c : h.path) {
          if (c == '\xFF') c = '/';
        }
        if (!h.path.empty() && h.path.back() != '/') h.path += '/';
        break;
      case 0x41:  // Windows' times: the last write is the second
        if (length >= 16) {
          const std::uint64_t written = Le64(data + 8);
          if (written >= 116444736000000000ULL) {
            h.member.unixTime = true;
            h.member.stamp = static_cast<std::int64_t>(written / 10000000ULL - 11644473600ULL);
          }
        }
        break;
      case 0x42:  // sizes of 64 bits
        if (length >= 16) h.member.packed = Le64(data), h.member.original = Le64(data + 8);
        break;
      case 0x40:  // DOS's attributes
        if (length >= 2) h.member.attributes = Le16(data) & 0xFF;
        break;
      case 0x50:
        if (length >= 2) h.unixMode = Le16(data);
        break;
      case 0x54:
        if (length >= 4) h.member.unixTime = true, h.member.stamp = Le32(data);
        break;
      default: break;
    }
    at += static_cast<std::size_t>(size);
  }
  return true;
}

// The header at `at`, or false when there is none (the end, or damage).
// `raw` and `more` are the walk's, kept from header to header.
bool ReadHeader(ByteSource& source, std::uint64_t at, Header& h, std::vector<unsigned char>& raw,
                std::vector<unsigned char>& more) {
  if (!source.Read(at, 22, raw) || !LooksLikeHeader(raw.data())) return false;
  const int level = raw[20];
  h.member.method.assign(reinterpret_cast<char*>(&raw[2]), 5);
  h.member.packed = Le32(&raw[7]);
  h.member.original = Le32(&raw[11]);
  h.member.attributes = raw[19];  // DOS's at levels 0 and 1; 0x20 from the later levels' tools
  std::size_t crcField = 0;
  std::uint16_t headerCrc = 0;
  if (level == 0 || level == 1) {
    const std::size_t size = raw[0];
    if (size < (level == 0 ? 22u : 25u) || !source.Read(at, size + 2, raw)) return false;
    unsigned sum = 0;
    for (std::size_t i = 2; i < raw.size(); ++i) sum += raw[i];
    if ((sum & 0xFF) != raw[1]) {
      h.checkFailed = true;
      return false;
    }
    h.member.stamp = Le32(&raw[15]);  // DOS: the time, then the date
    const std::size_t nameLength = raw[21];
    if ((level == 0 ? 22u : 25u) + nameLength > size) return false;
    if (level == 1) h.member.os = static_cast<char>(raw[24 + nameLength]);
    h.file.assign(reinterpret_cast<char*>(&raw[22]), nameLength);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[22 + nameLength]));
    h.end = at + size + 2;
    if (level == 0) {
      // Unix's (and OS-9/68K's) extended area: the OS, a zero, the time,
      // then the mode. PMarc keeps a member's comment there instead.
      const std::size_t extra = size + 2 - (24 + nameLength);
      const unsigned char* area = &raw[24 + nameLength];
      const bool pmarc = h.member.method.compare(0, 3, "-pm") == 0;
      if (!pmarc && extra >= 12 && (area[0] == 'U' || area[0] == 'K') && area[1] == 0) {
        h.member.unixTime = true, h.member.stamp = Le32(area + 2);
        h.member.os = static_cast<char>(area[0]);
        h.unixMode = Le16(area + extra - 6);
      }
    } else {
      // Extended headers follow the basic one, and are counted in the
      // packed size.
      for (std::uint64_t next = Le16(&raw[raw.size() - 2]); next != 0;) {
        if (next < 3 || next > h.member.packed || !source.Read(h.end, next, more)) return false;
        raw.insert(raw.end(), more.begin(), more.end());
        h.end += next;
        h.member.packed -= next;
        next = Le16(&raw[raw.size() - 2]);
      }
      if (!ReadExtended(raw, size, 2, h, crcField, headerCrc)) return false;
    }
  } else if (level == 2) {
    std::size_t size = Le16(&raw[0]);
    if (size < 26 || !source.Read(at, size, raw)) return false;
    // OS-9/68K's tools count two bytes short.
    if (raw[23] == 'K' && !source.Read(at, size += 2, raw)) return false;
    h.member.unixTime = true, h.member.stamp = Le32(&raw[15]);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[21]));
    h.member.os = static_cast<char>(raw[23]);
    h.end = at + size;
    if (!ReadExtended(raw, 24, 2, h, crcField, headerCrc)) return false;
  } else if (level == 3) {
    if (Le16(&raw[0]) != 4 || !source.Read(at, 32, raw)) return false;
    const std::uint64_t size = Le32(&raw[24]);
    if (size < 32 || size > (1u << 20) || !source.Read(at, size, raw)) return false;
    h.member.unixTime = true, h.member.stamp = Le32(&raw[15]);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[21]));
    h.member.os = static_cast<char>(raw[23]);
    h.end = at + size;
    if (!ReadExtended(raw, 28, 4, h, crcField, headerCrc)) return false;
  } else {
    return false;
  }
  if (crcField != 0) {
    raw[crcField] = raw[crcField + 1] = 0;
    h.checkFailed = Crc16(0, raw.data(), raw.size()) != headerCrc;
    if (h.checkFailed) return false;
  }
  return true;
}

// Whether `path` is relative already: no separator at its start, no empty,
// "." or ".." part.
bool IsRelative(std::string_view path) {
  if (path.find_first_of("/\\") == 0) return false;
  for (std::size_t start = 0; start < path.size();) {
    const std::string_view part = path.substr(start, path.find('/', start) - start);
    if (part.empty() || part == "." || part == "..") return false;
    start += part.size() + 1;
  }
  return true;
}

// A path as the archivers of old wrote it, made relative: separators at
// the start go, "." parts go, and ".." takes back the part before it (or
// nothing at the start), as lha itself extracts. "\" stays for the name
// rules after: it may be the second byte of a Shift-JIS character.
std::string Collapsed(std::string path) {
  if (IsRelative(path)) return path;
  std::string out;
  std::size_t start = path.find_first_not_of("/\\");
  if (start == std::string::npos) return out;
  while (start <= path.size()) {
    std::size_t cut = path.find('/', start);
    if (cut == std::string::npos) cut = path.size();
    const std::string part = path.substr(start, cut - start);
    if (part == "..") {
      const std::size_t back = out.empty() ? std::string::npos : out.rfind('/', out.size() - 2);
      out.resize(back == std::string::npos ? 0 : back + 1);
    } else if (!part.empty() && part != ".") {
      out += part;
      if (cut < path.size()) out += '/';
    }
    start = cut + 1;
  }
  return out;
}

// The member whose header stands at `at`; false at the archive's end, or
// at damage, which `damaged` then says. `raw` and `more` are the walk's,
// kept from header to header.
bool MemberAt(ByteSource& source, std::uint64_t at, LzhMember& m, int& damaged, std::vector<unsigned char>& raw,
              std::vector<unsigned char>& more) {
  Header h;
  if (!ReadHeader(source, at, h, raw, more)) {
    // A zero byte, or the file's end, ends the archive; anything else is
    // damage after what could be read.
    if (source.Read(at, 1, raw) && raw[0] != 0) damaged = h.checkFailed ? ERROR_HEADER_CRC : ERROR_HEADER_BROKEN;
    return false;
  }
  m = std::move(h.member);
  m.folder = m.method == "-lhd-";
  std::string name;
  name.reserve(h.path.size() + h.file.size());
  name += h.path;
  name += h.file;
  if ((h.unixMode & 0xF000) == 0xA000) {  // a symbolic link: "name|target"
    m.link = true, m.folder = false;
    name.resize(std::min(name.size(), name.find('|')));
  }
  m.name = Collapsed(std::move(name));
  m.file = std::move(h.file);
  m.unixMode = h.unixMode;
  if (h.end > source.Size() || m.packed > source.Size() - h.end) {
    damaged = ERROR_HEADER_BROKEN;
    return false;
  }
  m.dataOffset = h.end;
  return true;
}

}  // namespace

bool LooksLikeLzh(ByteSource& source) {
  std::uint64_t at = 0;
  return FindFirstHeader(source, at);
}

bool ParseLzh(ByteSource& source, const std::function<void(std::uint64_t at, LzhMember& member)>& each, int& damaged) {
  damaged = 0;
  std::uint64_t at = 0;
  if (!FindFirstHeader(source, at)) return false;
  std::vector<unsigned char> raw, more;
  LzhMember m;
  for (bool any = false;; any = true) {
    if (!MemberAt(source, at, m, damaged, raw, more)) return any || !damaged;
    each(at, m);
    at = m.dataOffset + m.packed;
  }
}

bool ReadLzhMember(ByteSource& source, std::uint64_t at, LzhMember& member) {
  std::vector<unsigned char> raw, more;
  int damaged = 0;
  return MemberAt(source, at, member, damaged, raw, more);
}

bool MacBinaryFork(const LzhMember& member, const unsigned char* head, std::uint64_t& length) {
  const auto zero = [head](std::size_t from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (head[from + i] != 0) return false;
    }
    return true;
  };
  // Version 0, the fields MacBinary keeps zero, the member's own name.
  const std::size_t nameLength = head[1];
  if (head[0] != 0 || head[0x4A] != 0 || head[0x52] != 0 || !zero(0x63, 2) || !zero(0x65, 128 - 0x65) ||
      nameLength > 63 || nameLength != member.file.size() || std::memcmp(head + 2, member.file.data(), nameLength) ||
      !zero(2 + nameLength, 63 - nameLength)) {
    return false;
  }
  // Both forks and the header, padded to 128 bytes, are the member; the
  // Mac's time (from 1904) lies within 14 hours of the header's.
  const std::uint64_t data = Be32(head + 0x53), resource = Be32(head + 0x57);
  if (((data + resource + 128 + 127) & ~std::uint64_t{127}) != member.original) return false;
  const std::int64_t macTime = static_cast<std::int64_t>(Be32(head + 0x5F)) - 2082844800;
  const std::int64_t memberTime = member.unixTime ? member.stamp : -1;
  if (memberTime >= 0 && (macTime - memberTime > 14 * 3600 || memberTime - macTime > 14 * 3600)) return false;
  length = data > 0 ? data : resource;
  return true;
}

}  // namespace archivers
