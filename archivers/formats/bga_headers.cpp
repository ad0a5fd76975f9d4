#include "formats/bga_headers.h"

#include <algorithm>
#include <cstring>

#include "formats/endian.h"
#include "formats/results.h"
#include "names/paths.h"

namespace archivers {

namespace {

constexpr std::size_t kHeaderSize = 28;
constexpr std::uint64_t kStubSpan = 65536;  // how far a self-extracting stub may reach

// What stands at a place where a header should.
enum class Found { Header, End, Broken, BadChecksum };

bool MethodAt(const unsigned char* p, BgaMethod& method) {
  if (std::memcmp(p, "GZIP", 4) == 0) method = BgaMethod::Gzip;
  else if (std::memcmp(p, "BZ2\0", 4) == 0) method = BgaMethod::Bzip2;
  else return false;
  return true;
}

// The header's sum: bytes 4 to 27 and the name's, each a signed char.
std::uint32_t SignedSum(const unsigned char* p, std::size_t size, std::uint32_t sum) {
  for (std::size_t i = 0; i < size; ++i) sum += static_cast<std::uint32_t>(static_cast<signed char>(p[i]));
  return sum;
}

// Arc type 0 is the archiver's first rule: a member whose sizes are equal
// is stored when its extension is one of files that compress no further.
bool StoredByExtension(const std::string& name) {
  static const char* const kCompressed[] = {"arc", "arj", "bz2", "bza", "cab", "gz", "gza", "lzh", "lzs",
                                            "pak", "rar", "taz", "tbz", "tgz", "z",  "zip", "zoo"};
  const std::size_t dot = name.rfind('.');  // never a trail byte
  const std::size_t cut = LastSeparator(name);
  if (dot == std::string::npos || (cut != std::string::npos && dot < cut)) return false;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return std::any_of(std::begin(kCompressed), std::end(kCompressed),
                     [&](const char* known) { return extension == known; });
}

// The header at `at`, its name and where its data lies.
Found ReadHeader(ByteSource& source, std::uint64_t at, BgaMember& m) {
  if (at >= source.Size()) return Found::End;  // beyond it: the last member's data was cut short
  std::vector<unsigned char> h;
  if (!source.Read(at, kHeaderSize, h) || !MethodAt(&h[4], m.method)) return Found::Broken;
  const std::size_t folderLength = Le16(&h[24]), fileLength = Le16(&h[26]);
  std::vector<unsigned char> name;
  if (folderLength + fileLength == 0 || !source.Read(at + kHeaderSize, folderLength + fileLength, name))
    return Found::Broken;
  if (SignedSum(name.data(), name.size(), SignedSum(&h[4], kHeaderSize - 4, 0)) != Le32(&h[0]))
    return Found::BadChecksum;
  m.name.assign(name.begin(), name.begin() + folderLength);
  // The folder part ends in "\"; a trail byte 0x5C does not end it.
  if (!m.name.empty() && !EndsWithSeparator(m.name)) m.name += '\\';
  m.name.append(name.begin() + folderLength, name.end());
  m.packed = Le32(&h[8]);
  m.original = Le32(&h[12]);
  m.date = static_cast<std::uint16_t>(Le16(&h[16]));
  m.time = static_cast<std::uint16_t>(Le16(&h[18]));
  m.attributes = h[20];
  const unsigned arcType = Le16(&h[22]);
  m.stored = arcType == 2 || (arcType == 0 && m.packed == m.original && StoredByExtension(m.name));
  m.unknownType = arcType > 2;
  m.folderByAttributes = (m.attributes & 0x10) != 0 && m.packed == 0 && m.original == 0;
  m.dataOffset = at + kHeaderSize + name.size();
  // Data cut short by the file's end is listed, and fails when read.
  return Found::Header;
}

// Whether a compressed member's data begins as its method's stream does:
// what tells a header from bytes of a stub that happen to look like one.
bool DataAgrees(ByteSource& source, const BgaMember& m) {
  if (m.stored || m.packed == 0) return true;
  std::vector<unsigned char> lead;
  if (m.packed < 3 || !source.Read(m.dataOffset, 3, lead)) return false;
  static const unsigned char kGzip[] = {0x1F, 0x8B, 0x08};
  return std::memcmp(lead.data(), m.method == BgaMethod::Gzip ? kGzip : reinterpret_cast<const unsigned char*>("BZh"),
                     3) == 0;
}

// The first header: at the start, or after a stub within its first 64 KiB.
bool FindFirstHeader(ByteSource& source, std::uint64_t& at) {
  std::vector<unsigned char> lead;
  if (!source.Read(0, std::min<std::uint64_t>(source.Size(), kStubSpan + 8), lead)) return false;
  BgaMethod method;
  for (std::size_t i = 0; i + 8 <= lead.size(); ++i) {
    if (!MethodAt(&lead[i + 4], method)) continue;
    BgaMember m;
    if (ReadHeader(source, i, m) == Found::Header && DataAgrees(source, m)) {
      at = i;
      return true;
    }
  }
  return false;
}

}  // namespace

bool LooksLikeBga(ByteSource& source) {
  std::uint64_t at = 0;
  return FindFirstHeader(source, at);
}

bool ParseBga(ByteSource& source, std::vector<BgaMember>& members, int& damaged) {
  members.clear();
  damaged = 0;
  std::uint64_t at = 0;
  if (!FindFirstHeader(source, at)) return false;
  for (;;) {
    BgaMember m;
    switch (ReadHeader(source, at, m)) {
      case Found::End: return true;
      case Found::Broken: damaged = ERROR_HEADER_BROKEN; return true;
      case Found::BadChecksum: damaged = ERROR_HEADER_CRC; return true;
      case Found::Header: break;
    }
    at = m.dataOffset + m.packed;
    members.push_back(std::move(m));
  }
}

}  // namespace archivers
