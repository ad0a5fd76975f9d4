// Deflate64 streams from any bytes: decoded to their declared size or
// ended as damaged, without reading or writing out of bounds, without
// running on, and never giving more bytes than declared.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::CheckDeclaredStream(data, size, archivers::InflateDeflate64);
  return 0;
}
