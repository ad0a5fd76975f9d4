// What a cabinet's file list says of each member: the facts libarchive does
// not give (compressed sizes, methods, attributes), and the names as
// stored. The libarchive reader hands them to the members it lists.
// Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/reader.h"

namespace archivers {

struct DirectoryEntry {
  std::string raw;       // the name's bytes as stored
  bool unicode = false;  // marked UTF-8 (cab's attribute): `raw` is then UTF-8
  std::uint64_t size = 0;
  std::uint64_t packed = 0;
  std::uint64_t offset = 0;  // where its bytes begin in its folder's
  std::size_t folder = 0;    // which folder holds it
  int unsupported = 0;       // ERROR_METHOD: a method not decoded here; ERROR_NOT_SUPPORT: split
  bool split = false;        // continued from or into another cabinet
  std::string method;        // as the entry record shows it
  std::uint8_t attributes = 0;
  std::uint8_t os = OSTYPE_MSDOS;
  std::uint16_t dosDate = 0, dosTime = 0;
};

// Hands the entries to the members libarchive lists, in order while the
// sizes agree. Null: nothing is known of the member.
class DirectoryMatcher {
 public:
  explicit DirectoryMatcher(const std::vector<DirectoryEntry>& entries) : entries_(entries) {}
  const DirectoryEntry* Next(std::uint64_t size) {
    const std::size_t i = next_++;
    return i < entries_.size() && entries_[i].size == size ? &entries_[i] : nullptr;
  }

 private:
  const std::vector<DirectoryEntry>& entries_;
  std::size_t next_ = 0;
};

}  // namespace archivers
