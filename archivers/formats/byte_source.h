// An archive's bytes as the readers see them: read in ranges, never held
// whole. The file behind them is the engine's business (engine/archive_file.h);
// tests and fuzzing give bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace archivers {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Up to `length` bytes at `offset` into `into`; fewer only at the end or
  // on a failure.
  virtual std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t length) = 0;

  // Exactly `length` bytes at `offset` (at most 1 GiB, and never past the
  // end), or false.
  bool Read(std::uint64_t offset, std::uint64_t length, std::vector<unsigned char>& bytes) {
    if (offset > Size() || length > Size() - offset || length > (1u << 30)) return false;
    bytes.resize(static_cast<std::size_t>(length));
    return length == 0 || ReadAt(offset, bytes.data(), bytes.size()) == bytes.size();
  }
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t length) override {
    if (offset >= size_) return 0;
    const std::size_t n = static_cast<std::size_t>(offset + length > size_ ? size_ - offset : length);
    std::memcpy(into, data_ + offset, n);
    return n;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

}  // namespace archivers
