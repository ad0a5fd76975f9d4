// Deflate64, zip's method 9: deflate (RFC 1951) with a 64 KiB window,
// length code 285 standing for 3 and 16 extra bits (up to 65,538 bytes),
// and distance codes 30 and 31 (32,769 and 49,153, 14 extra bits each).
// zlib does not decode it, so we do, streaming: the input comes a piece at
// a time into a 64-bit buffer read least significant bit first, the codes
// are looked up in tables (a 10-bit first level for literals and lengths,
// 8 bits for distances, a second level below each for longer codes), and
// the output is written into a buffer that keeps the last 64 KiB when it
// moves on, so that a match is a plain forward copy. Platform-free.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/decoders.h"
#include "formats/endian.h"

namespace archivers {

namespace {

constexpr std::size_t kWindow = 1 << 16;
constexpr std::size_t kMaxMatch = 3 + 0xFFFF;
constexpr int kMaxBits = 15;
constexpr int kLitRoot = 10, kDistRoot = 8, kCodeRoot = 7;

// A table entry holds in bits 0 to 4 how many bits its code takes, in 5 to
// 9 how many extra bits follow the code, in 10 to 13 what it is, and in 16
// to 31 its value: a literal byte, a length's or distance's base, or where
// a second level begins (whose width the extra bits' field then holds).
enum EntryKind : std::uint32_t { kLiteral = 1 << 10, kEnd = 1 << 11, kSubtable = 1 << 12, kInvalid = 1 << 13 };

constexpr std::uint32_t Entry(std::uint32_t value, std::uint32_t extra, std::uint32_t kind = 0) {
  return value << 16 | extra << 5 | kind;
}

// A complete code's second levels each hold two codes at least, so below
// its first level the literal/length table (288 symbols) needs at most 144
// second levels of up to 32 entries, the distance table (32) 16 of 128.
constexpr std::size_t kLitSize = (1 << kLitRoot) + 144 * (1 << (kMaxBits - kLitRoot));
constexpr std::size_t kDistSize = (1 << kDistRoot) + 16 * (1 << (kMaxBits - kDistRoot));

// What each symbol stands for.
struct Alphabets {
  std::uint32_t lit[288], dist[32], code[19];
  Alphabets() {
    for (std::uint32_t s = 0; s < 256; ++s) lit[s] = Entry(s, 0, kLiteral);
    lit[256] = Entry(0, 0, kEnd);
    static const std::uint16_t lengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
    static const std::uint8_t lengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
    for (int s = 257; s <= 285; ++s) lit[s] = Entry(lengthBase[s - 257], lengthExtra[s - 257]);
    lit[286] = lit[287] = Entry(0, 0, kInvalid);
    for (std::uint32_t s = 0, base = 1; s < 32; ++s) {
      const std::uint32_t extra = s < 4 ? 0 : s / 2 - 1;
      dist[s] = Entry(base, extra);
      base += 1u << extra;
    }
    for (std::uint32_t s = 0; s < 19; ++s) code[s] = Entry(s, 0);
  }
};
const Alphabets kAlphabets;

// The code lengths' own lengths come in this order.
const std::uint8_t kCodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr std::uint64_t Mask(unsigned bits) { return (std::uint64_t{1} << bits) - 1; }

// Fills `table` for the canonical code of `lengths` (each at most 15), the
// first level `root` bits wide. False for lengths that make no code: more
// codes than there is room for, or fewer, but for a lone code of one bit
// and for none at all (a block of literals alone needs no distances),
// whose unused entries decode as damage.
bool BuildTable(const unsigned char* lengths, int symbols, const std::uint32_t* meaning, int root, std::uint32_t* table,
                std::size_t capacity) {
  unsigned count[kMaxBits + 1] = {};
  for (int s = 0; s < symbols; ++s) ++count[lengths[s]];
  count[0] = 0;
  int left = 1;
  unsigned used = 0;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = (left << 1) - static_cast<int>(count[length]);
    used += count[length];
    if (left < 0) return false;
  }
  if (left > 0 && used > 1) return false;
  if (left > 0 && used == 1 && count[1] != 1) return false;

