#include <array>
#include <cstring>
#include <memory>

#include "codecs/decoders.h"

namespace archivers {

namespace {

// Matches are at least three bytes long; literals and lengths share one
// alphabet of 510 symbols; the offsets' lengths have a code of their own.
constexpr int kThreshold = 3;
constexpr int kMaxMatch = 256;
constexpr int kNC = 255 + kMaxMatch + 2 - kThreshold;  // 510
constexpr int kNT = 19;
constexpr int kCBits = 9;
constexpr int kTBits = 5;
constexpr int kNPT = 32;
// A table entry: a symbol and the length of its code, or a tree node.
constexpr unsigned kSymbol = 0x3FF;
constexpr int kLengthShift = 10;

// The static Huffman coding, with the offsets' code of its variant.
class HuffmanDecoder {
 public:
  HuffmanDecoder(BitReader& bits, int offsetCodes, int offsetBits, bool zeroBlockIsFull)
      : bits_(bits), np_(offsetCodes), pbits_(offsetBits), zeroBlockIsFull_(zeroBlockIsFull) {}

  // False when the block's tables are damaged.
  bool DecodeC(int& symbol) {
    // An empty block is followed by another; only ARJ writes its count of
    // 65,536 as 0.
    for (int blocks = 0; blockLeft_ == 0; ++blocks) {
      if (bits_.Exhausted() || blocks > 64) return false;
      blockLeft_ = bits_.Get(16);
      if (blockLeft_ == 0 && zeroBlockIsFull_) blockLeft_ = 65536;
      if (!ReadPtLen(kNT, kTBits, 3) || !ReadCLen() || !ReadPtLen(np_, pbits_, -1)) return false;
    }
    --blockLeft_;
    symbol = Decode(cTable_, 12, kNC, cLen_);
    return symbol >= 0;
  }

  // Decodes commands with the reader's and the ring's state in registers
  // while the block lasts, the input piece has eight bytes ahead and the
  // ring room for the longest match; false at damage. The caller decodes
  // what lies at those edges one command at a time.
  bool DecodeRun(History& out) {
    // The offsets' extra bits must fit what a refill leaves after two codes
    // (24 bits): every method's do (-lhx-'s 20 codes take up to 18).
    if (blockLeft_ == 0 || np_ > 25) return true;
    BitReader::Lent in = bits_.Lend();
    if (!in.CanRefill()) return true;
    History::Lent o = out.Lend();
    // Locals, as the ring's bytes could otherwise alias the members.
    unsigned left = blockLeft_;
    const int np = np_;
    bool sound = true;
    while (left > 0 && o.end - o.pos >= kMaxMatch && in.CanRefill()) {
      in.Refill();  // 56 bits or more: a command's code, offset code and offset take at most 16 + 16 + 24
      int length = 0;
      const int c = Lookup(cTable_, 12, kNC, cLen_, in.acc >> 48, length);
      if (c < 0) {
        sound = false;
        break;
      }
      in.Skip(length);
      --left;
      if (c <= 255) {
        o.ring[o.pos++ & o.mask] = static_cast<unsigned char>(c);
        continue;
      }
      const int p = Lookup(ptTable_, 8, np, ptLen_, in.acc >> 48, length);
      if (p < 0) {
        sound = false;
        break;
      }
      in.Skip(length);
      std::size_t offset = 0;
      if (p > 0) {
        offset = (std::size_t{1} << (p - 1)) + (p > 1 ? static_cast<std::size_t>(in.acc >> (65 - p)) : 0);
        in.Skip(p - 1);
      }
      o.Copy(offset, static_cast<std::size_t>(c - (256 - kThreshold)));
    }
    blockLeft_ = left;
    bits_.GiveBack(in);
    return out.GiveBack(o) ? sound : (stopped_ = true, false);
  }
  bool Stopped() const { return stopped_; }

