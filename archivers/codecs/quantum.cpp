// Quantum, the cabinet's method 2: LZ77 over a window of 2^10 to 2^21
// bytes in which every choice (literal or match, the byte, the length, the
// offset's slot) is coded arithmetically against an adaptive model, and the
// slots' extra bits follow as they are. The output goes in frames of
// 32 KiB; at each frame's end the coder starts afresh on the next whole
// byte after the frame's padding, while the models and the window go on.
// Platform-free.
//
// We read it as cabextract does, since its reading is the one real
// cabinets are known to come out of: a frame's padding is passed over up to
// a byte 0xFF that the reader itself puts after each data block (padding is
// zero bytes), and the input may run two zero bytes past its end, no more.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "codecs/decoders.h"

namespace archivers {

namespace {

constexpr std::uint64_t kFrame = 32768;
constexpr std::uint64_t kHandOnAt = 1 << 14;  // decoded bytes kept before they go to the sink
constexpr int kEndPadding = 2;                // zero bytes the coder may read past the input's end

// What a slot stands for: a base, and how many extra bits after the slot
// add to it. Offsets have up to 42 slots, two per power of two; lengths 27,
// four per power of two, the last of them 254 alone.
struct Slots {
  std::uint32_t offsetBase[42];
  std::uint8_t offsetExtra[42];
  std::uint16_t lengthBase[27];
  std::uint8_t lengthExtra[27];
  Slots() {
    for (std::uint32_t s = 0, base = 0; s < 42; ++s) {
      offsetExtra[s] = static_cast<std::uint8_t>(s < 2 ? 0 : (s - 2) / 2);
      offsetBase[s] = base;
      base += 1u << offsetExtra[s];
    }
    for (std::uint32_t s = 0, base = 0; s < 27; ++s) {
      lengthExtra[s] = static_cast<std::uint8_t>(s < 2 || s == 26 ? 0 : (s - 2) / 4);
      lengthBase[s] = static_cast<std::uint16_t>(base);
      base += 1u << lengthExtra[s];
    }
  }
};
const Slots kSlots;

// An adaptive model of up to 64 symbols, each with a count. `above[i]` is
// the sum of the counts of entries i and after, so that above[0] is the
// total and above[size] is 0. A symbol decoded adds 8 to its count; past a
// total of 3,800 the counts are halved, and the fourth time and every
// fiftieth time after that the entries are also sorted again, those that
// came most often first.
class Model {
 public:
  void Start(int first, int size) {
    size_ = size;
    halvingsLeft_ = 4;
    for (int i = 0; i <= size; ++i) {
      symbol_[i] = static_cast<std::uint16_t>(first + i);
      above_[i] = static_cast<std::uint16_t>(size - i);
    }
  }

  unsigned Above(int entry) const { return above_[entry]; }
  int Symbol(int entry) const { return symbol_[entry]; }

  // The entry whose range holds `target`: the first i > 0 whose sum lies at
  // or below it, or the last; its symbol is entry i - 1's. The sums fall
  // from each entry to the next, so the first is found by halving.
  int Find(unsigned target) const {
    const auto past = std::partition_point(above_ + 1, above_ + size_, [target](unsigned sum) { return sum > target; });
    return static_cast<int>(past - above_);
  }

  // Counts the symbol of entry `i` - 1.
  void Count(int i) {
    while (i > 0) above_[--i] += 8;
    if (above_[0] > 3800) Rescale();
  }

 private:
  void Rescale() {
    if (--halvingsLeft_ > 0) {
      // Halved, yet each entry keeps a count of at least 1.
      for (int i = size_ - 1; i >= 0; --i) {
        above_[i] >>= 1;
        if (above_[i] <= above_[i + 1]) above_[i] = static_cast<std::uint16_t>(above_[i + 1] + 1);
      }
      return;
    }
    halvingsLeft_ = 50;
    // The counts themselves, halved rounding up; sorted by exchanging each
    // entry with any later one that came more often (the order of equal
    // counts is part of the format); then summed again.
    for (int i = 0; i < size_; ++i) above_[i] = static_cast<std::uint16_t>((above_[i] - above_[i + 1] + 1) >> 1);
    for (int i = 0; i + 1 < size_; ++i) {
      for (int j = i + 1; j < size_; ++j) {
        if (above_[i] < above_[j]) std::swap(above_[i], above_[j]), std::swap(symbol_[i], symbol_[j]);
      }
    }
    for (int i = size_ - 1; i >= 0; --i) above_[i] = static_cast<std::uint16_t>(above_[i] + above_[i + 1]);
  }

