// Bits read most significant first from a member's bytes, a piece at a
// time, as ARJ and LZH store them. Platform-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

// Past the end it supplies zero bytes and counts them, so a decoder can tell
// damaged input from the two bytes of look-ahead a well-formed member ends
// with.
class BitReader {
 public:
  BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size)
      : source_(source), offset_(offset), size_(size), buffer_(kPiece) {
    Fill();
  }

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

  bool Exhausted() const { return padding_ > 4; }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;

  void Fill() {
    while (count_ <= 24) {
      unsigned byte = 0;
      if (next_ == held_ && read_ < size_) Load();
      if (next_ < held_) byte = buffer_[next_++];
      else ++padding_;
      acc_ |= static_cast<std::uint32_t>(byte) << (24 - count_);
      count_ += 8;
    }
  }

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
  std::size_t padding_ = 0;
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

}  // namespace archivers