  // The first code of each length, most significant bit first; our lookup
  // takes them bit-reversed, as they come in the stream.
  std::uint32_t next[kMaxBits + 1] = {};
  for (int length = 1, code = 0; length <= kMaxBits; ++length) {
    code = (code + static_cast<int>(count[length - 1])) << 1;
    next[length] = static_cast<std::uint32_t>(code);
  }
  std::uint32_t reversed[288];
  for (int s = 0; s < symbols; ++s) {
    std::uint32_t code = lengths[s] ? next[lengths[s]]++ : 0, r = 0;
    for (int i = 0; i < lengths[s]; ++i, code >>= 1) r = r << 1 | (code & 1);
    reversed[s] = r;
  }

  // A second level for each first-level entry that longer codes share, as
  // wide as the longest of them needs.
  const std::uint32_t rootSize = 1u << root, rootMask = rootSize - 1;
  unsigned char width[1 << kLitRoot] = {};
  for (int s = 0; s < symbols; ++s) {
    if (lengths[s] > root) {
      unsigned char& w = width[reversed[s] & rootMask];
      w = std::max<unsigned char>(w, static_cast<unsigned char>(lengths[s] - root));
    }
  }
  std::fill(table, table + rootSize, Entry(0, 0, kInvalid));
  std::size_t end = rootSize;
  for (std::uint32_t i = 0; i < rootSize; ++i) {
    if (width[i] == 0) continue;
    if (end + (std::size_t{1} << width[i]) > capacity) return false;
    table[i] = Entry(static_cast<std::uint32_t>(end), width[i], kSubtable) | static_cast<std::uint32_t>(root);
    end += std::size_t{1} << width[i];
  }
  for (int s = 0; s < symbols; ++s) {
    const unsigned length = lengths[s];
    if (length == 0) continue;
    if (length <= static_cast<unsigned>(root)) {
      for (std::uint32_t i = reversed[s]; i < rootSize; i += 1u << length) table[i] = meaning[s] | length;
      continue;
    }
    const std::uint32_t link = table[reversed[s] & rootMask];
    std::uint32_t* level = table + (link >> 16);
    const unsigned rest = length - static_cast<unsigned>(root);
    for (std::uint32_t i = reversed[s] >> root; i < (1u << ((link >> 5) & 31)); i += 1u << rest) {
      level[i] = meaning[s] | rest;
    }
  }
  return true;
}

class Inflater {
 public:
  Inflater(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original, const Sink& sink)
      : source_(source),
        at_(offset),
        unread_(packed),
        input_(static_cast<std::size_t>(std::min<std::uint64_t>(packed, kPiece)) + 8),
        original_(original),
        sink_(sink) {
    // A member that fits is decoded in one piece, with room for the few
    // bytes a match's copy writes past its end; a larger one moves on
    // each megabyte, keeping the window.
    const bool moves = original > kChunk;
    out_.resize(moves ? kChunk + kMaxMatch + 16 : static_cast<std::size_t>(original) + 16);
    moveAt_ = moves ? kChunk : out_.size();
    limit_ = static_cast<std::size_t>(std::min<std::uint64_t>(original, out_.size()));
    next_ = end_ = input_.data();
  }

  DecodeResult Run() {
    for (bool last = false; !last;) {
      if (!Refill()) return DecodeResult::Damaged;
      last = Take(1) != 0;
      DecodeResult result = DecodeResult::Damaged;
      switch (Take(2)) {
        case 0: result = Stored(); break;
        case 1: result = FixedTables() ? Codes() : DecodeResult::Damaged; break;
        case 2: result = DynamicTables() ? Codes() : DecodeResult::Damaged; break;
        default: break;
      }
      if (result != DecodeResult::Ok) return result;
    }
    // The stream's last bit lies within the input, and it gave the member
    // to its last byte.
    if (padded_ * 8 > count_ || base_ + pos_ != original_) return DecodeResult::Damaged;
    return pos_ == flushed_ || sink_(out_.data() + flushed_, pos_ - flushed_) ? DecodeResult::Ok
                                                                              : DecodeResult::Stopped;
  }

