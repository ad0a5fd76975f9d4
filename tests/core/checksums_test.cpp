// The check values as the formats compute them: their published check
// values, the same sum however the bytes come in pieces, and CRC-32 by
// carry-less multiplication against zlib's tables at every length round
// the fold's steps and at every alignment.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

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

TEST(Crc32, AgreesWithZlibAtEveryLengthAndAlignment) {
  std::mt19937 random(7);
  std::vector<unsigned char> bytes(70000);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  for (std::size_t at = 0; at < 16; ++at)
    for (std::size_t size = 0; size < 300; ++size)
      ASSERT_EQ(Crc32(0, bytes.data() + at, size),
                crc32(0, bytes.data() + at, static_cast<uInt>(size)))
          << size << " bytes at " << at;
  const auto whole =
      static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
  EXPECT_EQ(Crc32(0, bytes.data(), bytes.size()), whole);
  for (std::size_t piece : {1, 17, 63, 64, 65, 4096, 65537}) {
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
      crc = Crc32(crc, bytes.data() + at, std::min(piece, bytes.size() - at));
    EXPECT_EQ(crc, whole) << "in pieces of " << piece;
  }
}