  int size_ = 0, halvingsLeft_ = 0;
  std::uint16_t symbol_[65] = {}, above_[65] = {};
};

// The folder's bytes, most significant bit first: each data block, then the
// reader's own 0xFF, then past the last block zero bytes, counted.
class Input {
 public:
  explicit Input(QuantumDecoder::Blocks blocks) : blocks_(std::move(blocks)) {}

  unsigned Take(int n) {
    while (held_ < n) {
      bits_ = bits_ << 8 | Byte();
      held_ += 8;
    }
    held_ -= n;
    return static_cast<unsigned>(bits_ >> held_) & ((1u << n) - 1);
  }
  // Drops what is left of the byte being read.
  void Align() { held_ -= held_ % 8; }
  bool Overrun() const { return padding_ > kEndPadding; }

 private:
  unsigned Byte() {
    for (;;) {
      if (at_ < end_) return *at_++;
      if (!marked_) {
        marked_ = true;
        return 0xFF;
      }
      std::size_t size = 0;
      if (padding_ > 0 || !blocks_(at_, size)) break;
      end_ = at_ + size;
      marked_ = false;
    }
    at_ = end_ = nullptr;
    ++padding_;
    return 0;
  }

  QuantumDecoder::Blocks blocks_;
  const unsigned char *at_ = nullptr, *end_ = nullptr;
  bool marked_ = true;  // the block read last has had its 0xFF
  int padding_ = 0;
  std::uint64_t bits_ = 0;
  int held_ = 0;
};

}  // namespace

class QuantumDecoder::Stream {
 public:
  Stream(int windowBits, Blocks blocks) : input_(std::move(blocks)) {
    if (windowBits < 10 || windowBits > 21) return;
    const std::size_t window = std::size_t{1} << windowBits;
    // Room for the window, and for what is decoded and not yet handed on.
    // Left as it comes: nothing is read from it before it is written.
    ringSize_ = 2 * std::max<std::size_t>(window, 32768);
    ring_.reset(new unsigned char[ringSize_]);
    mask_ = ringSize_ - 1;
    for (int m = 0; m < 4; ++m) literals_[m].Start(64 * m, 64);
    const int slots = 2 * windowBits;
    match3_.Start(0, std::min(slots, 24));
    match4_.Start(0, std::min(slots, 36));
    matchLong_.Start(0, slots);
    length_.Start(0, 27);
    kind_.Start(0, 7);
  }

  DecodeResult Decode(std::uint64_t count, const Sink& sink) {
    if (!ring_) return DecodeResult::Damaged;
    const std::uint64_t end = given_ + count;
    while (made_ < end) {
      if (made_ - given_ >= kHandOnAt && !HandOn(made_, sink)) return DecodeResult::Stopped;
      if (!Step()) return DecodeResult::Damaged;
    }
    // A match may run past `end`: the rest is the next Decode's.
    return HandOn(end, sink) ? DecodeResult::Ok : DecodeResult::Stopped;
  }

