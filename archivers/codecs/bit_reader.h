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
      : source_(source), offset_(offset), size_(size), buffer_(kPiece) {}

  unsigned Next() {
    if (next_ == held_ && read_ < size_) Load();
    if (next_ < held_) return buffer_[next_++];
    ++padding_;
    return 0;
  }

  // The zero bytes given past the end.
  std::uint64_t Padding() const { return padding_; }

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

// Most significant bit first.
class BitReader {
 public:
  BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size) : bytes_(source, offset, size) { Fill(); }

  // The next 16 bits, not consumed.
  unsigned Peek16() const { return acc_ >> 16; }

  void Skip(int bits) {
    acc_ <<= bits;
    count_ -= bits;
    Fill();
  }

  // Up to 24 bits; -lhx-'s offsets take 18.
  unsigned Get(int bits) {
    if (bits == 0) return 0;
    if (bits > 16) {
      const unsigned high = Get(bits - 16);
      return high << 16 | Get(16);
    }
    unsigned value = Peek16() >> (16 - bits);
    Skip(bits);
    return value;
  }

  // More zeros taken than the two bytes of look-ahead a member ends with.
  bool Exhausted() const { return bytes_.Padding() > 4; }

 private:
  void Fill() {
    while (count_ <= 24) {
      acc_ |= static_cast<std::uint32_t>(bytes_.Next()) << (24 - count_);
      count_ += 8;
    }
  }

  PaddedBytes bytes_;
  std::uint32_t acc_ = 0;
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
