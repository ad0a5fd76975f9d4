#include "codecs/checksums.h"

#include <array>

#include "formats/results.h"

namespace archivers {

std::uint16_t Crc16(std::uint16_t crc, const unsigned char* data, std::size_t size) {
  static const auto table = [] {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
      unsigned c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xA001 ^ (c >> 1) : c >> 1;
      t[i] = static_cast<std::uint16_t>(c);
    }
    return t;
  }();
  for (std::size_t i = 0; i < size; ++i) crc = static_cast<std::uint16_t>(table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
  return crc;
}

int ResultOf(DecodeResult result, const CheckedSink& checked, std::uint32_t expected) {
  if (checked.Stopped() || result == DecodeResult::Stopped) return kStopped;
  if (result == DecodeResult::UnknownMethod) return ERROR_METHOD;
  return result == DecodeResult::Ok && checked.Holds(expected) ? 0 : ERROR_FILE_CRC;
}

}  // namespace archivers
