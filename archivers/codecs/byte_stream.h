// A member's bytes in order, read a piece at a time, for the decoders that
// take their input in runs (the zlib and bzip2 libraries). Platform-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/byte_source.h"

namespace archivers {

// The room a decoder writes a member's bytes into: a piece, or the member
// when it is smaller, and one byte more, so that data that runs over its
// size shows at once.
inline std::size_t OutputPiece(std::uint64_t original) {
  return static_cast<std::size_t>(std::min<std::uint64_t>(original, (1 << 18) - 1)) + 1;
}

class ByteStream {
 public:
  ByteStream(ByteSource& source, std::uint64_t offset, std::uint64_t size)
      : source_(source), offset_(offset), left_(size), buffer_(static_cast<std::size_t>(std::min(size, kPiece))) {}

  // The bytes read and not yet used; Use(n) uses the first n of them.
  unsigned char* Data() { return buffer_.data() + used_; }
  std::size_t Available() const { return held_ - used_; }
  void Use(std::size_t n) { used_ += n; }

  // Reads the next piece once the last is used: false at the member's end
  // or when the archive falls short of it.
  bool Fill() {
    if (Available() > 0) return true;
    const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size()));
    if (run == 0 || source_.ReadAt(offset_, buffer_.data(), run) != run) return false;
    offset_ += run, left_ -= run, held_ = run, used_ = 0;
    return true;
  }

  // The next byte, or false at the end.
  bool Byte(unsigned char& byte) {
    if (!Fill()) return false;
    byte = buffer_[used_++];
    return true;
  }

  // The member's bytes not used yet.
  std::uint64_t Left() const { return left_ + Available(); }

 private:
  static constexpr std::uint64_t kPiece = 1 << 18;
  ByteSource& source_;
  std::uint64_t offset_, left_;
  std::vector<unsigned char> buffer_;
  std::size_t held_ = 0, used_ = 0;
};

}  // namespace archivers
