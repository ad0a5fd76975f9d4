// zip's shrink, reduce and implode streams from any bytes: decoded to their
// declared size or ended as damaged, without reading or writing out of
// bounds, without running on, and never giving more bytes than declared.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/methods.h"
#include "formats/byte_source.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // The first byte picks the method, 1 to 6, in its low 3 bits, and
  // Implode's flags in bits 4 and 5 (the 8 KiB window, the literals coded);
  // then the declared size, up to 16 MiB, then the stream.
  const unsigned method = 1 + (data[0] & 7) % 6, flags = data[0] >> 3 & 0x6;
  const std::uint64_t declared = data[1] | data[2] << 8 | data[3] << 16;
  MemorySource bytes(data, size);
  fuzzing::CheckDecoding(declared, [&](const Sink& sink) {
    return ZipDecode(method, flags, bytes, 4, size - 4, declared, sink);
  });
  return 0;
}
