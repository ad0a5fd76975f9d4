// The check values members carry, and the sink that sums a member's bytes
// on their way: every reader checks its members' data through it.
// Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/sink.h"
#include "formats/reader.h"

namespace archivers {

// CRC-32 as zip, ARJ and RAR compute it, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size);

// CRC-16 as LZH computes it (polynomial 0xA001), continued from `crc`.
std::uint16_t Crc16(std::uint16_t crc, const unsigned char* data, std::size_t size);

// Passes the bytes on to `next` while it sums them as `check` says; the
// reader asks at the end whether the sum is the one the header gave.
class CheckedSink {
 public:
  CheckedSink(Check check, const Sink& next) : check_(check), next_(next) {}
  CheckedSink(const CheckedSink&) = delete;
  CheckedSink& operator=(const CheckedSink&) = delete;

  // The sink to hand a decoder; it refers to this object.
  Sink AsSink() {
    return [this](const unsigned char* data, std::size_t size) { return Take(data, size); };
  }
  bool Take(const unsigned char* data, std::size_t size) {
    if (check_ == Check::Crc32) sum_ = Crc32(sum_, data, size);
    else if (check_ == Check::Crc16) sum_ = Crc16(static_cast<std::uint16_t>(sum_), data, size);
    stopped_ = !next_(data, size);
    return !stopped_;
  }
  // Whether the bytes summed to `expected` (always, with nothing to check).
  bool Holds(std::uint32_t expected) const { return check_ == Check::None || sum_ == expected; }
  // Whether the sink after this one stopped the work.
  bool Stopped() const { return stopped_; }

 private:
  Check check_;
  const Sink& next_;
  std::uint32_t sum_ = 0;
  bool stopped_ = false;
};

// What a decoding through `checked` comes to, as a reader's Read answers
// it: 0, kStopped, ERROR_METHOD, or ERROR_FILE_CRC when the data is damaged
// or its check value is not `expected`.
int ResultOf(DecodeResult result, const CheckedSink& checked, std::uint32_t expected);

}  // namespace archivers
