#include <vector>

#include "codecs/decoders.h"

namespace archivers {

namespace {

// LArc's -lzs- and -lz5-: LZSS on a small ring that starts filled, and
// copies from absolute places in it.
class LarcRing {
 public:
  LarcRing(std::size_t size, std::size_t start, History& out) : ring_(size, ' '), pos_(start), out_(out) {}
  std::vector<unsigned char>& Ring() { return ring_; }
  bool Put(unsigned char byte) {
    ring_[pos_] = byte;
    pos_ = (pos_ + 1) % ring_.size();
    return out_.Put(byte);
  }
  bool Copy(std::size_t from, std::size_t length) {
    for (std::size_t i = 0; i < length && !out_.Done(); ++i) {
      if (!Put(ring_[(from + i) % ring_.size()])) return false;
    }
    return true;
  }

 private:
  std::vector<unsigned char> ring_;
  std::size_t pos_;
  History& out_;
};

}  // namespace

DecodeResult DecodeLzs(BitReader& bits, History& out) {
  LarcRing ring(2048, 2048 - 17, out);
  while (!out.Done()) {
    if (bits.Exhausted()) return DecodeResult::Damaged;
    bool ok;
    if (bits.Get(1)) {
      ok = ring.Put(static_cast<unsigned char>(bits.Get(8)));
    } else {
      const unsigned from = bits.Get(11);
      ok = ring.Copy(from, bits.Get(4) + 2);
    }
    if (!ok) return DecodeResult::Stopped;
  }
  return DecodeResult::Ok;
}

DecodeResult DecodeLz5(BitReader& bits, History& out) {
  LarcRing ring(4096, 4096 - 18, out);
  // The ring at the start: each byte 13 times, the bytes up, the bytes
  // down, zeros, blanks, zeros.
  std::vector<unsigned char>& r = ring.Ring();
  std::size_t p = 0;
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 13; ++j) r[p++] = static_cast<unsigned char>(i);
  }
  for (int i = 0; i < 256; ++i) r[p++] = static_cast<unsigned char>(i);
  for (int i = 0; i < 256; ++i) r[p++] = static_cast<unsigned char>(255 - i);
  for (int i = 0; i < 128; ++i) r[p++] = 0;
  for (int i = 0; i < 110; ++i) r[p++] = ' ';
  for (int i = 0; i < 18; ++i) r[p++] = 0;
  while (!out.Done()) {
    if (bits.Exhausted()) return DecodeResult::Damaged;
    const unsigned flags = bits.Get(8);
    for (int bit = 0; bit < 8 && !out.Done(); ++bit) {
      bool ok;
      if (flags & (1u << bit)) {
        ok = ring.Put(static_cast<unsigned char>(bits.Get(8)));
      } else {
        const unsigned low = bits.Get(8), high = bits.Get(8);
        ok = ring.Copy((high & 0xF0) << 4 | low, (high & 0x0F) + 3);
      }
      if (!ok) return DecodeResult::Stopped;
    }
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
