// What the fuzz targets of a lone decoder share: the properties of one
// decoding to a declared size.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "codecs/sink.h"

namespace fuzzing {

// Runs `decode` with a sink that counts what it is given: never more than
// `declared`, and all of it when the decoding ends well. It stops the work
// after 4 MiB: what is fuzzed is the decoder, not the patience of a sink.
template <typename Decode>
void CheckDecoding(std::uint64_t declared, Decode decode) {
  std::uint64_t given = 0;
  const archivers::DecodeResult result = decode([&](const unsigned char*, std::size_t n) {
    given += n;
    FUZZ_CHECK(given <= declared);
    return given < (4u << 20);
  });
  FUZZ_CHECK(result != archivers::DecodeResult::UnknownMethod);
  if (result == archivers::DecodeResult::Ok) FUZZ_CHECK(given == declared);
}

}  // namespace fuzzing
