// zip's Implode, method 6: LZ77 over a window of 4 KiB, or 8 KiB when the
// general purpose flags' bit 1 is set, its lengths, distances and (with
// bit 2) literal bytes in Shannon-Fano codes. The codes come first, as
// lengths packed in bytes: a count of bytes less one, then bytes whose low
// four bits are a length less one and high four bits how many symbols in a
// row have it. Literals (256 symbols, when coded), lengths (64) and
// distances (64), in that order. PKWARE's codes hand the all-zeros code to
// the last of the longest and count up from there: flipped bit for bit
// they are the usual canonical codes, their first bit the most
// significant, and every code is complete.
// The data, least significant bit first: 1 and a literal (8 bits when not
// coded), or 0 and a match: the distance's low 6 bits (7 in the larger
// window), its high bits coded, then the length coded, 63 meaning 8 bits
// more to add; lengths start at 3 with literals coded, else at 2. Before
// the member's start the history holds zeros. No code ends the data: it
// ends with the member's size. Platform-free.
#include <memory>

#include "codecs/decoders.h"

namespace archivers {

namespace {

constexpr int kMaxLength = 16;

class ShannonFano {
 public:
  // False for lengths that are not exactly `symbols` or make no complete code.
  bool Read(LsbBitReader& bits, unsigned symbols) {
    unsigned char lengths[256];
    unsigned filled = 0;
    for (unsigned bytes = bits.Get(8) + 1; bytes > 0; --bytes) {
      const unsigned byte = bits.Get(8);
      const unsigned length = (byte & 15) + 1, run = (byte >> 4) + 1;
      if (run > symbols - filled) return false;
      for (unsigned i = 0; i < run; ++i) lengths[filled++] = static_cast<unsigned char>(length);
    }
    if (filled != symbols) return false;
    for (unsigned s = 0; s < symbols; ++s) ++count_[lengths[s]];
    int left = 1;
    for (int length = 1; length <= kMaxLength; ++length) {
      left = left * 2 - count_[length];
      if (left < 0) return false;
    }
    if (left != 0) return false;
    // The symbols by length, then by value: the order of their codes.
    unsigned start[kMaxLength + 2] = {};
    for (int length = 1; length <= kMaxLength; ++length) start[length + 1] = start[length] + count_[length];
    for (unsigned s = 0; s < symbols; ++s) sorted_[start[lengths[s]]++] = static_cast<unsigned char>(s);
    return true;
  }

  unsigned Decode(LsbBitReader& bits) const {
    const unsigned flipped = ~bits.Peek(kMaxLength);
    // code: the bits so far; first: the first code of this length; index:
    // where this length's symbols begin.
    unsigned code = 0, first = 0, index = 0;
    for (int length = 1; length <= kMaxLength; ++length) {
      code |= flipped >> (length - 1) & 1;
      if (code - first < count_[length]) {
        bits.Skip(length);
        return sorted_[index + code - first];
      }
      index += count_[length];
      first = (first + count_[length]) << 1;
      code <<= 1;
    }
    return 0;  // not reached: a complete code decodes any 16 bits
  }

 private:
  unsigned count_[kMaxLength + 1] = {};
  unsigned char sorted_[256] = {};
};

struct Codes {
  ShannonFano literals, lengths, distances;
};

}  // namespace

DecodeResult DecodeImplode(LsbBitReader& bits, History& out, bool largeWindow, bool codedLiterals) {
  const auto codes = std::make_unique<Codes>();
  if (codedLiterals && !codes->literals.Read(bits, 256)) return DecodeResult::Damaged;
  if (!codes->lengths.Read(bits, 64) || !codes->distances.Read(bits, 64)) return DecodeResult::Damaged;
  const int lowBits = largeWindow ? 7 : 6;
  const std::size_t shortest = codedLiterals ? 3 : 2;
  while (!out.Done()) {
    if (bits.Overrun()) return DecodeResult::Damaged;
    if (bits.Get(1)) {
      const unsigned byte = codedLiterals ? codes->literals.Decode(bits) : bits.Get(8);
      if (!out.Put(static_cast<unsigned char>(byte))) return DecodeResult::Stopped;
      continue;
    }
    const unsigned low = bits.Get(lowBits);
    const std::size_t distance = codes->distances.Decode(bits) << lowBits | low;  // less one
    std::size_t length = codes->lengths.Decode(bits);
    if (length == 63) length += bits.Get(8);
    length += shortest;
    if (length > out.Left()) return DecodeResult::Damaged;
    if (!out.Copy(distance, length)) return DecodeResult::Stopped;
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
