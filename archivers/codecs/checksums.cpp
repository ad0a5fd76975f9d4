#include "codecs/checksums.h"

#include <array>

#include "formats/results.h"

namespace archivers {

std::uint16_t Crc16(std::uint16_t crc, const unsigned char* data, std::size_t size) {
  // Eight bytes a step ("slicing by 8"): table k gives a byte's CRC followed
  // by k zero bytes, so that the eight lookups of a step are independent of
  // each other.
  using Tables = std::array<std::array<std::uint16_t, 256>, 8>;
  static const Tables tables = [] {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
      unsigned c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xA001 ^ (c >> 1) : c >> 1;
      t[0][i] = static_cast<std::uint16_t>(c);
    }
    for (std::size_t k = 1; k < 8; ++k) {
      for (unsigned i = 0; i < 256; ++i)
        t[k][i] = static_cast<std::uint16_t>(t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8));
    }
    return t;
  }();
  unsigned c = crc;
  for (; size >= 8; data += 8, size -= 8) {
    c ^= data[0] | data[1] << 8;
    c = tables[7][c & 0xFF] ^ tables[6][c >> 8] ^ tables[5][data[2]] ^ tables[4][data[3]] ^ tables[3][data[4]] ^
        tables[2][data[5]] ^ tables[1][data[6]] ^ tables[0][data[7]];
  }
  for (; size > 0; ++data, --size) c = tables[0][(c ^ *data) & 0xFF] ^ (c >> 8);
  return static_cast<std::uint16_t>(c);
}

int ResultOf(DecodeResult result, const CheckedSink& checked, std::uint32_t expected) {
  if (checked.Stopped() || result == DecodeResult::Stopped) return kStopped;
  if (result == DecodeResult::UnknownMethod) return ERROR_METHOD;
  return result == DecodeResult::Ok && checked.Holds(expected) ? 0 : ERROR_FILE_CRC;
}

}  // namespace archivers
