// zip's Shrink, method 1: LZW on codes of 9 bits at first and up to 13,
// least significant bit first. Codes 0 to 255 are the bytes; each code read
// after the first adds a string to the table, the one before it extended by
// the first byte of its own, under the lowest code that is free. Code 256
// says more in the code after it: 1 makes the codes a bit longer, 2 frees
// every leaf of the table's tree (each string no other one extends), whose
// codes are then handed out again. A string may thus be added with a
// prefix that was just freed: it stands for whatever that code comes to
// mean later, and a code that reaches a free one is damage. No code ends
// the data: it ends with the member's size. Platform-free.
#include <memory>
#include <vector>

#include "codecs/decoders.h"

namespace archivers {

namespace {

constexpr unsigned kControl = 256, kFirstString = 257, kCodes = 1 << 13;
constexpr int kFirstWidth = 9, kLastWidth = 13;
constexpr std::uint16_t kNone = 0xFFFF;  // a free code's prefix

class Unshrinker {
 public:
  Unshrinker(LsbBitReader& bits, History& out) : bits_(bits), out_(out) {
    for (unsigned code = 0; code < kCodes; ++code) prefix_[code] = kNone;
    for (unsigned code = kFirstString; code < kCodes; ++code) SetFree(code, true);
  }

  DecodeResult Run() {
    int width = kFirstWidth;
    unsigned searchFrom = kFirstString;  // no code below it is free
    unsigned last = kNone;               // the code before, none at first
    unsigned char lastFirst = 0;         // the first byte of its string
    while (!out_.Done()) {
      if (bits_.Overrun()) return DecodeResult::Damaged;
      const unsigned code = bits_.Get(width);
      if (code == kControl) {
        switch (bits_.Get(width)) {
          case 1:
            if (width == kLastWidth) return DecodeResult::Damaged;
            ++width;
            break;
          case 2:
            PartialClear();
            searchFrom = kFirstString;
            break;
          default: return DecodeResult::Damaged;
        }
        continue;
      }
      // The string of the code before, extended, is added before this code
      // is read out: a code may name the string it adds itself (the last
      // string and its first byte again), whose last byte is then already
      // right. When the table is full nothing is added.
      unsigned added = kNone;
      if (last != kNone) {
        added = LowestFree(searchFrom);
        if (added < kCodes) {
          Add(added, last, lastFirst);
          searchFrom = added + 1;
        }
      }
      // The string from its last byte back to its first.
      std::size_t length = 0;
      unsigned at = code;
      while (at >= kFirstString) {
        // A free code, or a loop of prefixes through freed codes.
        if (prefix_[at] == kNone || length == kCodes - 1) return DecodeResult::Damaged;
        reversed_[length++] = suffix_[at];
        at = prefix_[at];
      }
      const unsigned char first = static_cast<unsigned char>(at);
      reversed_[length++] = first;
      if (added < kCodes) suffix_[added] = first;
      if (length > out_.Left()) return DecodeResult::Damaged;
      while (length > 0) {
        if (!out_.Put(reversed_[--length])) return DecodeResult::Stopped;
      }
      last = code;
      lastFirst = first;
    }
    return DecodeResult::Ok;
  }

 private:
  bool IsFree(unsigned code) const { return free_[code / 64] >> (code % 64) & 1; }
  void SetFree(unsigned code, bool free) {
    const std::uint64_t bit = std::uint64_t{1} << (code % 64);
    free_[code / 64] = free ? free_[code / 64] | bit : free_[code / 64] & ~bit;
  }

  // The lowest free code from `from` on, or kCodes.
  unsigned LowestFree(unsigned from) const {
    for (unsigned code = from; code < kCodes; code = (code / 64 + 1) * 64) {
      std::uint64_t word = free_[code / 64] >> (code % 64);
      if (word == 0) continue;
      for (; !(word & 1); word >>= 1) ++code;
      return code;
    }
    return kCodes;
  }

  // Each code in use counts the codes in use whose prefix it is; one that
  // has none is a leaf, and every leaf is among leaves_.
  void Add(unsigned code, unsigned prefix, unsigned char provisional) {
    SetFree(code, false);
    prefix_[code] = static_cast<std::uint16_t>(prefix);
    suffix_[code] = provisional;
    if (prefix >= kFirstString) ++children_[prefix];
    // A freed prefix may have left strings behind that name this code.
    if (children_[code] == 0) leaves_.push_back(static_cast<std::uint16_t>(code));
  }

  // Frees the leaves there are now; the prefixes they leave without
  // strings extending them are the next clearing's.
  void PartialClear() {
    std::size_t count = 0;
    for (const std::uint16_t code : leaves_) {
      if (IsFree(code) || children_[code] != 0) continue;
      SetFree(code, true);
      leaves_[count++] = code;
    }
    std::vector<std::uint16_t> next;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned prefix = prefix_[leaves_[i]];
      prefix_[leaves_[i]] = kNone;
      if (prefix >= kFirstString && --children_[prefix] == 0 && !IsFree(prefix)) {
        next.push_back(static_cast<std::uint16_t>(prefix));
      }
    }
    leaves_.swap(next);
  }

  LsbBitReader& bits_;
  History& out_;
  std::uint16_t prefix_[kCodes];
  unsigned char suffix_[kCodes] = {};
  std::uint16_t children_[kCodes] = {};
  std::uint64_t free_[kCodes / 64] = {};
  std::vector<std::uint16_t> leaves_;
  unsigned char reversed_[kCodes];
};

}  // namespace

DecodeResult DecodeShrink(LsbBitReader& bits, History& out) { return std::make_unique<Unshrinker>(bits, out)->Run(); }

}  // namespace archivers
