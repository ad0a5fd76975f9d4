#include "formats/rar_headers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/endian.h"
#include "formats/reader.h"

namespace archivers {

namespace {

const char kSignature[] = "Rar!\x1a\x07";  // then 0 for RAR4, 1 0 for RAR5

// clang-format off
// RAR4's blocks: a type, flags, a size, and more data when the flags say.
enum Rar4Block : unsigned { kRar4Main = 0x73, kRar4File = 0x74 };
enum Rar4Flag : unsigned {
  kRar4LongBlock = 0x8000,                              // any block: data follows the header
  kRar4MainSolid = 0x0008, kRar4MainPassword = 0x0080,  // the main header
  kRar4SplitBefore = 0x0001, kRar4SplitAfter = 0x0002, kRar4Password = 0x0004, kRar4Directory = 0x00E0,  // a file's
};
enum Rar4Host : unsigned { kRar4Dos, kRar4Os2, kRar4Win32, kRar4Unix, kRar4Mac, kRar4BeOs };

// RAR5's: numbers of seven bits a byte, and these types and flags.
enum Rar5Block : std::uint64_t { kRar5Main = 1, kRar5File = 2, kRar5Encryption = 4 };
enum Rar5Flag : std::uint64_t {
  kRar5Extra = 0x01, kRar5Data = 0x02, kRar5SplitBefore = 0x08, kRar5SplitAfter = 0x10,  // any block
  kRar5Directory = 0x01, kRar5Time = 0x02, kRar5Crc = 0x04, kRar5SizeUnknown = 0x08,     // a file's
  kRar5MainSolid = 0x04,                                                                 // the main header's
};
enum Rar5Extra : std::uint64_t { kRar5ExtraEncryption = 1, kRar5ExtraRedirection = 5 };
enum Rar5Host : std::uint64_t { kRar5Windows = 0, kRar5Unix = 1 };
// clang-format on

const char* const kLevels[] = {"Store", "Fastest", "Fast", "Normal", "Good", "Best"};
const char* LevelName(unsigned level) { return level < 6 ? kLevels[level] : "Unknown"; }

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
    const unsigned type = head[2], flags = Le16(&head[3]), size = Le16(&head[5]);
    if (size < 7) break;
    if (type == kRar4File) {
      RarFileFacts facts;
      if (size < 32 || !bytes.Read(at, 32, head)) break;
      const bool folder = (flags & kRar4Directory) == kRar4Directory;
      facts.found = true;
      facts.hasCrc = !folder;
      facts.crc = Le32(&head[16]);
      facts.encrypted = (flags & kRar4Password) != 0;
      facts.hasDosTime = true;
      facts.dosTime = static_cast<std::uint16_t>(Le16(&head[20]));
      facts.dosDate = static_cast<std::uint16_t>(Le16(&head[22]));
      facts.split = (flags & (kRar4SplitBefore | kRar4SplitAfter)) != 0;
      facts.method = LevelName(head[25] - 0x30u);
      const std::uint32_t attributes = Le32(&head[28]);
      switch (head[15]) {
        case kRar4Unix: facts.os = OSTYPE_UNIX, facts.attributes = AttributesOfMode(attributes, folder); break;
        case kRar4Mac: facts.os = OSTYPE_MACOS, facts.attributes = AttributesOfMode(attributes, folder); break;
        case kRar4BeOs: facts.os = OSTYPE_BEBOX, facts.attributes = AttributesOfMode(attributes, folder); break;
        default:
          facts.os = head[15] == kRar4Dos ? OSTYPE_MSDOS : head[15] == kRar4Os2 ? OSTYPE_OS2 : OSTYPE_WINDOWSNT;
          facts.attributes = DosAttributes(attributes);
      }
      return facts;
    }
    std::uint64_t skip = size;
    if (flags & kRar4LongBlock) {
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
    if ((flags & kRar5Extra) && !f.Number(extraSize)) break;
    if ((flags & kRar5Data) && !f.Number(dataSize)) break;
    if (type == kRar5File) {
      RarFileFacts facts;
      std::uint64_t fileFlags = 0, unpacked = 0, attributes = 0, compression = 0, host = 0;
      std::uint32_t word = 0;
      if (!f.Number(fileFlags) || !f.Number(unpacked) || !f.Number(attributes)) break;
      if ((fileFlags & kRar5Time) && !f.Word(word)) break;
      facts.found = true;
      facts.split = (flags & (kRar5SplitBefore | kRar5SplitAfter)) != 0;
      facts.sizeKnown = !(fileFlags & kRar5SizeUnknown);
      facts.size = unpacked;
      facts.hasCrc = (fileFlags & kRar5Crc) != 0 && f.Word(facts.crc);
      if (f.Number(compression) && f.Number(host)) {
        const bool folder = (fileFlags & kRar5Directory) != 0;
        facts.method = LevelName(static_cast<unsigned>(compression >> 7 & 7));
        facts.os = host == kRar5Unix ? OSTYPE_UNIX : OSTYPE_WINDOWSNT;
        facts.attributes = host == kRar5Unix ? AttributesOfMode(attributes, folder) : DosAttributes(attributes);
      }
      // The extra area, at the header's end: record type 1 is encryption.
      if (extraSize > headerSize) break;
      for (std::size_t pos = start + static_cast<std::size_t>(headerSize - extraSize); pos < block.size();) {
        Fields record(block, pos);
        std::uint64_t size = 0, recordType = 0;
        if (!record.Number(size)) break;
        const std::size_t body = record.at();
        if (size == 0 || size > block.size() - body || !record.Number(recordType)) break;
        if (recordType == kRar5ExtraEncryption) facts.encrypted = true;
        if (recordType == kRar5ExtraRedirection) facts.redirection = true;
        pos = body + static_cast<std::size_t>(size);
      }
      return facts;
    }
    if (type == kRar5Encryption) return {};  // headers encrypted from here on
    at += start + headerSize + dataSize;
  }
  return {};
}

}  // namespace

