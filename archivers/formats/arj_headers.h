// ARJ archives' headers, read block by block. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

// What a header's file type says the member is.
// clang-format off
enum ArjFileType : int {
  kArjBinary = 0, kArjText = 1, kArjMainHeader = 2, kArjDirectory = 3, kArjVolumeLabel = 4, kArjChapterLabel = 5,
  kArjUnixSpecial = 6,  // Unix arj's hard link, a file without data
};
// clang-format on
enum ArjFlag : int { kArjGarbled = 0x01, kArjVolume = 0x04 };  // encrypted; continued in the next volume

struct ArjMember {
  std::string name;  // as stored: the archiving system's bytes, "/" between folders
  int method = 0;
  int fileType = kArjBinary;
  int flags = 0;
  int host = 0;           // the archiving system, ARJ's number
  bool unixTime = false;  // `stamp` is seconds since 1970 (UTC), else a DOS time and date (local)
  std::uint32_t stamp = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t crc = 0;
  unsigned accessMode = 0;          // DOS's attributes, or Unix's mode
  std::uint64_t dataOffset = 0;     // of the packed data, from the archive's start
  std::uint8_t garbleModifier = 0;  // added to each byte of the password a garbled member's data is XORed with
  bool newEncryption = false;       // garbled by the archive's later cipher (40-bit), not by the XOR
};

// Whether the bytes begin as an ARJ archive does.
bool LooksLikeArj(ByteSource& source);

// The members of the ARJ archive in `source`, read header by header: its
// first four bytes say whether it is one at all. False when it is not, or a
// header is damaged (bad size or CRC), or a member's data runs past the end.
bool ParseArj(ByteSource& source, std::vector<ArjMember>& members);

}  // namespace archivers
