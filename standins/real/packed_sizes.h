// Compressed sizes libarchive does not give, read from the archives' own
// headers: the zip central directory, and the cab folders.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "real/source.h"

namespace standin {

struct PackedSize {
  std::string name;      // the stored bytes, "\" between folders and none at the end: what members are matched by
  std::string raw;       // the name's bytes as stored
  bool unicode = false;  // marked UTF-8 (zip's flag or Unicode path field, cab's attribute), `raw` is then UTF-8
  std::uint64_t size = 0;
  std::uint64_t packed = 0;
  std::uint64_t offset = 0;  // zip: the member's local header
  bool unsupported = false;  // a method libarchive here does not decode (zip), or Quantum (cab)
  bool hasCrc = false;       // zip: the data's CRC-32 as the central directory gives it
  std::uint32_t crc = 0;
};

// Every member of the central directory, read entry by entry, in the order
// of their local headers (libarchive's order). Bytes before the archive (a
// self-extracting program) move every offset by their length. `declared`
// gets the number of members the end record declares.
bool ZipPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes, std::uint64_t& declared);

// A zip with no members: its end record alone (and its comment), which
// libarchive does not take for an archive.
bool IsEmptyZip(ByteSource& file);

// Every file of the cabinet in the order of its file list. A cabinet keeps
// compressed sizes per folder (a run of files compressed together), not per
// file: each file is given the share of its folder's compressed bytes that
// its own size has of the folder's, so that the shares add up to the folder.
// The walk of the folders' data blocks reads at most as many blocks as the
// file could hold: folders that claim one chain of blocks many times over
// make the cabinet damaged, not slow.
bool CabPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes);

// Hands the headers read above to the members libarchive lists, in order
// while the sizes agree, else (zip) by the stored name. Null: nothing is
// known of the member.
class PackedSizeMatcher {
 public:
  PackedSizeMatcher(bool byName, const std::vector<PackedSize>& sizes);
  const PackedSize* Next(const std::string& name, std::uint64_t size);

 private:
  bool byName_;
  const std::vector<PackedSize>& sizes_;
  std::size_t next_ = 0;
  // Indexes by name, the last one taken first; made when the order fails.
  bool indexed_ = false;
  std::unordered_map<std::string, std::vector<std::size_t>> named_;
};

}  // namespace standin
