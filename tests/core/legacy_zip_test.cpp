// zip's shrink, reduce and implode from streams written bit by bit: what
// the test archives do not hold (history before the member's start,
// Implode's large window with uncoded literals, a partial clearing small
// enough to follow by hand), and damage of every kind ending as such, never
// running on nor giving more than the member declares.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "codecs/methods.h"
#include "decoded.h"
#include "formats/byte_source.h"

using namespace archivers;

namespace {

// Least significant bit first, as the three methods read them.
class Bits {
 public:
  Bits& Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i, ++used_) {
      if (used_ % 8 == 0) bytes += '\0';
      if (i < 32 && value >> i & 1) bytes.back() = static_cast<char>(bytes.back() | 1 << used_ % 8);
    }
    return *this;
  }
  // Shrink's codes, 9 bits each.
  Bits& Codes(std::initializer_list<unsigned> codes) {
    for (unsigned code : codes) Put(code, 9);
    return *this;
  }
  // Reduce's follower sets, all empty, and then bytes of 8 bits.
  Bits& NoFollowers() { return Put(0, 6 * 256); }
  Bits& Bytes(std::initializer_list<unsigned> bytes) {
    for (unsigned byte : bytes) Put(byte, 8);
    return *this;
  }
  // Implode: `symbols` code lengths, all `length`, in runs of 16; then the
  // code of `symbol` in such a code: flipped, most significant bit first.
  Bits& Lengths(int symbols, int length) {
    Put(symbols / 16 - 1, 8);
    for (int i = 0; i < symbols / 16; ++i) Put(0xF0 | (length - 1), 8);
    return *this;
  }
  Bits& Code(unsigned symbol, int length) {
    for (int i = length - 1; i >= 0; --i) Put(~symbol >> i & 1, 1);
    return *this;
  }
  std::string bytes;

 private:
  int used_ = 0;
};

}  // namespace

TEST(LegacyZip, DecodesOrEndsAsDamaged) {
  // Implode's match fields: the distance's low bits, its high bits coded,
  // the length coded.
  const Bits trees = Bits().Lengths(64, 6).Lengths(64, 6);
  const struct {
    const char* what;
    unsigned method, flags;
    std::string stream;
    std::uint64_t declared;
    DecodeResult result;
    std::string output;
  } cases[] = {
      // a b ab c: 257 "ab", 258 "ba", 259 "abc". The clearing frees the
      // leaves 258 and 259, not 257: then ab adds 258 "ca", and 258 is that.
      {"shrink's partial clearing", 1, 0,
       Bits().Codes({'a', 'b', 257, 'c', 256, 2, 257, 258}).bytes, 9, DecodeResult::Ok,
       "ababcabca"},
      {"shrink's free code", 1, 0, Bits().Codes({'a', 300}).bytes, 4, DecodeResult::Damaged, ""},
      // 257 is freed, then added with itself for prefix: it leads nowhere.
      {"shrink's loop", 1, 0, Bits().Codes({'a', 'b', 257, 256, 2, 'x', 257}).bytes, 100,
       DecodeResult::Damaged, ""},
      {"shrink past its size", 1, 0, Bits().Codes({'a', 257}).bytes, 2, DecodeResult::Damaged, ""},
      // b's code lacks its last 2 bits.
      {"shrink cut short", 1, 0, Bits().Codes({'a', 'b'}).bytes.substr(0, 2), 2,
       DecodeResult::Damaged, ""},
      // Factor 1: x, then 4 bytes from 3 back: two before the start, zeros.
      {"reduce before the start", 2, 0, Bits().NoFollowers().Bytes({'x', 0x90, 1, 2}).bytes, 5,
       DecodeResult::Ok, std::string("x\0\0x\0", 5)},
      // Byte 0's set, the last one stored, holds 3: index 3 is none of them.
      {"reduce's follower beyond its set", 2, 0,
       Bits().Put(0, 6 * 255).Put(3, 6).Bytes({1, 2, 3}).Put(0, 1).Put(3, 2).bytes, 1,
       DecodeResult::Damaged, ""},
      {"reduce's set of 33", 2, 0, Bits().Put(33, 6).bytes, 1, DecodeResult::Damaged, ""},
      {"reduce past its size", 2, 0, Bits().NoFollowers().Bytes({'x', 0x90, 1, 0}).bytes, 3,
       DecodeResult::Damaged, ""},
      // The 8 KiB window, literals uncoded: matches from 2 bytes. x, then
      // 3 bytes from 2 back, one of them before the start.
      {"implode, large window", 6, 2,
       Bits(trees).Put(1, 1).Put('x', 8).Put(0, 1).Put(1, 7).Code(0, 6).Code(1, 6).bytes, 4,
       DecodeResult::Ok, std::string("x\0x\0", 4)},
      {"implode's incomplete code", 6, 0, Bits().Lengths(64, 7).Lengths(64, 6).bytes, 1,
       DecodeResult::Damaged, ""},
      {"implode's 80 lengths", 6, 0, Bits().Lengths(80, 6).Lengths(64, 6).bytes, 1,
       DecodeResult::Damaged, ""},
      {"implode past its size", 6, 0, Bits(trees).Put(0, 1).Put(0, 6).Code(0, 6).Code(5, 6).bytes,
       6, DecodeResult::Damaged, ""},
      // x's last bit lies past the data.
      {"implode cut short", 6, 0, Bits(trees).Put(1, 1).Put('x', 8).bytes.substr(0, 11), 1,
       DecodeResult::Damaged, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemorySource source(c.stream.data(), c.stream.size());
    ExpectDecoded(
        [&](const Sink& sink) {
          return ZipDecode(c.method, c.flags, source, 0, c.stream.size(), c.declared, sink);
        },
        c.result, c.declared, c.output);
  }
}
