#include <array>
#include <cstring>
#include <vector>

#include "codecs/decoders.h"

namespace archivers {

namespace {

// A value sent as a base and the next `bits` bits above it.
struct Span {
  unsigned base;
  int bits;
  unsigned Read(BitReader& in) const { return base + in.Get(bits); }
};

// The 256 byte values in the order of their last use, the byte written
// last first. Both methods send a literal as its rank here, so that the
// bytes a text keeps using take few bits; every byte written, literal or
// copied, moves to the front.
class RecentBytes {
 public:
  RecentBytes() {
    // Before the first byte: the printable ASCII, the control characters,
    // 0xA0 to 0xDF (half-width katakana), 0x80 to 0x9F, 0xE0 to 0xFF.
    static const int kRuns[][2] = {{0x20, 0x7F}, {0x00, 0x1F}, {0xA0, 0xDF}, {0x80, 0x9F}, {0xE0, 0xFF}};
    std::size_t n = 0;
    for (const auto& run : kRuns) {
      for (int b = run[0]; b <= run[1]; ++b) order_[n++] = static_cast<unsigned char>(b);
    }
  }
  unsigned char At(unsigned rank) const { return order_[rank & 0xFF]; }
  void MoveToFront(unsigned char byte) {
    const auto* at = static_cast<const unsigned char*>(std::memchr(order_, byte, sizeof order_));
    std::memmove(order_ + 1, order_, static_cast<std::size_t>(at - order_));
    order_[0] = byte;
  }

 private:
  unsigned char order_[256];
};

// What both methods write through: the history, the bytes by their last
// use, and the count written, on which -pm1-'s codes and -pm2-'s renewals
// depend.
class PmOutput {
 public:
  explicit PmOutput(History& out) : out_(out) {}
  bool Done() const { return out_.Done(); }
  std::uint64_t Written() const { return written_; }
  bool Literal(unsigned rank) { return Put(recent_.At(rank)); }
  // `length` bytes from `distance` + 1 back, cut at the member's size.
  bool Copy(std::size_t distance, std::size_t length) {
    for (std::size_t i = 0; i < length && !out_.Done(); ++i) {
      if (!Put(out_.Back(distance))) return false;
    }
    return true;
  }

 private:
  bool Put(unsigned char byte) {
    recent_.MoveToFront(byte);
    ++written_;
    return out_.Put(byte);
  }
  History& out_;
  RecentBytes recent_;
  std::uint64_t written_ = 0;
};

// ---- -pm1- ----

// A member's first five bits pick the shape of the code for its literals'
// six rank spans, a to f: "(xy)" is a node whose bit 0 leads to x and 1 to
// y. The shapes with fewer letters serve members whose literals keep to the
// first spans; 17 never reaches a or b; 31 is a alone, in no bits.
// clang-format off
const char* const kPm1Shapes[32] = {
    "((((ab)c)d)(ef))", "(((ab)(cf))(de))", "(((ab)c)(d(ef)))", "((a(bc))(d(ef)))",
    "((a(bd))(c(ef)))", "((a(b(ef)))(cd))", "((ab)((cd)(ef)))", "((ab)((c(ef))d))",
    "((ab)(c(d(ef))))", "(a(((bf)c)(de)))", "(a(((b(ef))c)d))", "(a(((bc)d)(ef)))",
    "(a((b(cf))(de)))", "(a((bc)(d(ef))))", "(a((b(d(ef)))c))", "(a(b((cd)(ef))))",
    "(a(b(c(d(ef)))))", "(((de)c)(de))",    "((a(be))(cd))",    "((ab)(c(de)))",
    "(a(((be)c)d))",    "(a((bc)(de)))",    "(a((b(de))c))",    "(a(b(c(de))))",
    "(((ab)c)d)",       "((a(bd))c)",       "((ab)(cd))",       "(a((bd)c))",
    "(a(b(cd)))",       "(a(bc))",          "(ab)",             "a",
};
// clang-format on

const Span kPm1Ranks[6] = {{0, 4}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}};

// The spans of a copy's distance: 0 and 1 for copies of two bytes, 2 to 5
// for longer ones.
const Span kPm1Distances[6] = {{0, 6}, {64, 8}, {0, 6}, {64, 9}, {576, 11}, {2624, 13}};

constexpr unsigned kPm1LongestRun = 216;

// One of the shapes above as nodes, a child either a node's index or a
// leaf, -1 - its span.
class ShapeCode {
 public:
  explicit ShapeCode(const char* shape) { root_ = Parse(shape); }
  unsigned Decode(BitReader& bits) const {
    int at = root_;
    while (at >= 0) at = nodes_[static_cast<std::size_t>(at)][bits.Get(1)];
    return static_cast<unsigned>(-1 - at);
  }

