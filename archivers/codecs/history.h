// The history ring the LZ decoders write to: it serves their matches and
// hands the output on to the sink in pieces. Platform-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/sink.h"

namespace archivers {

class History {
 public:
  // A ring of at least 64 KiB (more for larger histories), filled at first
  // with `fill`: what a match that reaches before the member's start reads.
  History(std::uint64_t size, const Sink& sink, std::size_t ring = 1 << 16, unsigned char fill = 0)
      : ring_(ring < (1u << 16) ? 1u << 16 : ring, fill), mask_(ring_.size() - 1), remaining_(size), sink_(sink) {}

  bool Done() const { return remaining_ == 0; }
  // The bytes still to come.
  std::uint64_t Left() const { return remaining_; }

  bool Put(unsigned char byte) {
    ring_[pos_++ & mask_] = byte;
    --remaining_;
    return pos_ - flushed_ < kFlushAt || Flush();
  }

  // The byte `offset` + 1 back, as Copy(offset, ...) would start with.
  unsigned char Back(std::size_t offset) const { return ring_[(pos_ - offset - 1) & mask_]; }

  // Copies a match; a match that runs past the member's size is cut there.
  bool Copy(std::size_t offset, std::size_t length) {
    if (length <= remaining_ && pos_ + length - flushed_ <= ring_.size()) {
      // Room for all of it without a flush: copied at once, the flush
      // checked once.
      Lent lent = Lend();
      lent.Copy(offset, length);
      return GiveBack(lent);
    }
    std::size_t from = pos_ - offset - 1;
    for (std::size_t i = 0; i < length && remaining_ > 0; ++i) {
      if (!Put(ring_[(from + i) & mask_])) return false;
    }
    return true;
  }

  // The ring lent to a decoder's inner loop, which keeps it in registers:
  // it may write up to `end` (the member's size, or what is not flushed
  // yet) and gives the ring back, which flushes it when due.
  struct Lent {
    unsigned char* ring;
    std::size_t mask, pos, end;

    // A match of `length` bytes, which the room holds: straight where
    // neither end wraps, byte by byte where it overlaps what it writes (a
    // run), masked where an end wraps.
    void Copy(std::size_t offset, std::size_t length) {
      const std::size_t to = pos & mask, from = (pos - offset - 1) & mask;
      unsigned char* d = ring + to;
      const unsigned char* s = ring + from;
      if (to + length <= mask + 1 && from + length <= mask + 1) {
        if (s + length <= d || d + length <= s) std::memcpy(d, s, length);
        else
          for (std::size_t i = 0; i < length; ++i) d[i] = s[i];
      } else {
        for (std::size_t i = 0; i < length; ++i) ring[(pos + i) & mask] = ring[(pos - offset - 1 + i) & mask];
      }
      pos += length;
    }
  };
  Lent Lend() {
    const std::uint64_t room = std::min<std::uint64_t>(remaining_, ring_.size() - (pos_ - flushed_));
    return {ring_.data(), mask_, pos_, pos_ + static_cast<std::size_t>(room)};
  }
  bool GiveBack(const Lent& lent) {
    remaining_ -= lent.pos - pos_;
    pos_ = lent.pos;
    return pos_ - flushed_ < kFlushAt || Flush();
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
  const Sink& sink_;
};

}  // namespace archivers
