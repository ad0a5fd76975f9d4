// A cabinet's folders and file list, read by our own code: libarchive
// gives no compressed sizes, and reads names as stored. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/byte_source.h"
#include "formats/directory.h"

namespace archivers {

// Whether the bytes may be a cabinet: its signature at the start, or a
// Windows program (a self-extracting stub) before it.
bool LooksLikeCab(ByteSource& file);

// Where a folder's data lies, and how it is compressed.
struct CabFolder {
  std::uint64_t firstBlock = 0;  // the offset of its first data block
  unsigned blocks = 0;
  unsigned compression = 0;  // the method in bits 0 to 3, Quantum's and LZX's window bits in 8 to 12
};

// A cabinet's folders, and the bytes each data block's header reserves.
struct CabLayout {
  std::vector<CabFolder> folders;
  std::size_t blockReserve = 0;
};

constexpr unsigned kCabQuantum = 2;

// Every file of the cabinet in the order of its file list. A cabinet keeps
// compressed sizes per folder (a run of files compressed together), not per
// file: each file is given the share of its folder's compressed bytes that
// its own size has of the folder's, so that the shares add up to the folder.
// The walk of the folders' data blocks reads at most as many blocks as the
// file could hold: folders that claim one chain of blocks many times over
// make the cabinet damaged, not slow. Each entry's `folder` and `offset`
// say where its bytes lie in which folder's data; `layout`, when given,
// gets the folders. A file continued from or into another cabinet is split
// and answers ERROR_NOT_SUPPORT, as do the others of a Quantum folder that
// began in the cabinet before.
bool ReadCabFolders(ByteSource& file, std::vector<DirectoryEntry>& entries, CabLayout* layout = nullptr);

// A folder's data blocks in order, each checked as cabextract checks them:
// at most 38,912 bytes packed (32 KiB and what an encoder may overshoot
// by), 32 KiB unpacked, and the check value, when it has one, holding over
// the sizes and the data, summed without the reserved bytes or with them
// (writers differ). A block that says it goes on in the next cabinet ends
// the folder here.
class CabBlocks {
 public:
  CabBlocks(ByteSource& file, const CabFolder& folder, std::size_t reserve)
      : file_(file), at_(folder.firstBlock), left_(folder.blocks), reserve_(reserve) {}
  // The next block's data, good until the next call; false after the
  // folder's last block, or at one that is damaged or cut short.
  bool Next(const unsigned char*& data, std::size_t& size);

 private:
  ByteSource& file_;
  std::uint64_t at_;
  unsigned left_;
  std::size_t reserve_;
  std::vector<unsigned char> header_, data_;
};

}  // namespace archivers
