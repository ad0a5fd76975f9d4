// What zip's central directory and a cabinet's file list say of each
// member: the facts libarchive does not give (compressed sizes, check
// values, methods, attributes, the system), and the names as stored. The
// libarchive reader hands them to the members it lists. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "formats/reader.h"

namespace archivers {

struct DirectoryEntry {
  std::string name;      // the stored bytes, "\" between folders and none at the end: what members are matched by
  std::string raw;       // the name's bytes as stored
  bool unicode = false;  // marked UTF-8 (zip's flag or Unicode path field, cab's attribute), `raw` is then UTF-8
  std::uint64_t size = 0;
  std::uint64_t packed = 0;
  std::uint64_t offset = 0;  // zip: the member's local header; cab: where its bytes begin in its folder's
  std::size_t folder = 0;    // cab: which folder holds it
  int unsupported = 0;       // ERROR_METHOD: a method not decoded here; ERROR_NOT_SUPPORT: split (cab)
  bool split = false;        // cab: continued from or into another cabinet
  // zip: a method our own code decodes, not libarchive (ZipMethodOwn), unencrypted; its number and the general
  // purpose flags it reads.
  bool ownMethod = false;
  unsigned zipMethod = 0, zipFlags = 0;
  bool hasSizes = false;  // zip: the central directory's sizes are the truth
  bool hasCrc = false;    // zip: the data's CRC-32 as the central directory gives it (AE-2 gives none)
  std::uint32_t crc = 0;
  Cipher cipher = Cipher::None;  // zip: how the data is encrypted
  std::string method;            // as the entry record shows it
  std::uint8_t attributes = 0;
  std::uint8_t os = OSTYPE_MSDOS;
  // The DOS date and time the entry keeps, and whether a later field (zip's
  // Unix or NTFS times) says the time instead, as libarchive takes it.
  std::uint16_t dosDate = 0, dosTime = 0;
  bool laterTime = false;
};

// "\" between folders and none at the end, as members are matched.
std::string MatchingName(std::string name);

// Hands the entries to the members libarchive lists, in order while the
// sizes agree, else (zip) by the stored name. Null: nothing is known of the
// member.
class DirectoryMatcher {
 public:
  DirectoryMatcher(bool byName, const std::vector<DirectoryEntry>& entries);
  const DirectoryEntry* Next(const std::string& name, std::uint64_t size);

 private:
  bool byName_;
  const std::vector<DirectoryEntry>& entries_;
  std::size_t next_ = 0;
  // Indexes by name, the last one taken first; made when the order fails.
  bool indexed_ = false;
  std::unordered_map<std::string, std::vector<std::size_t>> named_;
};

}  // namespace archivers
