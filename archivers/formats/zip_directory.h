// zip's central directory, read by our own code: a listing needs nothing
// else, and libarchive gives neither compressed sizes nor what the
// directory says of names, methods and attributes. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_source.h"
#include "formats/reader.h"

namespace archivers {

// Whether the bytes may be a zip at all: a local header or an end record at
// the start, a Windows program (a self-extracting stub) or an end record in
// the last 64 KiB.
bool LooksLikeZip(ByteSource& file);

// One member as its central directory entry describes it.
struct ZipEntry {
  std::string name;   // the stored bytes; the Unicode path field's UTF-8 while its CRC of them holds
  bool utf8 = false;  // marked UTF-8 (the flag, or the Unicode path field)
  std::uint64_t size = 0, packed = 0;
  std::uint64_t offset = 0;  // the local header, counted from the file's start
  unsigned method = 0;       // the data's own (under WinZip's AES, the one its field names)
  unsigned flags = 0;        // the general purpose flags
  bool encrypted = false;
  Cipher cipher = Cipher::None;
  bool hasCrc = true;  // AE-2 keeps none: its authentication code alone checks the data
  std::uint32_t crc = 0;
  std::uint16_t dosDate = 0, dosTime = 0;
  bool hasUnixTime = false;  // an extra field's time, seconds since 1970 (UTC)
  std::int64_t unixTime = 0;
  std::uint8_t attributes = 0;  // DOS's
  std::uint8_t os = OSTYPE_MSDOS;
  bool folder = false, link = false;
};

struct ZipDirectory {
  // In the order of their local headers, the order extraction walks them
  // in; an entry naming a local header another one named before is left out.
  std::vector<ZipEntry> entries;
  std::uint64_t declared = 0;  // the members the end record declares
};

enum class ZipDirectoryRead {
  None,     // no end record that leads to a directory: no zip (or an empty one)
  Damaged,  // a directory that ends in damage before its end record: nothing is read from it
  Read,
};

// The central directory found and read as libarchive, which extracts most
// members, finds and reads it: so every member listed is one the
// extraction's walk reaches, at the same place in its order. Bytes before
// the archive (a self-extracting program) move every offset by their
// length.
ZipDirectoryRead ReadZipDirectory(ByteSource& file, ZipDirectory& directory);

// The name of a zip method as the record shows it (7 bytes at most), and
// whether libarchive decodes it (our own code's: ZipMethodOwn).
const char* ZipMethodName(unsigned method);
bool LibarchiveDecodes(unsigned method);

// A zip with no members: its end record alone (and its comment), which
// libarchive does not take for an archive.
bool IsEmptyZip(ByteSource& file);

}  // namespace archivers
