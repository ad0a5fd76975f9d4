// gza and bza archives: members one after another to the end of the file,
// each a 28-byte header, its name and its data, with no archive header, no
// directory and no end mark; a self-extracting stub may stand before them.
// Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

enum class BgaMethod { Gzip, Bzip2 };  // "GZIP": a gzip member; "BZ2\0": a bzip2 stream

struct BgaMember {
  std::string name;  // the folder part then the file part as stored, "\" between folders
  BgaMethod method = BgaMethod::Gzip;
  std::uint32_t packed = 0, original = 0;
  std::uint16_t date = 0, time = 0;  // DOS's, local
  std::uint8_t attributes = 0;       // DOS's
  bool stored = false;               // the data is the file itself
  bool unknownType = false;          // an arc type that says neither stored nor compressed
  bool folderByAttributes = false;   // the folder attribute, and no data
  std::uint64_t dataOffset = 0;
};

// Whether a member's header stands at the start or within the first 64 KiB
// (after a self-extracting stub).
bool LooksLikeBga(ByteSource& source);

// The members of the archive in `source`, from its first header on. False
// when there is none; `damaged` is 0, or the result that says why the
// members ended before the file did (ERROR_HEADER_BROKEN, ERROR_HEADER_CRC).
bool ParseBga(ByteSource& source, std::vector<BgaMember>& members, int& damaged);

}  // namespace archivers
