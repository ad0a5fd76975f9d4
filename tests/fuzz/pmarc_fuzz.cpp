// PMarc's -pm1- and -pm2- streams from any bytes, through LZH's method
// table: decoded to their declared size or ended as damaged, without
// reading or writing out of bounds, without running on, and never giving
// more bytes than declared.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/methods.h"
#include "formats/byte_source.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // A byte whose lowest bit picks the method, the declared size, up to
  // 16 MiB, then the stream.
  const char* method = data[0] & 1 ? "-pm2-" : "-pm1-";
  const std::uint64_t declared = data[1] | data[2] << 8 | data[3] << 16;
  MemorySource bytes(data, size);
  fuzzing::CheckDecoding(declared, [&](const Sink& sink) {
    return LzhDecode(method, bytes, 4, size - 4, declared, sink);
  });
  return 0;
}
