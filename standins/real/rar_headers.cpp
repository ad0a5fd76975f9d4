#include "real/rar_headers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace standin {

namespace {

std::uint32_t Le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// RAR5's numbers: seven bits a byte, the high bit saying more follow.
class Fields {
 public:
  Fields(const std::vector<unsigned char>& bytes, std::size_t at) : bytes_(bytes), at_(at) {}
  bool Number(std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (at_ >= bytes_.size()) return false;
      const unsigned char b = bytes_[at_++];
      value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool Word(std::uint32_t& value) {
    if (at_ > bytes_.size() || bytes_.size() - at_ < 4) return false;
    value = Le32(&bytes_[at_]);
    at_ += 4;
    return true;
  }
  std::size_t at() const { return at_; }

 private:
  const std::vector<unsigned char>& bytes_;
  std::size_t at_;
};

RarFileFacts Rar4(ByteSource& bytes, std::uint64_t at) {
  std::vector<unsigned char> head;
  // Blocks until the first file header; a few at most lie between members.
  for (int blocks = 0; blocks < 64 && bytes.Read(at, 7, head); ++blocks) {
    const unsigned type = head[2], flags = head[3] | head[4] << 8, size = head[5] | head[6] << 8;
    if (size < 7) break;
    if (type == 0x74) {
      RarFileFacts facts;
      if (size < 32 || !bytes.Read(at, 32, head)) break;
      facts.found = true;
      facts.hasCrc = (flags & 0xE0) != 0xE0;  // a folder has none
      facts.crc = Le32(&head[16]);
      facts.encrypted = (flags & 0x04) != 0;
      facts.split = (flags & 0x03) != 0;
      return facts;
    }
    std::uint64_t skip = size;
    if (flags & 0x8000) {
      if (!bytes.Read(at + 7, 4, head)) break;
      skip += Le32(head.data());
    }
    at += skip;
  }
  return {};
}

RarFileFacts Rar5(ByteSource& bytes, std::uint64_t at) {
  std::vector<unsigned char> block;
  for (int blocks = 0; blocks < 64; ++blocks) {
    // CRC32, then the header's size (at most three bytes of number here).
    if (!bytes.Read(at, std::min<std::uint64_t>(7, bytes.Size() - std::min(at, bytes.Size())), block) ||
        block.size() < 5) {
      break;
    }
    Fields sizeField(block, 4);
    std::uint64_t headerSize = 0;
    if (!sizeField.Number(headerSize) || headerSize == 0 || headerSize > (2u << 20)) break;
    const std::size_t start = sizeField.at();
    if (!bytes.Read(at, start + headerSize, block)) break;
    Fields f(block, start);
    std::uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
    if (!f.Number(type) || !f.Number(flags)) break;
    if ((flags & 1) && !f.Number(extraSize)) break;
    if ((flags & 2) && !f.Number(dataSize)) break;
    if (type == 2) {
      RarFileFacts facts;
      std::uint64_t fileFlags = 0, unpacked = 0, attributes = 0;
      std::uint32_t word = 0;
      if (!f.Number(fileFlags) || !f.Number(unpacked) || !f.Number(attributes)) break;
      if ((fileFlags & 2) && !f.Word(word)) break;
      facts.found = true;
      facts.split = (flags & 0x18) != 0;
      facts.hasCrc = (fileFlags & 4) != 0 && f.Word(facts.crc);
      // The extra area, at the header's end: record type 1 is encryption.
      if (extraSize > headerSize) break;
      for (std::size_t pos = start + static_cast<std::size_t>(headerSize - extraSize); pos < block.size();) {
        Fields record(block, pos);
        std::uint64_t size = 0, recordType = 0;
        if (!record.Number(size)) break;
        const std::size_t body = record.at();
        if (size == 0 || size > block.size() - body || !record.Number(recordType)) break;
        if (recordType == 1) facts.encrypted = true;
        pos = body + static_cast<std::size_t>(size);
      }
      return facts;
    }
    if (type == 4) return {};  // headers encrypted from here on
    at += start + headerSize + dataSize;
  }
  return {};
}

}  // namespace

RarFileFacts ReadRarFileFacts(ByteSource& bytes, std::uint64_t from) {
  std::vector<unsigned char> signature;
  if (!bytes.Read(0, 8, signature) || std::memcmp(signature.data(), "Rar!\x1a\x07", 6) != 0) return {};
  if (from < 7) from = signature[6] == 1 ? 8 : 7;
  return signature[6] == 1 ? Rar5(bytes, from) : Rar4(bytes, from);
}

RarArchiveFacts ReadRarArchiveFacts(ByteSource& bytes) {
  RarArchiveFacts facts;
  std::vector<unsigned char> head;
  if (!bytes.Read(0, 16, head) || std::memcmp(head.data(), "Rar!\x1a\x07", 6) != 0) return facts;
  if (head[6] == 1) {
    // RAR5: an archive encryption header (type 4) comes first, or the
    // main header (type 1), whose archive flags say solid (4).
    if (!bytes.Read(0, std::min<std::uint64_t>(40, bytes.Size()), head)) return facts;
    Fields f(head, 12);
    std::uint64_t size = 0, type = 0, flags = 0, skipped = 0, archiveFlags = 0;
    if (!f.Number(size) || !f.Number(type)) return facts;
    facts.headersEncrypted = type == 4;
    facts.solid = type == 1 && f.Number(flags) && (!(flags & 1) || f.Number(skipped)) &&
                  (!(flags & 2) || f.Number(skipped)) && f.Number(archiveFlags) && (archiveFlags & 4) != 0;
    return facts;
  }
  // RAR4: the main header (type 0x73) follows the signature.
  if (head[9] == 0x73) {
    const unsigned flags = head[10] | head[11] << 8;
    facts.headersEncrypted = (flags & 0x0080) != 0;
    facts.solid = (flags & 0x0008) != 0;
  }
  return facts;
}

}  // namespace standin
