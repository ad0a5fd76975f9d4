// What libarchive does not say of a RAR member, read from its file header:
// the CRC-32 of its data (libarchive's RAR reader passes a stored member
// whose CRC fails), whether its data is encrypted (its RAR5 reader skips the
// record that says so), whether it is split over volumes, and what the
// entry record shows: method, attributes, system. Platform-free.
#pragma once

#include <cstdint>
#include <string>

#include "formats/byte_source.h"

namespace archivers {

// Whether the bytes may be a RAR archive: its signature at the start, or a
// program (a self-extracting stub) before it.
bool LooksLikeRar(ByteSource& bytes);

struct RarFileFacts {
  bool found = false;
  bool hasCrc = false;
  std::uint32_t crc = 0;
  bool encrypted = false;
  bool split = false;        // its data goes on in another volume, or came from one
  bool redirection = false;  // RAR5: a link, a junction or a copy of another member, whatever else it holds
  bool sizeKnown = false;    // RAR5: the header says how many bytes the data gives
  std::uint64_t size = 0;
  std::string method;       // "Store" to "Best", as RAR names its levels
  bool hasDosTime = false;  // RAR4 keeps a DOS date and time
  std::uint16_t dosDate = 0, dosTime = 0;
  std::uint8_t attributes = 0;
  std::uint8_t os = 0;
};

// The first file header at `from` or after it, skipping other blocks.
RarFileFacts ReadRarFileFacts(ByteSource& bytes, std::uint64_t from);

// What the archive's main header says of all members.
struct RarArchiveFacts {
  bool headersEncrypted = false;  // its headers are encrypted: nothing can be listed without the password
  bool solid = false;             // a member's data goes on from the member before's
};
RarArchiveFacts ReadRarArchiveFacts(ByteSource& bytes);

}  // namespace archivers
