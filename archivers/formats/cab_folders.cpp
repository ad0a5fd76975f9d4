#include "formats/cab_folders.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "formats/endian.h"
#include "formats/results.h"

namespace archivers {

namespace {

const char kSignature[] = "MSCF";
constexpr std::size_t kHeaderSize = 36, kFolderSize = 8, kDataHeaderSize = 8, kFileHeaderSize = 16;
enum HeaderFlag : unsigned { kPrevCabinet = 0x0001, kNextCabinet = 0x0002, kReservePresent = 0x0004 };
enum Compression : unsigned { kNone = 0, kMszip = 1, kQuantum = 2, kLzx = 3 };
// A file's folder: these three say it goes on from or into another cabinet.
enum FolderIndex : unsigned { kContinuedFromPrev = 0xFFFD, kContinuedToNext = 0xFFFE, kContinuedPrevAndNext = 0xFFFF };
constexpr unsigned kNameIsUtf8 = 0x80;  // among a file's attributes, the others DOS's own

std::string MethodOf(unsigned compression) {
  switch (compression & 0x0F) {
    case kNone: return "Store";
    case kMszip: return "MSZIP";
    case kQuantum: return "Quantum";
    case kLzx: return "LZX:" + std::to_string(compression >> 8 & 0x1F);
    default: return "Unknown";
  }
}

}  // namespace

bool LooksLikeCab(ByteSource& file) {
  std::vector<unsigned char> bytes;
  if (!file.Read(0, std::min<std::uint64_t>(file.Size(), 4), bytes) || bytes.size() < 2) return false;
  return (bytes.size() == 4 && std::memcmp(bytes.data(), kSignature, 4) == 0) || (bytes[0] == 'M' && bytes[1] == 'Z');
}

bool ReadCabFolders(ByteSource& file, std::vector<DirectoryEntry>& entries, CabLayout* layout) {
  std::vector<unsigned char> header;
  if (!file.Read(0, kHeaderSize, header) || std::memcmp(header.data(), kSignature, 4) != 0) return false;
  const std::uint64_t filesAt = Le32(&header[16]);
  const std::size_t folders = Le16(&header[26]), files = Le16(&header[28]), flags = Le16(&header[30]);
  std::uint64_t at = kHeaderSize;
  std::size_t folderReserve = 0, dataReserve = 0;
  std::vector<unsigned char> bytes;
  if (flags & kReservePresent) {
    if (!file.Read(at, 4, bytes)) return false;
    folderReserve = bytes[2], dataReserve = bytes[3];
    at += 4 + Le16(&bytes[0]);
  }
  // The names of the cabinets before and after this one, when it is part of a set.
  for (int strings = ((flags & kPrevCabinet) ? 2 : 0) + ((flags & kNextCabinet) ? 2 : 0); strings > 0; --strings) {
    if (!file.Read(at, std::min<std::uint64_t>(256, file.Size() - std::min(at, file.Size())), bytes) || bytes.empty()) {
      return false;
    }
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (!zero) return false;
    at += static_cast<const unsigned char*>(zero) - bytes.data() + 1;
  }

  // Each folder's compressed bytes: the sum of its data blocks, as far as
  // the file holds them. A block takes 8 bytes at the least, so no more can
  // be read than the file holds.
  std::vector<std::uint64_t> folderPacked(folders, 0), folderSize(folders, 0);
  std::vector<unsigned> folderCompression(folders, kNone);
  std::uint64_t budget = file.Size() / kDataHeaderSize;
  std::vector<unsigned char> data;
  CabLayout found;
  found.blockReserve = dataReserve;
  for (std::size_t f = 0; f < folders; ++f, at += kFolderSize + folderReserve) {
    if (!file.Read(at, kFolderSize, bytes)) return false;
    folderCompression[f] = Le16(&bytes[6]);
    std::uint64_t block = Le32(&bytes[0]);
    found.folders.push_back({block, Le16(&bytes[4]), folderCompression[f]});
    for (std::size_t blocks = Le16(&bytes[4]); blocks > 0; --blocks) {
      if (budget-- == 0 || !file.Read(block, kDataHeaderSize, data)) return false;
      const std::uint64_t start = block + kDataHeaderSize + dataReserve;
      folderPacked[f] += std::min<std::uint64_t>(Le16(&data[4]), file.Size() - std::min(start, file.Size()));
      block = start + Le16(&data[4]);
    }
  }

  if (layout) *layout = std::move(found);

  std::vector<std::size_t> folderOf;
  bool firstFolderBeganBefore = false;
  if (!file.Read(filesAt, std::min<std::uint64_t>(file.Size() - std::min(filesAt, file.Size()), files * 272ULL),
                 bytes)) {
    return false;
  }
  for (std::size_t i = 0, offset = 0; i < files; ++i) {
    if (offset + kFileHeaderSize >= bytes.size()) return false;
    const void* zero = std::memchr(&bytes[offset + kFileHeaderSize], 0, bytes.size() - offset - kFileHeaderSize);
    if (!zero) return false;
    DirectoryEntry one;
    one.size = Le32(&bytes[offset]);
    one.dosDate = static_cast<std::uint16_t>(Le16(&bytes[offset + 10]));
    one.dosTime = static_cast<std::uint16_t>(Le16(&bytes[offset + 12]));
    one.raw.assign(reinterpret_cast<const char*>(&bytes[offset + kFileHeaderSize]),
                   static_cast<const unsigned char*>(zero) - &bytes[offset + kFileHeaderSize]);
    const unsigned attributes = Le16(&bytes[offset + 14]);
    one.unicode = (attributes & kNameIsUtf8) != 0;
    one.attributes = DosAttributes(attributes & ~FA_DIREC);
    const std::size_t index = Le16(&bytes[offset + 8]);
    std::size_t folder = index;
    if (folder == kContinuedToNext) folder = folders - 1;
    else if (folder >= kContinuedFromPrev) folder = 0;
    if (folder >= folders) return false;
    firstFolderBeganBefore = firstFolderBeganBefore || index == kContinuedFromPrev || index == kContinuedPrevAndNext;
    folderSize[folder] += one.size;
    one.folder = folder;
    one.offset = Le32(&bytes[offset + 4]);
    // libarchive decodes none, MSZIP and LZX; our own code Quantum.
    const unsigned compression = folderCompression[folder] & 0x0F;
    one.split = index >= kContinuedFromPrev;
    if (one.split) one.unsupported = ERROR_NOT_SUPPORT;
    else if (compression > kLzx) one.unsupported = ERROR_METHOD;
    one.method = MethodOf(folderCompression[folder]);
    folderOf.push_back(folder);
    entries.push_back(one);
    offset = static_cast<const unsigned char*>(zero) - bytes.data() + 1;
  }
  // A Quantum folder that began in the cabinet before cannot be decoded
  // from here, for any of its files.
  for (DirectoryEntry& entry : entries) {
    if (firstFolderBeganBefore && entry.folder == 0 && (folderCompression[0] & 0x0F) == kQuantum) {
      entry.split = true;
      entry.unsupported = ERROR_NOT_SUPPORT;
    }
  }
  // Shares in proportion; the folder's last file takes what rounding left.
  std::vector<std::uint64_t> given(folders, 0), left(folderSize);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t f = folderOf[i];
    left[f] -= entries[i].size;
    entries[i].packed = left[f] == 0         ? folderPacked[f] - given[f]
                        : folderSize[f] == 0 ? 0
                                             : folderPacked[f] * entries[i].size / folderSize[f];
    given[f] += entries[i].packed;
  }
  return true;
}

