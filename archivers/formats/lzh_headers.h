// LZH archives' headers: levels 0 to 3 as the tools of DOS, Windows, Unix,
// the Amiga, the Atari, OS/2, OS-9, the X68000 and the Mac wrote them, and
// the MacBinary the Mac's tools stored files in. Platform-free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

struct LzhMember {
  std::string name;    // as stored, the path before the name; "/" between folders ("\\" too at levels 0 and 1)
  std::string method;  // "-lh5-"
  std::uint64_t packed = 0, original = 0;
  std::uint16_t crc = 0;  // CRC-16 of the original data
  bool unixTime = false;  // `stamp` is seconds since 1970 (UTC), else a DOS time and date (local)
  std::int64_t stamp = 0;
  bool folder = false;
  bool link = false;        // a Unix symbolic link: "name|target"
  char os = 0;              // the archiving system: 'm' the Mac, 'U' Unix, 'M' DOS... (0: a level-0 header says none)
  unsigned attributes = 0;  // DOS's
  unsigned unixMode = 0;    // when a Unix tool gave one
  std::string file;         // the name's last part, as stored
  std::uint64_t dataOffset = 0;
};

// Whether an LZH header stands at the start or after a self-extracting stub.
bool LooksLikeLzh(ByteSource& source);

// The members of the LZH archive in `source` (after a self-extracting
// stub, if any), each handed to `each` with where its header stands, as
// the walk reads it: what `each` does not keep of it, nobody keeps. False
// when there is none; `damaged` is 0, or the result that says why the
// headers ended after some members (ERROR_HEADER_BROKEN, ERROR_HEADER_CRC).
bool ParseLzh(ByteSource& source, const std::function<void(std::uint64_t at, LzhMember& member)>& each, int& damaged);

// The member whose header stands at `at`, read again as the walk read it.
bool ReadLzhMember(ByteSource& source, std::uint64_t at, LzhMember& member);

// Where the data fork lies in a member the Mac's tools stored as MacBinary
// (a 128-byte header, the data fork, the resource fork, padding), given its
// first 128 bytes; false when they are no MacBinary header for it.
bool MacBinaryFork(const LzhMember& member, const unsigned char* head, std::uint64_t& length);

}  // namespace archivers
