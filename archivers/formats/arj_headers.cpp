#include "formats/arj_headers.h"

#include <cstring>

#include "codecs/checksums.h"
#include "formats/endian.h"

namespace archivers {

namespace {

const unsigned char kHeaderId[] = {0x60, 0xEA};
constexpr std::size_t kMostBasicHeader = 2600, kLeastBasicHeader = 30, kEncryptionVersion = 28;
enum ArjHost : int { kArjUnix = 2, kArjNext = 8 };  // the hosts that store seconds since 1970

// One header block at `at`: its id, its size (0 ends the archive), the
// basic header, its CRC-32, then extended headers until a size of 0. On
// success `at` is past the block's headers and `basic` holds the basic
// header (empty at the end of the archive).
bool ReadBlock(ByteSource& source, std::uint64_t& at, std::vector<unsigned char>& basic) {
  std::vector<unsigned char> head;
  if (!source.Read(at, 4, head) || std::memcmp(head.data(), kHeaderId, 2) != 0) return false;
  const std::size_t basicSize = Le16(head.data() + 2);
  at += 4;
  basic.clear();
  if (basicSize == 0) return true;
  if (basicSize > kMostBasicHeader || !source.Read(at, basicSize + 4, basic)) return false;
  if (Crc32(0, basic.data(), basicSize) != Le32(basic.data() + basicSize)) return false;
  basic.resize(basicSize);
  at += basicSize + 4;
  for (;;) {
    if (!source.Read(at, 2, head)) return false;
    const std::size_t extended = Le16(head.data());
    at += 2;
    if (extended == 0) return true;
    if (source.Size() - at < extended + 4) return false;
    at += extended + 4;
  }
}

}  // namespace

bool LooksLikeArj(ByteSource& source) {
  std::vector<unsigned char> head;
  return source.Read(0, 2, head) && std::memcmp(head.data(), kHeaderId, 2) == 0;
}

bool ParseArj(ByteSource& source, std::vector<ArjMember>& members) {
  members.clear();
  std::uint64_t at = 0;
  std::vector<unsigned char> basic;
  if (!ReadBlock(source, at, basic) || basic.size() < kLeastBasicHeader || basic[6] != kArjMainHeader) return false;
  // The main header's encryption version: 0 and 1 garble with the XOR.
  const bool newEncryption = basic[0] > kEncryptionVersion && basic[kEncryptionVersion] >= 2;
  for (;;) {
    if (!ReadBlock(source, at, basic)) return false;
    if (basic.empty()) return true;
    const std::size_t first = basic[0];
    if (first < kLeastBasicHeader || first >= basic.size()) return false;
    ArjMember m;
    m.host = basic[3];
    m.flags = basic[4];
    m.method = basic[5];
    m.fileType = basic[6];
    m.garbleModifier = basic[7];
    m.newEncryption = newEncryption;
    m.unixTime = m.host == kArjUnix || m.host == kArjNext;
    m.stamp = Le32(&basic[8]);
    m.packedSize = Le32(&basic[12]);
    m.originalSize = Le32(&basic[16]);
    m.crc = Le32(&basic[20]);
    m.accessMode = Le16(&basic[26]);
    const unsigned char* name = &basic[first];
    const void* end = std::memchr(name, 0, basic.size() - first);
    if (!end) return false;
    m.name.assign(reinterpret_cast<const char*>(name), static_cast<const unsigned char*>(end) - name);
    if (source.Size() - at < m.packedSize) return false;
    m.dataOffset = at;
    at += m.packedSize;
    members.push_back(std::move(m));
  }
}

}  // namespace archivers