namespace {

// The check value of cabinets: the bytes as little-endian 32-bit words
// exclusive-ored together, the last one to three bytes taken as one number,
// first byte highest.
std::uint32_t CabChecksum(const unsigned char* p, std::size_t size, std::uint32_t sum) {
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) sum ^= Le32(p + i);
  std::uint32_t tail = 0;
  for (; i < size; ++i) tail = tail << 8 | p[i];
  return sum ^ tail;
}

constexpr std::size_t kMostPacked = 32768 + 6144, kMostUnpacked = 32768;

}  // namespace

bool CabBlocks::Next(const unsigned char*& data, std::size_t& size) {
  if (left_ == 0 || !file_.Read(at_, kDataHeaderSize + reserve_, header_)) return false;
  const std::size_t packed = Le16(&header_[4]), unpacked = Le16(&header_[6]);
  if (packed > kMostPacked || unpacked > kMostUnpacked || unpacked == 0) return false;
  if (!file_.Read(at_ + header_.size(), packed, data_)) return false;
  if (const std::uint32_t stored = Le32(&header_[0])) {
    const std::uint32_t sum = CabChecksum(data_.data(), packed, 0);
    if (CabChecksum(&header_[4], 4, sum) != stored && CabChecksum(&header_[4], 4 + reserve_, sum) != stored) {
      return false;
    }
  }
  at_ += header_.size() + packed;
  --left_;
  data = data_.data();
  size = packed;
  return true;
}

}  // namespace archivers
