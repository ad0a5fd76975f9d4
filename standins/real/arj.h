// ARJ archives: the headers, and the members' data in methods 0 to 4.
// Platform-free, so that it is fuzzed natively as well as built into the
// archiver stand-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "real/lz.h"
#include "real/source.h"

namespace standin {

struct ArjMember {
  std::string name;  // as stored: the archiving system's bytes, "/" between folders
  int method = 0;
  int fileType = 0;       // 0 binary, 1 text, 3 folder
  int flags = 0;          // 0x01 garbled (encrypted), 0x04 continued in the next volume
  bool unixTime = false;  // `stamp` is seconds since 1970 (UTC), else a DOS time and date (local)
  std::uint32_t stamp = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t crc = 0;
  std::uint64_t dataOffset = 0;  // of the packed data, from the archive's start
};

// The members of the ARJ archive in `source`, read header by header: its
// first four bytes say whether it is one at all. False when it is not, or a
// header is damaged (bad size or CRC), or a member's data runs past the end.
bool ParseArj(ByteSource& source, std::vector<ArjMember>& members);

// Decodes the `packedSize` bytes at `offset` of `source` (the member's
// compressed bytes) with `method` to exactly `originalSize` bytes. Damaged data ends in Damaged, never in a read or a
// write out of bounds and never in an endless loop: the input is bounded,
// and every step either consumes bits or produces bytes towards the size.
// The CRC is the caller's to check.
ArjResult ArjDecode(int method, ByteSource& source, std::uint64_t offset, std::uint64_t packedSize,
                    std::uint64_t originalSize, const ArjSink& sink);

}  // namespace standin