  bool DecodeP(unsigned& offset) {
    const int j = Decode(ptTable_, 8, np_, ptLen_);
    if (j < 0) return false;
    offset = j == 0 ? 0 : (1u << (j - 1)) + bits_.Get(j - 1);
    return true;
  }

 private:
  // The next symbol of a code of `symbols` symbols: its table gives codes
  // of up to `tableBits` bits, the tree below it the longer ones. -1 when
  // the tree runs out of bits (damaged data).
  int Decode(const std::uint16_t* table, int tableBits, int symbols, const unsigned char* lengths) {
    int length = 0;
    const int j = Lookup(table, tableBits, symbols, lengths, bits_.Peek16(), length);
    if (j >= 0) bits_.Skip(length);
    return j;
  }

  // The symbol the 16 bits `next16` begin with, and its code's `length`
  // (the table's entry carries it; a tree's leaf does not); -1 when the
  // tree runs out of bits.
  int Lookup(const std::uint16_t* table, int tableBits, int symbols, const unsigned char* lengths, std::uint64_t next16,
             int& length) const {
    const unsigned entry = table[next16 >> (16 - tableBits)];
    int j = static_cast<int>(entry & kSymbol);
    if (__builtin_expect(j < symbols, 1)) {  // a short code, the common case: the inner loop lost 6 % without the hint
      length = static_cast<int>(entry >> kLengthShift);
      return j;
    }
    j = Tree(j, next16, tableBits, symbols);
    if (j >= 0) length = lengths[j];
    return j;
  }

  // The symbol of a code longer than `tableBits`, from the tree node `j`
  // its table gave and the next 16 bits; -1 when the tree runs out of bits.
  int Tree(int j, std::uint64_t next16, int tableBits, int symbols) const {
    for (unsigned mask = 1u << (15 - tableBits); j >= symbols; mask >>= 1) {
      if (mask == 0) return -1;
      j = (next16 & mask) ? right_[j] : left_[j];
    }
    return j;
  }

  // Builds the lookup table for codes of up to `tableBits` bits and the
  // tree below it for longer ones. False when the lengths do not make a
  // complete code.
  bool MakeTable(int count, const unsigned char* lengths, int tableBits, std::uint16_t* table) {
    std::array<unsigned, 17> perLength{};
    for (int i = 0; i < count; ++i) {
      if (lengths[i] > 16) return false;
      ++perLength[lengths[i]];
    }
    std::array<std::uint32_t, 18> start{};
    for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (perLength[i] << (16 - i));
    if (start[17] != (1u << 16)) return false;
    const int jut = 16 - tableBits;
    std::array<std::uint32_t, 17> weight{};
    for (int i = 1; i <= tableBits; ++i) start[i] >>= jut, weight[i] = 1u << (tableBits - i);
    for (int i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);
    std::uint32_t i = start[tableBits + 1] >> jut;
    const std::uint32_t size = 1u << tableBits;
    while (i < size) table[i++] = 0;

    int avail = count;
    const unsigned mask = 1u << (15 - tableBits);
    for (int ch = 0; ch < count; ++ch) {
      const int length = lengths[ch];
      if (length == 0) continue;
      const std::uint32_t next = start[length] + weight[length];
      if (length <= tableBits) {
        // A symbol's entry carries its code's length, one load fewer a code.
        const auto entry = static_cast<std::uint16_t>(ch | length << kLengthShift);
        for (std::uint32_t k = start[length]; k < next; ++k) table[k] = entry;
      } else {
        std::uint32_t k = start[length];
        std::uint16_t* p = &table[k >> jut];
        for (int n = length - tableBits; n > 0; --n) {
          if (*p == 0) {
            if (avail >= kTree) return false;
            right_[avail] = left_[avail] = 0;
            *p = static_cast<std::uint16_t>(avail++);
          }
          p = (k & mask) ? &right_[*p] : &left_[*p];
          k <<= 1;
        }
        *p = static_cast<std::uint16_t>(ch);
      }
      start[length] = next;
    }
    return true;
  }

