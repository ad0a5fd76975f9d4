// PMarc's -pm1- and -pm2- from streams written bit by bit: what lhasa's
// archives do not show (a copy from before a member's start, codes no
// symbol has), and damage ending as such.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "codecs/methods.h"
#include "formats/byte_source.h"

using namespace archivers;

namespace {

// Fields most significant bit first, as both methods read them.
class Bits {
 public:
  Bits& operator()(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ == 8) bytes += '\0', used_ = 0;
      if (value >> i & 1) bytes.back() = static_cast<char>(bytes.back() | 0x80 >> used_);
      ++used_;
    }
    return *this;
  }
  std::string bytes;

 private:
  int used_ = 8;
};

// -pm2-'s start: the unused bit, then a code of nine symbols whose lengths
// are `lengths` (one bit each, 1 standing for a length of 1): no distance
// classes follow.
Bits Pm2Codes(std::uint32_t lengths) { return Bits()(0, 1)(9, 5)(1, 3)(1, 3)(lengths, 9); }

}  // namespace

TEST(Pmarc, DecodesOrEndsAsDamaged) {
  // Symbols 0 ("0") and 8 ("1"): the literal of rank 1 ('!'), a copy of two
  // bytes from six back (blanks from before the start), then rank 1 again,
  // which the copied blank moved behind itself: '!'.
  const std::string blanks = Pm2Codes(0x101)(0, 1)(1, 3)(1, 1)(5, 6)(0, 1)(1, 3).bytes;
  const struct {
    const char* what;
    const char* method;
    std::string stream;
    std::uint64_t declared;
    DecodeResult result;
    std::string output;
  } cases[] = {
      {"-pm2- reaching before the start", "-pm2-", blanks, 4, DecodeResult::Ok, "!  !"},
      {"-pm2- cut short", "-pm2-", blanks, 40, DecodeResult::Damaged, ""},
      {"-pm2- code no symbol has", "-pm2-", Pm2Codes(0x100)(1, 1).bytes, 1, DecodeResult::Damaged,
       ""},
      {"-pm2- codes over-subscribed", "-pm2-", Pm2Codes(0x1FF).bytes, 1, DecodeResult::Damaged, ""},
      // Symbol 29 alone, a length beyond the table's, after the five
      // distance classes a code of 30 symbols brings.
      {"-pm2- symbol 29", "-pm2-", Bits()(0, 1)(30, 5)(0, 3)(1, 3)(0, 12).bytes, 2,
       DecodeResult::Damaged, ""},
      // Shape 31 (a alone): a run of one literal, rank 1; a copy of two
      // bytes from one back.
      {"-pm1-", "-pm1-", Bits()(31, 5)(1, 1)(0, 2)(1, 4)(0, 1)(0, 6).bytes, 3, DecodeResult::Ok,
       "!!!"},
      {"-pm1- reaching before the start", "-pm1-", Bits()(31, 5)(0, 2)(0, 6).bytes, 2,
       DecodeResult::Damaged, ""},
      {"nothing for no bytes", "-pm1-", "", 0, DecodeResult::Ok, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemorySource source(c.stream.data(), c.stream.size());
    std::string out;
    const DecodeResult result = LzhDecode(c.method, source, 0, c.stream.size(), c.declared,
                                          [&](const unsigned char* data, std::size_t size) {
                                            out.append(reinterpret_cast<const char*>(data), size);
                                            return true;
                                          });
    EXPECT_EQ(result, c.result);
    if (c.result == DecodeResult::Ok) {
      EXPECT_EQ(out, c.output);
    }
  }
}
