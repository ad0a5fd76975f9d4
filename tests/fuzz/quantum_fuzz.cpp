// Quantum streams from any bytes: decoded to their declared size or ended
// as damaged, without reading or writing out of bounds, without running on,
// and never giving more bytes than asked for. The declared size is asked
// for in two Decodes, as a folder's files ask for it, the second going on
// from where the first stopped.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/decoders.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // The window's bits from the first byte (some beyond 10 to 21), the
  // declared size from the next three, up to 128 KiB: four frames, and past
  // the output's ring of the windows up to 32 KiB; then the stream, as one
  // data block.
  const int windowBits = 8 + data[0] % 16;
  const std::uint64_t declared = data[1] | data[2] << 8 | (data[3] & 1) << 16;
  const unsigned char* stream = data + 4;
  std::size_t left = size - 4;
  QuantumDecoder decoder(windowBits, [&](const unsigned char*& block, std::size_t& length) {
    if (!stream) return false;
    block = stream, length = left, stream = nullptr;
    return true;
  });
  std::uint64_t given = 0, asked = declared / 3;
  const Sink sink = [&](const unsigned char*, std::size_t n) {
    given += n;
    FUZZ_CHECK(given <= asked);
    return true;
  };
  DecodeResult result = decoder.Decode(asked, sink);
  if (result == DecodeResult::Ok) {
    FUZZ_CHECK(given == asked);
    asked = declared;
    result = decoder.Decode(declared - given, sink);
    if (result == DecodeResult::Ok) FUZZ_CHECK(given == declared);
  }
  FUZZ_CHECK(result == DecodeResult::Ok || result == DecodeResult::Damaged);
  return 0;
}
