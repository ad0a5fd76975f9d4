// zip's central directory, read by our own code: libarchive gives neither
// compressed sizes nor what the directory says of names, methods and
// attributes. Platform-free.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/byte_source.h"
#include "formats/directory.h"

namespace archivers {

// Whether the bytes may be a zip at all: a local header or an end record at
// the start, a Windows program (a self-extracting stub) or an end record in
// the last 64 KiB.
bool LooksLikeZip(ByteSource& file);

// Every member of the central directory, read entry by entry, in the order
// of their local headers (libarchive's order). Bytes before the archive (a
// self-extracting program) move every offset by their length. `declared`
// gets the number of members the end record declares.
bool ReadZipDirectory(ByteSource& file, std::vector<DirectoryEntry>& entries, std::uint64_t& declared);

// A zip with no members: its end record alone (and its comment), which
// libarchive does not take for an archive.
bool IsEmptyZip(ByteSource& file);

}  // namespace archivers
