// LZH archives: headers of levels 0 to 3 as the tools of DOS, Windows, Unix,
// the Amiga, the Atari, OS/2, OS-9, the X68000 and the Mac wrote them, and
// the members' data in -lh0- to -lh7-, -lhx-, -lzs-, -lz4- and -lz5-.
// Platform-free, fuzzed natively as it is built into the archiver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "real/lz.h"
#include "real/source.h"

namespace standin {

struct LzhMember {
  std::string name;    // as stored, the path before the name; "/" between folders ("\\" too at levels 0 and 1)
  std::string method;  // "-lh5-"
  std::uint64_t packed = 0, original = 0;
  std::uint16_t crc = 0;  // CRC-16 of the original data
  bool unixTime = false;  // `stamp` is seconds since 1970 (UTC), else a DOS time and date (local)
  std::int64_t stamp = 0;
  bool folder = false;
  bool link = false;  // a Unix symbolic link: "name|target"
  char os = 0;        // the archiving system: 'm' the Mac, 'U' Unix, 'M' DOS...
  std::string file;   // the name's last part, as stored
  std::uint64_t dataOffset = 0;
};

// The members of the LZH archive in `source` (after a self-extracting
// stub, if any). False when there is none; `damaged` when the headers end
// in damage after some members.
bool ParseLzh(ByteSource& source, std::vector<LzhMember>& members, bool& damaged);

// Where the data fork lies in a member the Mac's tools stored as MacBinary
// (a 128-byte header, the data fork, the resource fork, padding), given its
// first 128 bytes; false when they are no MacBinary header for it.
bool MacBinaryFork(const LzhMember& member, const unsigned char* head, std::uint64_t& length);

// Whether a member of `method` can be decoded here.
bool LzhMethodKnown(const std::string& method);

// Decodes a member's `packed` bytes at `offset` to exactly `original` bytes.
// The CRC is the caller's to check.
ArjResult LzhDecode(const std::string& method, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                    std::uint64_t original, const ArjSink& sink);

}  // namespace standin
