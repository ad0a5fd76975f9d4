#include "codecs/decoders.h"

namespace archivers {

DecodeResult DecodeArjFast(BitReader& bits, History& out) {
  // Up to `most` one-bits, stopping after a zero; n ones then give the
  // value 2^(first+n) - 2^first + the next first+n bits.
  auto prefixed = [&bits](int first, int most) {
    unsigned plus = 0;
    int width = first;
    for (; width < first + most; ++width) {
      if (!bits.Get(1)) break;
      plus += 1u << width;
    }
    return plus + bits.Get(width);
  };
  // Matches are at least three bytes long.
  constexpr unsigned kThreshold = 3;
  while (!out.Done()) {
    if (bits.Exhausted()) return DecodeResult::Damaged;
    const unsigned length = prefixed(0, 7);
    if (length == 0) {
      if (!out.Put(static_cast<unsigned char>(bits.Get(8)))) return DecodeResult::Stopped;
      continue;
    }
    const unsigned offset = prefixed(9, 4);
    if (!out.Copy(offset, length + kThreshold - 1)) return DecodeResult::Stopped;
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
