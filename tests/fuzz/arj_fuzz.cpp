// ARJ archives from any bytes: the headers are parsed or refused, and every
// member decodes, or ends as damaged, without reading or writing out of
// bounds and without running on.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "codecs/methods.h"
#include "formats/arj_headers.h"
#include "formats/byte_source.h"

using namespace archivers;

namespace {

// Stops a member after 1 MiB: what is fuzzed is the decoder, not the
// patience of a sink.
void Decode(int method, ByteSource& bytes, std::uint64_t offset, std::uint64_t size,
            std::uint64_t original) {
  std::uint64_t produced = 0;
  const DecodeResult result =
      ArjDecode(method, bytes, offset, size, original, [&](const unsigned char*, std::size_t n) {
        produced += n;
        return produced < (1u << 20);
      });
  FUZZ_CHECK(produced <= original);
  if (result == DecodeResult::Ok) FUZZ_CHECK(produced == original);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource bytes(data, size);
  std::vector<ArjMember> members;
  if (ParseArj(bytes, members)) {
    for (const ArjMember& m : members) {
      FUZZ_CHECK(m.dataOffset <= size && m.packedSize <= size - m.dataOffset);
      Decode(m.method, bytes, m.dataOffset, m.packedSize, m.originalSize);
    }
  }
  // The bytes as one member's data: a method and a size first.
  if (size >= 3)
    Decode(data[0] % 5, bytes, 3, size - 3, data[1] | data[2] << 8 | (data[0] & 0x80) << 10);
  return 0;
}
