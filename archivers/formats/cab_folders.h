// A cabinet's folders and file list, read by our own code: libarchive
// gives no compressed sizes, and reads names as stored. Platform-free.
#pragma once

#include <vector>

#include "formats/byte_source.h"
#include "formats/directory.h"

namespace archivers {

// Whether the bytes may be a cabinet: its signature at the start, or a
// Windows program (a self-extracting stub) before it.
bool LooksLikeCab(ByteSource& file);

// Every file of the cabinet in the order of its file list. A cabinet keeps
// compressed sizes per folder (a run of files compressed together), not per
// file: each file is given the share of its folder's compressed bytes that
// its own size has of the folder's, so that the shares add up to the folder.
// The walk of the folders' data blocks reads at most as many blocks as the
// file could hold: folders that claim one chain of blocks many times over
// make the cabinet damaged, not slow.
bool ReadCabFolders(ByteSource& file, std::vector<DirectoryEntry>& entries);

}  // namespace archivers
