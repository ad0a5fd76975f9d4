// What libarchive does not say of a RAR member: the CRC-32 of its data
// (libarchive's RAR reader passes a stored member whose CRC fails) and
// whether its data is encrypted (its RAR5 reader skips the record that
// says so). Read from the file header at or after a position. Platform-free.
#pragma once

#include <cstdint>

#include "real/source.h"

namespace standin {

struct RarFileFacts {
  bool found = false;
  bool hasCrc = false;
  std::uint32_t crc = 0;
  bool encrypted = false;
  bool split = false;  // its data goes on in another volume, or came from one
};

// The first file header at `from` or after it, skipping other blocks.
RarFileFacts ReadRarFileFacts(ByteSource& bytes, std::uint64_t from);

// What the archive's main header says of all members.
struct RarArchiveFacts {
  bool headersEncrypted = false;  // its headers are encrypted: nothing can be listed without the password
  bool solid = false;             // a member's data goes on from the member before's
};
RarArchiveFacts ReadRarArchiveFacts(ByteSource& bytes);

}  // namespace standin
