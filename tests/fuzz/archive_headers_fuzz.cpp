// The headers the archivers read themselves, from any bytes: zip's central
// directory, cab's folders and data blocks (whose walk is bounded by the
// file's size), and RAR's file headers from any position.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "real/packed_sizes.h"
#include "real/rar_headers.h"
#include "real/source.h"

using namespace standin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource bytes(data, size);
  std::vector<PackedSize> sizes;
  std::uint64_t declared = 0;
  ZipPackedSizes(bytes, sizes, declared);
  FUZZ_CHECK(sizes.size() <= size / 46);
  sizes.clear();
  if (CabPackedSizes(bytes, sizes)) {
    FUZZ_CHECK(sizes.size() <= 65535);
  }
  for (std::uint64_t at = 0; at < size; at += 1 + size / 8) ReadRarFileFacts(bytes, at);
  return 0;
}