 private:
  static constexpr std::size_t kPiece = 1 << 18;
  static constexpr std::size_t kChunk = 1 << 20;

  // Tops the bit buffer up to 56 bits at least. Eight bytes are read at
  // once while the piece has them; the bits beyond the count are those of
  // the next bytes, which the next top-up puts in again where they are.
  // Past the input's end come zero bytes, counted: false once more of them
  // than the buffer can hold means the stream ran past its end.
  bool Refill() {
    if (end_ - next_ < 8 && unread_ > 0) Load();
    if (end_ - next_ >= 8) {
      bits_ |= Le64(next_) << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;  // the count grew by whole bytes to 56 to 63
      return true;
    }
    while (count_ < 56) {
      if (next_ < end_) bits_ |= std::uint64_t{*next_++} << count_;
      else ++padded_;
      count_ += 8;
    }
    return padded_ <= 8;
  }

  // Moves the piece's last bytes to the front and reads the next piece
  // after them; a short read ends the input.
  bool Load() {
    const std::size_t keep = static_cast<std::size_t>(end_ - next_);
    std::memmove(input_.data(), next_, keep);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(unread_, input_.size() - keep));
    const std::size_t got = source_.ReadAt(at_, input_.data() + keep, want);
    at_ += got;
    unread_ = got == want ? unread_ - got : 0;
    next_ = input_.data();
    end_ = next_ + keep + got;
    return got > 0;
  }

  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  unsigned Take(unsigned n) {
    const unsigned value = static_cast<unsigned>(bits_ & Mask(n));
    Drop(n);
    return value;
  }

  // The next code's entry, its bits taken; at most 15 bits.
  std::uint32_t Decode(const std::uint32_t* table, unsigned root) {
    std::uint32_t e = table[bits_ & Mask(root)];
    if (e & kSubtable) {
      Drop(root);
      e = table[(e >> 16) + (bits_ & Mask((e >> 5) & 31))];
    }
    Drop(e & 31);
    return e;
  }

  // Hands on what is decoded and keeps the window's worth of it.
  bool Move() {
    if (!sink_(out_.data() + flushed_, pos_ - flushed_)) return false;
    std::memmove(out_.data(), out_.data() + pos_ - kWindow, kWindow);
    base_ += pos_ - kWindow;
    pos_ = flushed_ = kWindow;
    limit_ = static_cast<std::size_t>(std::min<std::uint64_t>(original_ - base_, out_.size()));
    return true;
  }

  DecodeResult Stored() {
    Drop(count_ & 7);
    if (!Refill()) return DecodeResult::Damaged;
    const unsigned length = Take(16), complement = Take(16);
    if (pos_ > moveAt_ && !Move()) return DecodeResult::Stopped;
    if (length != (~complement & 0xFFFF) || length > limit_ - pos_) return DecodeResult::Damaged;
    // The bytes already in the bit buffer first, then the input's.
    std::size_t left = length;
    for (; left > 0 && count_ >= 8; --left) out_[pos_++] = static_cast<unsigned char>(Take(8));
    if (count_ == 0) bits_ = 0;  // what lay beyond the count is copied below
    while (left > 0) {
      if (next_ == end_ && (padded_ > 0 || unread_ == 0 || !Load())) return DecodeResult::Damaged;
      const std::size_t run = std::min<std::size_t>(left, static_cast<std::size_t>(end_ - next_));
      std::memcpy(&out_[pos_], next_, run);
      next_ += run, pos_ += run, left -= run;
    }
    return DecodeResult::Ok;
  }

  bool FixedTables() {
    unsigned char lengths[288 + 32];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::fill(lengths + 288, lengths + 320, 5);
    return BuildTable(lengths, 288, kAlphabets.lit, kLitRoot, lit_, kLitSize) &&
           BuildTable(lengths + 288, 32, kAlphabets.dist, kDistRoot, dist_, kDistSize);
  }

