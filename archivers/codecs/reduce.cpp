// zip's Reduce, methods 2 to 5 (factors 1 to 4), in two layers. The bits,
// least significant first, give a stream of bytes through follower sets:
// for each byte, up to 32 bytes that often follow it, the sets stored from
// byte 255's down to byte 0's, each as its size in 6 bits and its bytes.
// After a byte with a set, a 0 bit then an index as wide as the set needs
// gives the next byte from it, a 1 bit a byte of 8 bits; after one without,
// 8 bits are the byte. The first byte comes after 0. In that stream 0x90
// (DLE) starts a match: DLE 0 is the byte 0x90 itself, else the byte V
// holds the length's low bits (8 - factor of them; all ones means a byte
// more to add), then the byte W: the match is that length plus 3 long,
// from V's high bits times 256 plus W plus 1 back. Before the member's
// start the history holds zeros. No code ends the data: it ends with the
// member's size. Platform-free.
#include <memory>

#include "codecs/decoders.h"

namespace archivers {

namespace {

constexpr unsigned char kDle = 0x90;

class Expander {
 public:
  Expander(LsbBitReader& bits, History& out) : bits_(bits), out_(out) {}

  DecodeResult Run(int factor) {
    for (int byte = 255; byte >= 0; --byte) {
      const unsigned size = bits_.Get(6);
      if (size > 32) return DecodeResult::Damaged;
      sizes_[byte] = static_cast<unsigned char>(size);
      for (unsigned i = 0; i < size; ++i) sets_[byte][i] = static_cast<unsigned char>(bits_.Get(8));
    }
    const int lengthBits = 8 - factor;
    const unsigned lengthMask = (1u << lengthBits) - 1;
    while (!out_.Done()) {
      if (bits_.Overrun()) return DecodeResult::Damaged;
      unsigned char byte, v, w;
      if (!Next(byte)) return DecodeResult::Damaged;
      if (byte != kDle) {
        if (!out_.Put(byte)) return DecodeResult::Stopped;
        continue;
      }
      if (!Next(v)) return DecodeResult::Damaged;
      if (v == 0) {
        if (!out_.Put(kDle)) return DecodeResult::Stopped;
        continue;
      }
      std::size_t length = v & lengthMask;
      if (length == lengthMask) {
        unsigned char more;
        if (!Next(more)) return DecodeResult::Damaged;
        length += more;
      }
      length += 3;
      if (!Next(w)) return DecodeResult::Damaged;
      const std::size_t distance = (static_cast<std::size_t>(v) >> lengthBits) * 256 + w + 1;
      if (length > out_.Left()) return DecodeResult::Damaged;
      if (!out_.Copy(distance - 1, length)) return DecodeResult::Stopped;
    }
    return DecodeResult::Ok;
  }

 private:
  // The next byte of the stream; false for an index beyond its set.
  bool Next(unsigned char& byte) {
    const unsigned size = sizes_[last_];
    if (size == 0 || bits_.Get(1)) {
      byte = static_cast<unsigned char>(bits_.Get(8));
    } else {
      const int width = size > 16 ? 5 : size > 8 ? 4 : size > 4 ? 3 : size > 2 ? 2 : 1;
      const unsigned index = bits_.Get(width);
      if (index >= size) return false;
      byte = sets_[last_][index];
    }
    last_ = byte;
    return true;
  }

  LsbBitReader& bits_;
  History& out_;
  unsigned char sizes_[256] = {};
  unsigned char sets_[256][32] = {};
  unsigned char last_ = 0;
};

}  // namespace

DecodeResult DecodeReduce(LsbBitReader& bits, History& out, int factor) {
  return std::make_unique<Expander>(bits, out)->Run(factor);
}

}  // namespace archivers