  bool ReadPtLen(int nn, int nbit, int special) {
    if (nn > kNPT) return false;
    const int n = static_cast<int>(bits_.Get(nbit));
    if (n == 0) {
      const unsigned c = bits_.Get(nbit);
      if (c >= static_cast<unsigned>(nn)) return false;
      std::memset(ptLen_, 0, sizeof ptLen_);
      for (auto& entry : ptTable_) entry = static_cast<std::uint16_t>(c);
      return true;
    }
    if (n > nn) return false;
    int i = 0;
    while (i < n) {
      unsigned c = bits_.Peek16() >> 13;
      if (c == 7) {
        for (unsigned mask = 1u << 12; mask & bits_.Peek16(); mask >>= 1) {
          if (++c > 16) return false;
        }
      }
      bits_.Skip(c < 7 ? 3 : static_cast<int>(c) - 3);
      ptLen_[i++] = static_cast<unsigned char>(c);
      if (special >= 0 && i == special) {
        for (unsigned zeros = bits_.Get(2); zeros > 0; --zeros) {
          if (i >= nn || i >= kNPT) return false;
          ptLen_[i++] = 0;
        }
      }
    }
    while (i < nn) ptLen_[i++] = 0;
    return MakeTable(nn, ptLen_, 8, ptTable_);
  }

  bool ReadCLen() {
    const int n = static_cast<int>(bits_.Get(kCBits));
    if (n == 0) {
      const unsigned c = bits_.Get(kCBits);
      if (c >= static_cast<unsigned>(kNC)) return false;
      std::memset(cLen_, 0, sizeof cLen_);
      for (auto& entry : cTable_) entry = static_cast<std::uint16_t>(c);
      return true;
    }
    if (n > kNC) return false;
    int i = 0;
    while (i < n) {
      const int c = Decode(ptTable_, 8, kNT, ptLen_);
      if (c < 0) return false;
      if (c <= 2) {
        unsigned zeros = c == 0 ? 1 : c == 1 ? bits_.Get(4) + 3 : bits_.Get(kCBits) + 20;
        for (; zeros > 0; --zeros) {
          if (i >= kNC) return false;
          cLen_[i++] = 0;
        }
      } else {
        cLen_[i++] = static_cast<unsigned char>(c - 2);
      }
    }
    while (i < kNC) cLen_[i++] = 0;
    return MakeTable(kNC, cLen_, 12, cTable_);
  }

  static constexpr int kTree = 2 * kNC - 1;
  BitReader& bits_;
  const int np_, pbits_;
  const bool zeroBlockIsFull_;
  unsigned blockLeft_ = 0;
  bool stopped_ = false;
  unsigned char cLen_[kNC] = {};
  unsigned char ptLen_[kNPT] = {};  // the temporary code's 19, or up to 31 offsets' lengths
  std::uint16_t cTable_[4096] = {};
  std::uint16_t ptTable_[256] = {};
  std::uint16_t left_[kTree] = {};
  std::uint16_t right_[kTree] = {};
};

}  // namespace

DecodeResult DecodeStaticHuffman(BitReader& bits, History& out, int offsetCodes, int offsetBits, bool zeroBlockIsFull) {
  auto decoder = std::make_unique<HuffmanDecoder>(bits, offsetCodes, offsetBits, zeroBlockIsFull);
  while (!out.Done()) {
    if (!decoder->DecodeRun(out)) return decoder->Stopped() ? DecodeResult::Stopped : DecodeResult::Damaged;
    if (out.Done()) break;
    int c = 0;
    if (bits.Exhausted() || !decoder->DecodeC(c)) return DecodeResult::Damaged;
    if (c <= 255) {
      if (!out.Put(static_cast<unsigned char>(c))) return DecodeResult::Stopped;
      continue;
    }
    unsigned offset = 0;
    if (!decoder->DecodeP(offset)) return DecodeResult::Damaged;
    if (!out.Copy(offset, static_cast<std::size_t>(c - (256 - kThreshold)))) return DecodeResult::Stopped;
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
