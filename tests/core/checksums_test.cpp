// CRC-32 by carry-less multiplication against zlib's tables: every length
// round the fold's steps, at every alignment, and a sum continued across
// pieces of every size.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include <zlib.h>

#include "codecs/checksums.h"

using namespace archivers;

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