 private:
  // One literal or match; false when the stream is damaged.
  bool Step() {
    if (!inFrame_) {
      low_ = 0, high_ = 0xFFFF, code_ = static_cast<std::uint16_t>(input_.Take(16));
      inFrame_ = true;
    }
    const int kind = Symbol(kind_);
    std::uint64_t length = 1;
    if (kind < 4) {
      ring_[made_++ & mask_] = static_cast<unsigned char>(Symbol(literals_[kind]));
    } else {
      int slot;
      if (kind == 6) {
        slot = Symbol(length_);
        length = kSlots.lengthBase[slot] + input_.Take(kSlots.lengthExtra[slot]) + 5;
        slot = Symbol(matchLong_);
      } else {
        length = kind - 1;  // 3 or 4
        slot = Symbol(kind == 4 ? match3_ : match4_);
      }
      // The slots a window has reach no further back than the window.
      const std::uint64_t offset = kSlots.offsetBase[slot] + input_.Take(kSlots.offsetExtra[slot]) + 1;
      // Nothing lies before the folder's start, and a match ends within
      // its frame.
      if (offset > made_ || length > frameLeft_) return false;
      Copy(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    }
    frameLeft_ -= length;
    if (frameLeft_ == 0) {
      input_.Align();
      while (!input_.Overrun() && input_.Take(8) != 0xFF) {
      }
      inFrame_ = false;
      frameLeft_ = kFrame;
    }
    return !input_.Overrun();
  }

  // The next symbol of `model`: its range within the interval [low, high]
  // is the one the code value lies in; the interval narrows to it, and its
  // leading bits, once they can no longer change, are shifted out while the
  // code takes in as many new ones. When the interval closes in on its
  // middle (low 01..., high 10...), the second bit is dropped instead, as
  // the encoder did. The sums are unsigned 32-bit ones that wrap as
  // cabextract's do, so that a damaged stream goes the same way there and
  // here.
  int Symbol(Model& model) {
    const std::uint32_t total = model.Above(0);
    const std::uint32_t span = ((high_ - low_) & 0xFFFFu) + 1;
    const std::uint32_t target = ((static_cast<std::uint32_t>(code_ - low_ + 1) * total - 1) / span) & 0xFFFF;
    const int i = model.Find(target);
    const int symbol = model.Symbol(i - 1);
    const std::uint32_t width = static_cast<std::uint32_t>(high_ - low_ + 1);
    high_ = static_cast<std::uint16_t>(low_ + model.Above(i - 1) * width / total - 1);
    low_ = static_cast<std::uint16_t>(low_ + model.Above(i) * width / total);
    model.Count(i);
    for (;;) {
      if ((low_ ^ high_) & 0x8000) {
        if (!(low_ & 0x4000) || (high_ & 0x4000)) break;
        code_ ^= 0x4000;
        low_ &= 0x3FFF;
        high_ |= 0x4000;
      }
      low_ = static_cast<std::uint16_t>(low_ << 1);
      high_ = static_cast<std::uint16_t>(high_ << 1 | 1);
      code_ = static_cast<std::uint16_t>(code_ << 1 | input_.Take(1));
    }
    return symbol;
  }

  // A match: the `length` bytes from `offset` back, each copied after the
  // one before, so that a match longer than its offset repeats itself.
  // Where neither end wraps around the ring, it goes in runs of `offset`
  // bytes at most, none of which overlaps what it copies.
  void Copy(std::size_t offset, std::size_t length) {
    const std::size_t at = static_cast<std::size_t>(made_ & mask_);
    made_ += length;
    if (at < offset || at + length > ringSize_) {
      for (std::size_t i = 0; i < length; ++i) ring_[(at + i) & mask_] = ring_[(at + i - offset) & mask_];
      return;
    }
    unsigned char* to = ring_.get() + at;
    if (offset == 1) {
      std::memset(to, to[-1], length);
      return;
    }
    for (std::size_t run; length > 0; to += run, length -= run) {
      run = std::min(length, offset);
      std::memcpy(to, to - offset, run);
    }
  }

  // Hands the bytes decoded up to `end` on to the sink.
  bool HandOn(std::uint64_t end, const Sink& sink) {
    while (given_ < end) {
      const std::size_t at = static_cast<std::size_t>(given_ & mask_);
      const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(end - given_, ringSize_ - at));
      if (!sink(ring_.get() + at, run)) return false;
      given_ += run;
    }
    return true;
  }

  Input input_;
  std::unique_ptr<unsigned char[]> ring_;
  std::size_t ringSize_ = 0, mask_ = 0;
  std::uint64_t made_ = 0, given_ = 0;  // bytes of the stream decoded, and handed on
  std::uint64_t frameLeft_ = kFrame;
  bool inFrame_ = false;
  std::uint16_t low_ = 0, high_ = 0, code_ = 0;
  Model kind_;         // 0 to 3: a literal of that quarter of the bytes; 4, 5: a match of 3 or 4; 6: longer
  Model literals_[4];  // the bytes 0-63, 64-127, 128-191, 192-255
  Model match3_, match4_, matchLong_, length_;
};

QuantumDecoder::QuantumDecoder(int windowBits, Blocks blocks)
    : stream_(std::make_unique<Stream>(windowBits, std::move(blocks))) {}

QuantumDecoder::~QuantumDecoder() = default;

DecodeResult QuantumDecoder::Decode(std::uint64_t count, const Sink& sink) { return stream_->Decode(count, sink); }

}  // namespace archivers
