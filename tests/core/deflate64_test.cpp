// zip's Deflate64 from streams written bit by bit: what only Deflate64 has
// (long matches, far distances), the output moved on past its first
// megabyte, and damage of every kind ending as such without giving more
// than the member declares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/decoders.h"
#include "decoded.h"
#include "formats/byte_source.h"

using namespace archivers;

namespace {

// Fields and extra bits go in least significant bit first, Huffman codes
// most significant bit first.
class Stream {
 public:
  Stream& Bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Put(value >> i & 1);
    return *this;
  }
  Stream& Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Put(code >> i & 1);
    return *this;
  }
  // A block with the fixed codes, and one of its symbols.
  Stream& FixedBlock(bool last) { return Bits(last, 1).Bits(1, 2); }
  Stream& Fixed(int symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  Stream& Distance(int symbol) { return Code(symbol, 5); }
  Stream& Stored(const std::string& data, bool last, std::uint32_t complement = 0) {
    Bits(last, 1).Bits(0, 2);
    used_ = 8;  // to the byte's end
    Bits(static_cast<std::uint32_t>(data.size()), 16)
        .Bits(~static_cast<std::uint32_t>(data.size()) ^ complement, 16);
    bytes += data;
    return *this;
  }
  // A block with codes of its own. The code lengths' code gives each of 0
  // to 15 four bits, so that each length is written as itself.
  Stream& DynamicBlock(const std::vector<int>& lit, const std::vector<int>& dist) {
    Bits(1, 1).Bits(2, 2).Bits(static_cast<std::uint32_t>(lit.size() - 257), 5);
    Bits(static_cast<std::uint32_t>(dist.size() - 1), 5).Bits(19 - 4, 4);
    for (int i = 0; i < 19; ++i) Bits(i < 3 ? 0 : 4, 3);  // 16, 17 and 18 come first, unused
    for (int length : lit) Code(length, 4);
    for (int length : dist) Code(length, 4);
    return *this;
  }
  std::string bytes;

 private:
  void Put(unsigned bit) {
    if (used_ == 8) bytes += '\0', used_ = 0;
    if (bit) bytes.back() = static_cast<char>(bytes.back() | 1 << used_);
    ++used_;
  }
  int used_ = 8;
};

// Literal/length code lengths with these set.
std::vector<int> Lengths(std::initializer_list<std::pair<int, int>> set) {
  std::vector<int> lengths(258, 0);
  for (const auto& [symbol, length] : set) lengths[symbol] = length;
  return lengths;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251 ^ i >> 12);
  return bytes;
}

// A match copied byte by byte, as the format defines it.
std::string& Match(std::string& out, std::size_t length, std::size_t distance) {
  for (std::size_t i = 0; i < length; ++i) out += out[out.size() - distance];
  return out;
}

}  // namespace

TEST(Deflate64, DecodesOrEndsAsDamaged) {
  // 'a', then length code 285: 3 and 16 extra bits, 1000 bytes at distance 1.
  const std::string long_match =
      Stream().FixedBlock(true).Fixed('a').Fixed(285).Bits(997, 16).Distance(0).Fixed(256).bytes;
  const std::string thousand_a(1001, 'a');
  // Distance codes 30 and 31 reach 32,769 and 49,153 back and more.
  const std::string history = Pattern(60000);
  std::string far = history;
  Match(Match(far, 3, 49153 + 100), 4, 32769 + 5);
  // Past the first megabyte the output moves on, keeping 64 KiB: a match of
  // the greatest length at the greatest distance after it, and the input
  // read in several pieces.
  Stream stored;
  std::string moved;
  for (int i = 0; i < 18; ++i) {
    const std::string block = Pattern(65535 + i).substr(i);
    stored.Stored(block, false);
    moved += block;
  }
  Match(moved, 65538, 65536);
  // A lone distance code has one bit, its other value unused.
  const std::vector<int> lone = Lengths({{'a', 1}, {256, 2}, {257, 2}});
  const struct {
    const char* what;
    std::string stream;
    std::uint64_t declared;
    DecodeResult result;
    std::string output;
    std::size_t packed = std::string::npos;
  } cases[] = {
      {"long match", long_match, 1001, DecodeResult::Ok, thousand_a},
      {"far distances",
       Stream()
           .Stored(history, false)
           .FixedBlock(true)
           .Fixed(257)
           .Distance(31)
           .Bits(100, 14)
           .Fixed(258)
           .Distance(30)
           .Bits(5, 14)
           .Fixed(256)
           .bytes,
       far.size(), DecodeResult::Ok, far},
      {"moved on",
       stored.FixedBlock(true)
           .Fixed(285)
           .Bits(65535, 16)
           .Distance(31)
           .Bits(16383, 14)
           .Fixed(256)
           .bytes,
       moved.size(), DecodeResult::Ok, moved},
      {"lone distance code",
       Stream().DynamicBlock(lone, {1}).Code(0, 1).Code(3, 2).Code(0, 1).Code(2, 2).bytes, 4,
       DecodeResult::Ok, "aaaa"},
      {"literals without distances",
       Stream().DynamicBlock(Lengths({{'a', 1}, {256, 1}}), {0}).Code(0, 1).Code(1, 1).bytes, 1,
       DecodeResult::Ok, "a"},
      {"a lone distance code's unused value",
       Stream().DynamicBlock(lone, {1}).Code(0, 1).Code(3, 2).Code(1, 1).Code(2, 2).bytes, 4,
       DecodeResult::Damaged, ""},
      {"over-subscribed lengths",
       Stream().DynamicBlock(Lengths({{'a', 1}, {256, 1}, {257, 1}}), {1}).bytes, 1,
       DecodeResult::Damaged, ""},
      {"incomplete lengths",
       Stream().DynamicBlock(Lengths({{'a', 2}, {256, 2}}), {1}).Code(0, 2).Code(1, 2).bytes, 1,
       DecodeResult::Damaged, ""},
      {"no end code", Stream().DynamicBlock(Lengths({{'a', 1}, {'b', 1}}), {1}).Code(0, 1).bytes, 1,
       DecodeResult::Damaged, ""},
      {"distance before the start",
       Stream().FixedBlock(true).Fixed('a').Fixed(257).Distance(1).Fixed(256).bytes, 4,
       DecodeResult::Damaged, ""},
      {"more than declared", long_match, 1000, DecodeResult::Damaged, ""},
      {"less than declared", long_match, 1002, DecodeResult::Damaged, ""},
      {"cut short", long_match, 1001, DecodeResult::Damaged, "", long_match.size() - 1},
      {"no last block", Stream().FixedBlock(false).Fixed('a').Fixed(256).bytes, 1,
       DecodeResult::Damaged, ""},
      {"stored length unchecked", Stream().Stored("abc", true, 1).bytes, 3, DecodeResult::Damaged,
       ""},
      {"block type 3", Stream().Bits(1, 1).Bits(3, 2).Bits(0, 30).bytes, 1, DecodeResult::Damaged,
       ""},
      {"no data for no bytes", "", 0, DecodeResult::Ok, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemorySource source(c.stream.data(), c.stream.size());
    ExpectDecoded(
        [&](const Sink& sink) {
          return InflateDeflate64(source, 0, std::min(c.packed, c.stream.size()), c.declared, sink);
        },
        c.result, c.declared, c.output);
  }
}
