// The headers the archivers read themselves, from any bytes: zip's central
// directory, cab's folders and data blocks (whose walk is bounded by the
// file's size) and its file list, and RAR's file headers from any position.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "formats/byte_source.h"
#include "formats/cab_folders.h"
#include "formats/rar_headers.h"
#include "formats/zip_directory.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource bytes(data, size);
  ZipDirectory zip;
  ReadZipDirectory(bytes, zip);
  FUZZ_CHECK(zip.entries.size() <= size / 46);
  std::vector<DirectoryEntry> entries;
  if (ReadCabFolders(bytes, entries)) {
    // A file's entry is 16 bytes, its name and the name's zero, laid end
    // to end in the file list: together they fit in the file.
    std::uint64_t listed = 0;
    for (const DirectoryEntry& entry : entries) listed += 16 + entry.raw.size() + 1;
    FUZZ_CHECK(listed <= size);
  }
  for (std::uint64_t at = 0; at < size; at += 1 + size / 8) ReadRarFileFacts(bytes, at);
  return 0;
}