bool LooksLikeRar(ByteSource& bytes) {
  std::vector<unsigned char> head;
  if (!bytes.Read(0, std::min<std::uint64_t>(bytes.Size(), 6), head) || head.size() < 2) return false;
  return (head.size() == 6 && std::memcmp(head.data(), kSignature, 6) == 0) || (head[0] == 'M' && head[1] == 'Z') ||
         (head.size() >= 4 && std::memcmp(head.data(),
                                          "\x7F"
                                          "ELF",
                                          4) == 0);
}

RarFileFacts ReadRarFileFacts(ByteSource& bytes, std::uint64_t from) {
  std::vector<unsigned char> signature;
  if (!bytes.Read(0, 8, signature) || std::memcmp(signature.data(), kSignature, 6) != 0) return {};
  if (from < 7) from = signature[6] == 1 ? 8 : 7;
  return signature[6] == 1 ? Rar5(bytes, from) : Rar4(bytes, from);
}

RarArchiveFacts ReadRarArchiveFacts(ByteSource& bytes) {
  RarArchiveFacts facts;
  std::vector<unsigned char> head;
  if (!bytes.Read(0, 16, head) || std::memcmp(head.data(), kSignature, 6) != 0) return facts;
  if (head[6] == 1) {
    // RAR5: an archive encryption header comes first, or the main header,
    // whose archive flags say solid.
    if (!bytes.Read(0, std::min<std::uint64_t>(40, bytes.Size()), head)) return facts;
    Fields f(head, 12);
    std::uint64_t size = 0, type = 0, flags = 0, skipped = 0, archiveFlags = 0;
    if (!f.Number(size) || !f.Number(type)) return facts;
    facts.headersEncrypted = type == kRar5Encryption;
    facts.solid = type == kRar5Main && f.Number(flags) && (!(flags & kRar5Extra) || f.Number(skipped)) &&
                  (!(flags & kRar5Data) || f.Number(skipped)) && f.Number(archiveFlags) &&
                  (archiveFlags & kRar5MainSolid) != 0;
    return facts;
  }
  // RAR4: the main header follows the signature.
  if (head[9] == kRar4Main) {
    const unsigned flags = Le16(&head[10]);
    facts.headersEncrypted = (flags & kRar4MainPassword) != 0;
    facts.solid = (flags & kRar4MainSolid) != 0;
  }
  return facts;
}

}  // namespace archivers