 private:
  int Parse(const char*& p) {
    if (*p != '(') return -1 - (*p++ - 'a');
    ++p;
    const int node = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
    const int zero = Parse(p), one = Parse(p);
    nodes_[static_cast<std::size_t>(node)] = {zero, one};
    ++p;
    return node;
  }
  std::vector<std::array<int, 2>> nodes_;
  int root_;
};

class Pm1Decoder {
 public:
  Pm1Decoder(BitReader& bits, History& out) : bits_(bits), out_(out) {}

  DecodeResult Run() {
    if (out_.Done()) return DecodeResult::Ok;
    const ShapeCode literals(kPm1Shapes[bits_.Get(5)]);
    while (!out_.Done()) {
      if (bits_.Exhausted()) return DecodeResult::Damaged;
      // A run of literals, then a copy unless the run is of the longest
      // length; or a copy alone.
      if (bits_.Get(1)) {
        const unsigned run = RunLength();
        for (unsigned i = 0; i < run && !out_.Done(); ++i) {
          if (!out_.Literal(kPm1Ranks[literals.Decode(bits_)].Read(bits_))) return DecodeResult::Stopped;
        }
        if (run == kPm1LongestRun || out_.Done()) continue;
      }
      const DecodeResult copied = Copy();
      if (copied != DecodeResult::Ok) return copied;
    }
    return DecodeResult::Ok;
  }

 private:
  unsigned RunLength() {
    unsigned x = bits_.Get(2);
    if (x < 3) return x + 1;
    if ((x = bits_.Get(3)) < 7) return x + 4;
    if ((x = bits_.Get(4)) < 14) return x + 11;
    return x == 14 ? bits_.Get(6) + 25 : bits_.Get(7) + 89;
  }

  unsigned CopyLength() {
    unsigned x = bits_.Get(2);
    if (x < 3) return x + 3;
    if ((x = bits_.Get(3)) < 5) return x + 6;
    if (x == 5) return bits_.Get(2) + 11;
    if (x == 6) return bits_.Get(3) + 15;
    if ((x = bits_.Get(6)) < 62) return x + 23;
    return x == 62 ? bits_.Get(5) + 85 : bits_.Get(7) + 117;
  }

  DecodeResult Copy() {
    // A span is offered once the output reaches its base: the code's
    // branches to the others are not sent before.
    const std::uint64_t written = out_.Written();
    unsigned span;
    if (!bits_.Get(1)) span = written >= 576 && bits_.Get(1) ? 4 : written >= 64 ? bits_.Get(1) : 0;
    else if (written >= 64 && !bits_.Get(1)) span = 3;
    else span = written >= 2624 && !bits_.Get(1) ? 5 : 2;
    const unsigned length = span < 2 ? 2 : CopyLength();
    // Early in a member a long span's field is only as wide as the way back
    // to the start needs, though never under 8 bits.
    Span field = kPm1Distances[span];
    while (field.bits > 8 && written < field.base + (1u << (field.bits - 1))) --field.bits;
    const unsigned distance = field.Read(bits_);
    if (distance >= written) return DecodeResult::Damaged;
    return out_.Copy(distance, length) ? DecodeResult::Ok : DecodeResult::Stopped;
  }

  BitReader& bits_;
  PmOutput out_;
};

// ---- -pm2- ----

// A prefix code given by its codes' lengths: the shorter codes first and,
// of a length, the smaller symbols first; or one symbol in no bits.
class LengthCode {
 public:
  static constexpr int kLongest = 32;

  // False when the lengths ask for more codes than there are. Fewer is
  // allowed: a code no symbol has is damage only when it comes.
  bool Build(const unsigned char* lengths, unsigned count) {
    single_ = -1;
    longest_ = 0;
    perLength_.fill(0);
    symbols_.clear();
    for (unsigned i = 0; i < count; ++i) {
      if (lengths[i] > kLongest) return false;
      ++perLength_[lengths[i]];
      if (lengths[i] > longest_) longest_ = lengths[i];
    }
    std::uint64_t free = 1;
    for (int length = 1; length <= longest_; ++length) {
      free = free * 2 - perLength_[static_cast<std::size_t>(length)];
      if (free > (std::uint64_t{1} << length)) return false;  // went below zero
      for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] == length) symbols_.push_back(static_cast<unsigned char>(i));
      }
    }
    return true;
  }

  void Single(unsigned symbol) { single_ = static_cast<int>(symbol); }

  // The next symbol, or -1 for a code no symbol has.
  int Decode(BitReader& bits) const {
    if (single_ >= 0) return single_;
    std::uint64_t code = 0, first = 0;
    std::size_t index = 0;
    for (int length = 1; length <= longest_; ++length) {
      code |= bits.Get(1);
      const unsigned count = perLength_[static_cast<std::size_t>(length)];
      if (code - first < count) return symbols_[index + static_cast<std::size_t>(code - first)];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

 private:
  int single_ = -1, longest_ = 0;
  std::array<unsigned, kLongest + 1> perLength_{};
  std::vector<unsigned char> symbols_;
};

// Symbols 0 to 7 are literals, their ranks in these spans; 8 and up copies,
// of 2 to 16 bytes for 8 to 22, else of a length in these spans.
const Span kPm2Ranks[8] = {{0, 3}, {8, 3}, {16, 4}, {32, 5}, {64, 5}, {96, 5}, {128, 6}, {192, 6}};
const Span kPm2Lengths[6] = {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}, {256, 0}};

