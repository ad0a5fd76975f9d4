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
  std::string name;  // zip: Shift-JIS, "\" between folders, no "\" at the end
  std::uint64_t size = 0;
  std::uint64_t packed = 0;
};

// Every member of the central directory, in its order, read entry by entry.
bool ZipPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes);

// Every file of the cabinet in the order of its file list. A cabinet keeps
// compressed sizes per folder (a run of files compressed together), not per
// file: each file is given the share of its folder's compressed bytes that
// its own size has of the folder's, so that the shares add up to the folder.
// The walk of the folders' data blocks reads at most as many blocks as the
// file could hold: folders that claim one chain of blocks many times over
// make the cabinet damaged, not slow.
bool CabPackedSizes(ByteSource& file, std::vector<PackedSize>& sizes);

// Hands the sizes read above to the members libarchive lists: zip ones by
// name (its order is not the directory's), cab ones in order. A member
// nothing is known of is given its own size.
class PackedSizeMatcher {
 public:
  PackedSizeMatcher(bool byName, const std::vector<PackedSize>& sizes);
  std::uint64_t Next(const std::string& name, std::uint64_t size);

 private:
  bool byName_;
  const std::vector<PackedSize>& sizes_;
  std::size_t next_ = 0;
  // Indexes by name, the last one taken first; made when the order fails.
  bool indexed_ = false;
  std::unordered_map<std::string, std::vector<std::size_t>> named_;
};

}  // namespace standin
