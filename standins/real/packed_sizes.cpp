#include "real/packed_sizes.h"

#include <algorithm>
#include <cstring>

#include "real/arj.h"
#include "real/paths.h"

namespace standin {

namespace {

std::uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t Le32(const unsigned char* p) { return Le16(p) | Le16(p + 2) << 16; }
std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

// "\" between folders and none at the end, as members are matched.
std::string MatchingName(std::string name) {
  UseBackslashes(name);
  while (!name.empty() && name.back() == '\\') name.pop_back();
  return name;
}

}  // namespace

bool ZipPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes, std::uint64_t& declared) {
  std::vector<unsigned char> tail;
  const std::uint64_t tailSize = std::min<std::uint64_t>(file.Size(), 22 + 65535);
  if (tailSize < 22 || !file.Read(file.Size() - tailSize, tailSize, tail)) return false;
  std::size_t end = tail.size() - 22 + 1;
  while (end-- > 0 && std::memcmp(&tail[end], "PK\5\6", 4) != 0) {
  }
  if (end == static_cast<std::size_t>(-1)) return false;
  const unsigned char* eocd = &tail[end];
  std::uint64_t count = Le16(eocd + 10), cdSize = Le32(eocd + 12), cdOffset = Le32(eocd + 16);
  if (count == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) {
    std::vector<unsigned char> record;
    if (end < 20 || std::memcmp(eocd - 20, "PK\6\7", 4) != 0 || !file.Read(Le64(eocd - 20 + 8), 56, record) ||
        std::memcmp(record.data(), "PK\6\6", 4) != 0) {
      return false;
    }
    count = Le64(&record[32]), cdSize = Le64(&record[40]), cdOffset = Le64(&record[48]);
  }
  declared = count;
  // The directory ends where its end record begins; where it says it
  // begins is counted from the archive's own start.
  const std::uint64_t eocdAt = file.Size() - tailSize + end;
  const bool zip64 = end >= 20 && std::memcmp(eocd - 20, "PK\6\7", 4) == 0;
  if (!zip64 && cdOffset + cdSize < eocdAt) {
    cdOffset = eocdAt - cdSize;
  }
  if (cdOffset > file.Size() || cdSize > file.Size() - cdOffset) return false;
  const std::uint64_t cdEnd = cdOffset + cdSize;
  std::vector<unsigned char> h, rest;
  for (std::uint64_t at = cdOffset; at + 46 <= cdEnd && sizes.size() < count;) {
    if (!file.Read(at, 46, h) || std::memcmp(h.data(), "PK\1\2", 4) != 0) break;
    const std::size_t nameLength = Le16(&h[28]), extraLength = Le16(&h[30]), commentLength = Le16(&h[32]);
    if (cdEnd - at - 46 < nameLength + extraLength + commentLength) break;
    if (!file.Read(at + 46, nameLength + extraLength, rest)) break;
    PackedSize one;
    one.packed = Le32(&h[20]);
    one.size = Le32(&h[24]);
    one.raw.assign(reinterpret_cast<const char*>(rest.data()), nameLength);
    one.name = MatchingName(one.raw);
    one.unicode = (Le16(&h[8]) & 0x800) != 0;
    one.offset = Le32(&h[42]);
    one.hasCrc = true;
    one.crc = Le32(&h[16]);
    // Stored, deflated and PPMd are what libarchive here decodes.
    const unsigned method = Le16(&h[10]);
    one.unsupported = method != 0 && method != 8 && method != 98;
    // Sizes that do not fit 32 bits are in the zip64 field, the original
    // size first, each only when its 32-bit field is all ones.
    const unsigned char* extra = rest.data() + nameLength;
    for (std::size_t x = 0; x + 4 <= extraLength;) {
      const std::size_t id = Le16(extra + x), length = Le16(extra + x + 2);
      if (x + 4 + length > extraLength) break;
      if (id == 1) {
        std::size_t field = x + 4;
        if (one.size == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.size = Le64(extra + field), field += 8;
        if (one.packed == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.packed = Le64(extra + field), field += 8;
        if (one.offset == 0xFFFFFFFF && field + 8 <= x + 4 + length) one.offset = Le64(extra + field);
      }
      // Info-ZIP's Unicode path: version 1, the CRC-32 of the stored name,
      // then the name in UTF-8, believed while the CRC holds.
      if (id == 0x7075 && length > 5 && extra[x + 4] == 1 && Le32(extra + x + 5) == Crc32(0, rest.data(), nameLength)) {
        one.raw.assign(reinterpret_cast<const char*>(extra + x + 9), length - 5);
        one.unicode = true;
      }
      x += 4 + length;
    }
    sizes.push_back(std::move(one));
    at += 46 + nameLength + extraLength + commentLength;
  }
  std::stable_sort(sizes.begin(), sizes.end(),
                   [](const PackedSize& a, const PackedSize& b) { return a.offset < b.offset; });
  return true;
}

bool IsEmptyZip(ByteSource& file) {
  std::vector<unsigned char> end;
  return file.Read(0, 22, end) && std::memcmp(end.data(), "PK\5\6", 4) == 0 && Le16(&end[10]) == 0 &&
         Le32(&end[12]) == 0 && 22 + Le16(&end[20]) == file.Size();
}

bool CabPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes) {
  std::vector<unsigned char> header;
  if (!file.Read(0, 36, header) || std::memcmp(header.data(), "MSCF", 4) != 0) return false;
  const std::uint64_t filesAt = Le32(&header[16]);
  const std::size_t folders = Le16(&header[26]), files = Le16(&header[28]), flags = Le16(&header[30]);
  std::uint64_t at = 36;
  std::size_t folderReserve = 0, dataReserve = 0;
  std::vector<unsigned char> bytes;
  if (flags & 4) {
    if (!file.Read(at, 4, bytes)) return false;
    folderReserve = bytes[2], dataReserve = bytes[3];
    at += 4 + Le16(&bytes[0]);
  }
  // The names of the cabinets before and after this one, when it is part of a set.
  for (int strings = ((flags & 1) ? 2 : 0) + ((flags & 2) ? 2 : 0); strings > 0; --strings) {
    if (!file.Read(at, std::min<std::uint64_t>(256, file.Size() - std::min(at, file.Size())), bytes) || bytes.empty()) {
      return false;
    }
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (!zero) return false;
    at += static_cast<const unsigned char*>(zero) - bytes.data() + 1;
  }

  // Each folder's compressed bytes: the sum of its data blocks. A block
  // takes 8 bytes at the least, so no more can be read than the file holds.
  std::vector<std::uint64_t> folderPacked(folders, 0), folderSize(folders, 0);
  std::vector<bool> folderUnsupported(folders, false);
  std::uint64_t budget = file.Size() / 8;
  std::vector<unsigned char> data;
  for (std::size_t f = 0; f < folders; ++f, at += 8 + folderReserve) {
    if (!file.Read(at, 8, bytes)) return false;
    // None, MSZIP and LZX are decoded; Quantum and anything else are not.
    const unsigned type = Le16(&bytes[6]) & 0x0F;
    folderUnsupported[f] = type == 2 || type > 3;
    std::uint64_t block = Le32(&bytes[0]);
    for (std::size_t blocks = Le16(&bytes[4]); blocks > 0; --blocks) {
      if (budget-- == 0 || !file.Read(block, 8, data)) return false;
      folderPacked[f] += Le16(&data[4]);
      block += 8 + dataReserve + Le16(&data[4]);
    }
  }

  std::vector<std::size_t> folderOf;
  if (!file.Read(filesAt, std::min<std::uint64_t>(file.Size() - std::min(filesAt, file.Size()), files * 272ULL),
                 bytes)) {
    return false;
  }
  for (std::size_t i = 0, offset = 0; i < files; ++i) {
    if (offset + 16 >= bytes.size()) return false;
    const void* zero = std::memchr(&bytes[offset + 16], 0, bytes.size() - offset - 16);
    if (!zero) return false;
    PackedSize one;
    one.size = Le32(&bytes[offset]);
    one.raw.assign(reinterpret_cast<const char*>(&bytes[offset + 16]),
                   static_cast<const unsigned char*>(zero) - &bytes[offset + 16]);
    one.name = MatchingName(one.raw);
    one.unicode = (Le16(&bytes[offset + 14]) & 0x80) != 0;  // _A_NAME_IS_UTF
    // 0xFFFD..0xFFFF: a file continued from or into another cabinet.
    std::size_t folder = Le16(&bytes[offset + 8]);
    if (folder == 0xFFFE) folder = folders - 1;
    else if (folder >= 0xFFFD) folder = 0;
    if (folder >= folders) return false;
    folderSize[folder] += one.size;
    one.unsupported = folderUnsupported[folder];
    folderOf.push_back(folder);
    sizes.push_back(one);
    offset = static_cast<const unsigned char*>(zero) - bytes.data() + 1;
  }
  // Shares in proportion; the folder's last file takes what rounding left.
  std::vector<std::uint64_t> given(folders, 0), left(folderSize);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const std::size_t f = folderOf[i];
    left[f] -= sizes[i].size;
    sizes[i].packed = left[f] == 0         ? folderPacked[f] - given[f]
                      : folderSize[f] == 0 ? 0
                                           : folderPacked[f] * sizes[i].size / folderSize[f];
    given[f] += sizes[i].packed;
  }
  return true;
}

PackedSizeMatcher::PackedSizeMatcher(bool byName, const std::vector<PackedSize>& sizes)
    : byName_(byName), sizes_(sizes) {}

const PackedSize* PackedSizeMatcher::Next(const std::string& name, std::uint64_t size) {
  if (!byName_) {
    const std::size_t i = next_++;
    return i < sizes_.size() && sizes_[i].size == size ? &sizes_[i] : nullptr;
  }
  std::size_t length = name.size();
  while (length > 0 && name[length - 1] == '\\') --length;
  // In almost every zip the local headers' order is the members' own: the
  // next one is tried first, and a name index made only when that fails.
  if (!indexed_ && next_ < sizes_.size() && sizes_[next_].size == size) {
    return &sizes_[next_++];
  }
  if (!indexed_) {
    for (std::size_t i = sizes_.size(); i-- > next_;) named_[sizes_[i].name].push_back(i);
    indexed_ = true;
  }
  auto found = named_.find(name.substr(0, length));
  if (found == named_.end() || found->second.empty()) return nullptr;
  const std::size_t i = found->second.back();
  found->second.pop_back();
  return &sizes_[i];
}

}  // namespace standin
