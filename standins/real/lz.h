// The decoding ARJ and LZH share: bits read most significant first from a
// member's bytes, a history ring that hands the output on in pieces, and
// the static Huffman coding of ARJ's methods 1 to 3 and LZH's -lh4- to
// -lh7- and -lhx-. Platform-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "real/source.h"

namespace standin {

// Receives the decoded bytes in order; returning false stops the decoding
// (the caller has what it wants, or could not write).
using ArjSink = std::function<bool(const unsigned char* data, std::size_t size)>;

enum class ArjResult { Ok, Stopped, Damaged, UnknownMethod };

// Reads bits most significant first, from the member's bytes a piece at a
// time. Past the end it supplies zero bytes and counts them, so the decoder
// can tell damaged input from the two bytes of look-ahead a well-formed
// member ends with.
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

// Collects the output in a ring and hands it to the sink in pieces.
class Output {
 public:
  // A ring of at least 64 KiB (more for larger histories), filled at first
  // with `fill`: what a match that reaches before the member's start reads.
  Output(std::uint64_t size, const ArjSink& sink, std::size_t ring = 1 << 16, unsigned char fill = 0)
      : ring_(ring < (1u << 16) ? 1u << 16 : ring, fill), mask_(ring_.size() - 1), remaining_(size), sink_(sink) {}

  bool Done() const { return remaining_ == 0; }

  bool Put(unsigned char byte) {
    ring_[pos_++ & mask_] = byte;
    --remaining_;
    return pos_ - flushed_ < kFlushAt || Flush();
  }

  // Copies a match; a match that runs past the member's size is cut there.
  bool Copy(std::size_t offset, std::size_t length) {
    std::size_t from = pos_ - offset - 1;
    for (std::size_t i = 0; i < length && remaining_ > 0; ++i) {
      if (!Put(ring_[(from + i) & mask_])) return false;
    }
    return true;
  }

  bool Flush() {
    while (flushed_ < pos_) {
      std::size_t start = flushed_ & mask_;
      std::size_t run = pos_ - flushed_;
      if (run > ring_.size() - start) run = ring_.size() - start;
      if (!sink_(ring_.data() + start, run)) return false;
      flushed_ += run;
    }
    return true;
  }

 private:
  static constexpr std::size_t kFlushAt = 1 << 15;
  std::vector<unsigned char> ring_;
  std::size_t mask_;
  std::size_t pos_ = 0, flushed_ = 0;
  std::uint64_t remaining_;
  const ArjSink& sink_;
};

// The static Huffman coding: `offsetCodes` codes for the offsets' lengths,
// their count read in `offsetBits` bits; a block that says it holds 0
// commands holds 65,536 in ARJ and none in LZH.
ArjResult DecodeStaticHuffman(BitReader& bits, Output& out, int offsetCodes, int offsetBits, bool zeroBlockIsFull);

// CRC-32 as ARJ (and zip, and RAR) compute it, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size);

// CRC-16 as LZH computes it (polynomial 0xA001), continued from `crc`.
std::uint16_t Crc16(std::uint16_t crc, const unsigned char* data, std::size_t size);

}  // namespace standin
