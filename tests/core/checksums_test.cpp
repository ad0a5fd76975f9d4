// The check values as the formats compute them: their published check
// values, and the same sum however the bytes come in pieces.
#include <gtest/gtest.h>

#include <string>

#include "codecs/checksums.h"

using namespace archivers;

TEST(Checksums, KnownValuesInAnyPieces) {
  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const unsigned char*>(check.data());
  EXPECT_EQ(Crc16(0, bytes, check.size()), 0xBB3D);  // LZH's, CRC-16/ARC
  EXPECT_EQ(Crc32(0, bytes, check.size()), 0xCBF43926u);
  std::string text;
  for (int i = 0; i < 100; ++i) text += static_cast<char>(i * 37 + 11);
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const std::uint16_t whole = Crc16(0, data, text.size());
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    EXPECT_EQ(Crc16(Crc16(0, data, cut), data + cut, text.size() - cut), whole) << cut;
  }
}
