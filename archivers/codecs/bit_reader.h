// Bits read from a member's bytes, a piece at a time: most significant
// first, as ARJ and LZH store them, or least significant first, as zip's
// shrink, reduce and implode do. Platform-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

// A member's bytes in order, read a piece at a time. Past the end it
// supplies zero bytes and counts them, so that a decoder can tell damaged
// input from the look-ahead a well-formed member ends with.
class PaddedBytes {
 public:
  PaddedBytes(ByteSource& source, std::uint64_t offset, std::uint64_t size)
      : source_(source),
        offset_(offset),
        size_(size),
        buffer_(static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size))) {}  // a small member's size

  unsigned Next() {
    if (next_ == held_ && read_ < size_) Load();
    if (next_ < held_) return buffer_[next_++];
    ++padding_;
    return 0;
  }

  // The zero bytes given past the end.
  std::uint64_t Padding() const { return padding_; }

  void Take(std::size_t count) { next_ += count; }
  // The piece at hand from the next byte, and where it ends.
  const unsigned char* At() const { return buffer_.data() + next_; }
  const unsigned char* End() const { return buffer_.data() + held_; }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;

  void Load() {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size_ - read_));
    held_ = source_.ReadAt(offset_ + read_, buffer_.data(), want);
    read_ = held_ == want ? read_ + held_ : size_;  // a short read ends the input
    next_ = 0;
  }

  ByteSource& source_;
  std::uint64_t offset_, size_, read_ = 0;
  std::vector<unsigned char> buffer_;
  std::size_t next_ = 0, held_ = 0;
  std::uint64_t padding_ = 0;
};

// Most significant bit first. At least 32 bits are held at any time,
// eight bytes at a time where the piece at hand has them.
class BitReader {
 public:
  BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size) : bytes_(source, offset, size) { Fill(); }

  // The next 16 bits, not consumed.
  unsigned Peek16() const { return static_cast<unsigned>(acc_ >> 48); }

  // Up to 32 bits.
  void Skip(int bits) {
    acc_ <<= bits;
    count_ -= bits;
    if (count_ < 32) Fill();
  }

  // Up to 32 bits; -lhx-'s offsets take 18.
  unsigned Get(int bits) {
    if (bits == 0) return 0;
    const unsigned value = static_cast<unsigned>(acc_ >> (64 - bits));
    Skip(bits);
    return value;
  }

  // The reader's state lent to a decoder's inner loop, which keeps it in
  // registers: it refills eight bytes at a time (Refill) while the piece
  // has eight bytes ahead, and gives the state back before using the reader.
  struct Lent {
    std::uint64_t acc;
    int count;
    const unsigned char* next;
    const unsigned char* end;  // of the piece at hand

    bool CanRefill() const { return end - next >= 8; }
    void Refill() {
      // The bits below the count are the stream's own next bits: OR-ing
      // them in again later changes nothing.
      acc |= Load(next) >> count;
      next += static_cast<unsigned>(63 - count) >> 3;
      count |= 56;
    }
    void Skip(int bits) {
      acc <<= bits;
      count -= bits;
    }
  };
  Lent Lend() const { return {acc_, count_, bytes_.At(), bytes_.End()}; }
  void GiveBack(const Lent& lent) {
    Adopt(lent);
    if (count_ < 32) Fill();
  }

  // More zeros taken than the two bytes of look-ahead a member ends with:
  // a whole byte of the padding consumed.
  bool Exhausted() const { return bytes_.Padding() * 8 >= static_cast<std::uint64_t>(count_) + 8; }

 private:
  void Adopt(const Lent& lent) {
    bytes_.Take(static_cast<std::size_t>(lent.next - bytes_.At()));
    acc_ = lent.acc;
    count_ = lent.count;
  }

  // Eight bytes at a time where the piece has them, else a byte at a time.
  void Fill() {
    Lent lent = Lend();
    if (lent.CanRefill()) {
      lent.Refill();
      Adopt(lent);
      return;
    }
    while (count_ <= 48) {  // never all 64: a refill shifts by the count
      acc_ |= static_cast<std::uint64_t>(bytes_.Next()) << (56 - count_);
      count_ += 8;
    }
  }

  static std::uint64_t Load(const unsigned char* p) {
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i) word = word << 8 | p[i];
    return word;
  }

  PaddedBytes bytes_;
  std::uint64_t acc_ = 0;
  int count_ = 0;
};

// Least significant bit first.
class LsbBitReader {
 public:
  LsbBitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size) : bytes_(source, offset, size) { Fill(); }

  // The next `bits` (up to 24), not consumed; the first of them in bit 0.
  unsigned Peek(int bits) const { return acc_ & ((1u << bits) - 1); }

  void Skip(int bits) {
    acc_ >>= bits;
    count_ -= bits;
    Fill();
  }

  unsigned Get(int bits) {
    const unsigned value = Peek(bits);
    Skip(bits);
    return value;
  }

  // Whether a bit taken lay past the end of the member's data: the bits
  // still held are fewer than the zeros put in after it.
  bool Overrun() const { return bytes_.Padding() * 8 > static_cast<std::uint64_t>(count_); }

 private:
  void Fill() {
    while (count_ <= 24) {
      acc_ |= static_cast<std::uint32_t>(bytes_.Next()) << count_;
      count_ += 8;
    }
  }

  PaddedBytes bytes_;
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

}  // namespace archivers
