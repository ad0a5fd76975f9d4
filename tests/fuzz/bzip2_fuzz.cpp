// bzip2 streams from any bytes, of one block or of several (inverted on
// other threads): decoded to their declared size or ended as damaged,
// without reading or writing out of bounds, without running on, and never
// giving more bytes than declared.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/decoders.h"
#include "formats/byte_source.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // The declared size first, up to 16 MiB, then the stream.
  const std::uint64_t declared = data[0] | data[1] << 8 | data[2] << 16;
  MemorySource bytes(data, size);
  fuzzing::CheckDecoding(declared, [&](const Sink& sink) {
    return DecompressBzip2(bytes, 3, size - 3, declared, sink);
  });
  return 0;
}