class Pm2Decoder {
 public:
  Pm2Decoder(BitReader& bits, History& out) : bits_(bits), out_(out) {}

  DecodeResult Run() {
    while (!out_.Done()) {
      if (out_.Written() >= renewAt_ && !Renew()) return DecodeResult::Damaged;
      if (bits_.Exhausted()) return DecodeResult::Damaged;
      const int symbol = codes_.Decode(bits_);
      if (symbol < 0) return DecodeResult::Damaged;
      if (symbol < 8) {
        if (!out_.Literal(kPm2Ranks[symbol].Read(bits_))) return DecodeResult::Stopped;
        continue;
      }
      const DecodeResult copied = Copy(static_cast<unsigned>(symbol - 8));
      if (copied != DecodeResult::Ok) return copied;
    }
    return DecodeResult::Ok;
  }

 private:
  // The codes come at the start, and are renewed in steps as the output
  // grows: the distance classes after 1, 2 and 4 KiB, each time one class
  // more, as farther distances come within reach; at 4 KiB and every 4 KiB
  // after, a bit says whether a new code for the symbols follows (with its
  // distance classes, which at 4 KiB come in any case).
  bool Renew() {
    const std::uint64_t at = renewAt_;
    if (at == 0) bits_.Get(1);  // the stream's first bit means nothing
    const bool newCodes = at == 0 || (at >= 4096 && bits_.Get(1));
    if (newCodes && !ReadCodes()) return false;
    if ((at <= 4096 || newCodes) && needClasses_ && !ReadClasses(at == 0 ? 5 : at == 1024 ? 6 : at == 2048 ? 7 : 8)) {
      return false;
    }
    renewAt_ = at == 0 ? 1024 : at < 8192 ? at * 2 : at + 4096;
    return true;
  }

  bool ReadCodes() {
    const unsigned count = bits_.Get(5), shortest = bits_.Get(3);
    // Fewer than 10 symbols reach no copy that uses the distance classes,
    // nor does symbol 28 alone (runs of 256 of the last byte).
    needClasses_ = count >= 10 && !(count == 29 && shortest == 0);
    if (shortest == 0) {  // the last symbol alone
      if (count == 0) return false;
      codes_.Single(count - 1);
      return true;
    }
    const int width = static_cast<int>(bits_.Get(3));
    unsigned char lengths[31];
    for (unsigned i = 0; i < count; ++i) {
      const unsigned above = bits_.Get(width);  // 0: no code
      lengths[i] = static_cast<unsigned char>(above == 0 ? 0 : shortest + above - 1);
    }
    return codes_.Build(lengths, count);
  }

  bool ReadClasses(unsigned count) {
    unsigned char lengths[8];
    unsigned used = 0, last = 0;
    for (unsigned i = 0; i < count; ++i) {
      lengths[i] = static_cast<unsigned char>(bits_.Get(3));
      if (lengths[i] != 0) ++used, last = i;
    }
    if (used != 1) return classes_.Build(lengths, count);
    classes_.Single(last);
    return true;
  }

  // Symbol 8 copies 2 bytes from up to 64 back; 9 to 27 take their
  // distance's class from the classes' code: class 0 is 0 to 63, class k
  // from 2^(k+5) in k+5 bits. 28 repeats the last byte 256 times.
  DecodeResult Copy(unsigned c) {
    if (c > 20) return DecodeResult::Damaged;
    const unsigned length = c < 15 ? c + 2 : kPm2Lengths[c - 15].Read(bits_);
    unsigned distance = 0;
    if (c == 0) {
      distance = bits_.Get(6);
    } else if (c < 20) {
      const int k = classes_.Decode(bits_);
      if (k < 0) return DecodeResult::Damaged;
      distance = k == 0 ? bits_.Get(6) : (1u << (k + 5)) + bits_.Get(k + 5);
    }
    return out_.Copy(distance, length) ? DecodeResult::Ok : DecodeResult::Stopped;
  }

  BitReader& bits_;
  PmOutput out_;
  LengthCode codes_, classes_;
  bool needClasses_ = false;
  std::uint64_t renewAt_ = 0;
};

}  // namespace

DecodeResult DecodePm1(BitReader& bits, History& out) { return Pm1Decoder(bits, out).Run(); }

DecodeResult DecodePm2(BitReader& bits, History& out) { return Pm2Decoder(bits, out).Run(); }

}  // namespace archivers
