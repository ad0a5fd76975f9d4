// What the fuzz targets share: a property that must hold, the character
// boundaries of a Shift-JIS text, and the properties of a decoding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "codecs/sink.h"
#include "formats/byte_source.h"
#include "text/sjis_path.h"

// libFuzzer keeps the input of any abort as a finding.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace fuzzing {

// Runs `decode` (given a sink, it decodes to `declared` bytes) and checks
// that it knew its method, gave no more bytes than declared, and all of
// them when it says Ok. The sink stops after 4 MiB, past the output's first
// move: what is fuzzed is the decoder, not the patience of a sink.
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

// Any bytes as one stream of a declared size, checked as above: the size in
// the first 3 bytes (up to 16 MiB), then the stream, which `decoder` (as
// the decoders of one whole stream take theirs: source, offset, packed,
// original, sink) decodes.
template <typename Decoder>
void CheckDeclaredStream(const std::uint8_t* data, std::size_t size, Decoder decoder) {
  if (size < 3) return;
  const std::uint64_t declared = data[0] | data[1] << 8 | data[2] << 16;
  archivers::MemorySource bytes(data, size);
  CheckDecoding(declared, [&](const archivers::Sink& sink) {
    return decoder(bytes, 3, size - 3, declared, sink);
  });
}

// starts[i]: a character begins at byte i (starts[size] is true). A lead
// byte takes the next byte whatever it is; a lead byte at the very end
// stands alone.
inline std::vector<bool> CharacterStarts(std::string_view text) {
  std::vector<bool> starts(text.size() + 1, false);
  std::size_t i = 0;
  while (i < text.size()) {
    starts[i] = true;
    i += plenkit::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  starts[text.size()] = true;
  return starts;
}

inline bool IsSuffix(std::string_view part, std::string_view whole) {
  return part.size() <= whole.size() && whole.substr(whole.size() - part.size()) == part;
}

inline bool IsPrefix(std::string_view part, std::string_view whole) {
  return part.size() <= whole.size() && whole.substr(0, part.size()) == part;
}

}  // namespace fuzzing