  bool DynamicTables() {
    const unsigned lits = Take(5) + 257, dists = Take(5) + 1, codes = Take(4) + 4;
    if (lits > 286) return false;
    unsigned char lengths[288 + 32] = {};
    for (unsigned i = 0; i < codes; ++i) {
      if (!Refill()) return false;
      lengths[kCodeOrder[i]] = static_cast<unsigned char>(Take(3));
    }
    if (!BuildTable(lengths, 19, kAlphabets.code, kCodeRoot, code_, 1 << kCodeRoot)) return false;
    // The lengths of both codes as one run: a repeat may cross from one to
    // the other.
    const unsigned total = lits + dists;
    for (unsigned i = 0; i < total;) {
      if (!Refill()) return false;
      const std::uint32_t e = Decode(code_, kCodeRoot);
      if (e & kInvalid) return false;
      const unsigned symbol = e >> 16;
      if (symbol < 16) {
        lengths[i++] = static_cast<unsigned char>(symbol);
        continue;
      }
      unsigned repeat, value = 0;
      if (symbol == 16) {
        if (i == 0) return false;
        value = lengths[i - 1], repeat = 3 + Take(2);
      } else if (symbol == 17) {
        repeat = 3 + Take(3);
      } else {
        repeat = 11 + Take(7);
      }
      if (repeat > total - i) return false;
      std::fill(lengths + i, lengths + i + repeat, static_cast<unsigned char>(value));
      i += repeat;
    }
    if (lengths[256] == 0) return false;  // a block that could not end
    return BuildTable(lengths, static_cast<int>(lits), kAlphabets.lit, kLitRoot, lit_, kLitSize) &&
           BuildTable(lengths + lits, static_cast<int>(dists), kAlphabets.dist, kDistRoot, dist_, kDistSize);
  }

  // A block's literals and matches, to its end code.
  DecodeResult Codes() {
    unsigned char* const out = out_.data();
    for (;;) {
      if (pos_ > moveAt_ && !Move()) return DecodeResult::Stopped;
      if (!Refill()) return DecodeResult::Damaged;
      std::uint32_t e = Decode(lit_, kLitRoot);
      if (e & kLiteral) {
        if (pos_ == limit_) return DecodeResult::Damaged;
        out[pos_++] = static_cast<unsigned char>(e >> 16);
        continue;
      }
      if (e & kEnd) return DecodeResult::Ok;
      if (e & kInvalid) return DecodeResult::Damaged;
      const std::size_t length = (e >> 16) + Take((e >> 5) & 31);
      // A code and its extra bits take up to 31 bits, a distance's 29.
      if (count_ < 29 && !Refill()) return DecodeResult::Damaged;
      e = Decode(dist_, kDistRoot);
      if (e & kInvalid) return DecodeResult::Damaged;
      const std::size_t distance = (e >> 16) + Take((e >> 5) & 31);
      if (distance > pos_ || length > limit_ - pos_) return DecodeResult::Damaged;
      Copy(out + pos_, distance, length);
      pos_ += length;
    }
  }

  // A match: eight bytes at a time while the distance allows it, which may
  // write up to seven bytes past the match (the buffer has room for them).
  static void Copy(unsigned char* to, std::size_t distance, std::size_t length) {
    const unsigned char* from = to - distance;
    unsigned char* const end = to + length;
    if (distance >= 8) {
      do {
        std::memcpy(to, from, 8);
        to += 8, from += 8;
      } while (to < end);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      while (to < end) *to++ = *from++;
    }
  }

  ByteSource& source_;
  std::uint64_t at_, unread_;
  std::vector<unsigned char> input_;
  const unsigned char *next_, *end_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0, padded_ = 0;

  std::uint64_t original_, base_ = 0;  // the member's size; what was handed on before out_[0]
  std::vector<unsigned char> out_;
  std::size_t pos_ = 0, flushed_ = 0, moveAt_, limit_;  // limit_: the member's end, or beyond the buffer's
  const Sink& sink_;

  std::uint32_t lit_[kLitSize], dist_[kDistSize], code_[1 << kCodeRoot];
};

}  // namespace

DecodeResult InflateDeflate64(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                              const Sink& sink) {
  // No data at all for no bytes: an empty member, as some writers store one.
  if (packed == 0 && original == 0) return DecodeResult::Ok;
  return std::make_unique<Inflater>(source, offset, packed, original, sink)->Run();
}

}  // namespace archivers
