// The bit reader and the history ring the LZ decoders share, against plain
// references: bits read across the reader's 64 KiB pieces, in calls and in
// a decoder's inner loop alike, and matches copied across the ring's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codecs/bit_reader.h"
#include "codecs/history.h"
#include "formats/byte_source.h"

using namespace archivers;

TEST(BitReader, GivesTheBitsInOrderAcrossPiecesAndEndsAfterOnePaddingByte) {
  std::mt19937 random(5);
  std::vector<unsigned char> bytes(200003);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  const std::uint64_t offset = 3, size = bytes.size() - offset;
  // Bit `i` of the member, zero past its end.
  const auto bit = [&](std::uint64_t i) {
    return i < size * 8 ? bytes[offset + i / 8] >> (7 - i % 8) & 1u : 0u;
  };
  const auto expected = [&](std::uint64_t at, int count) {
    unsigned value = 0;
    for (int k = 0; k < count; ++k) value = value << 1 | bit(at + k);
    return value;
  };

  MemorySource source(bytes.data(), bytes.size());
  BitReader reader(source, offset, size);
  std::uint64_t at = 0;
  while (at < size * 8 - 400) {
    if (random() % 4 == 0) {
      // As an inner loop reads: refills and skips on the lent state.
      BitReader::Lent lent = reader.Lend();
      for (int n = static_cast<int>(random() % 50); n > 0 && lent.CanRefill(); --n) {
        lent.Refill();
        const int count = static_cast<int>(random() % 25);
        ASSERT_EQ(lent.acc >> 40, expected(at, 24)) << at;
        lent.Skip(count);
        at += count;
      }
      reader.GiveBack(lent);
    }
    const int count = static_cast<int>(random() % 33);
    ASSERT_EQ(reader.Peek16(), expected(at, 16)) << at;
    ASSERT_EQ(reader.Get(count), expected(at, count)) << at << " " << count;
    at += count;
  }
  for (int count = 0; at < size * 8; at += count)
    reader.Get(
        count = static_cast<int>(std::min<std::uint64_t>(8, size * 8 - at)));  // to the end exactly
  EXPECT_FALSE(reader.Exhausted());
  reader.Get(7);
  EXPECT_FALSE(reader.Exhausted());
  reader.Get(1);
  EXPECT_TRUE(reader.Exhausted());

  // A member of no bytes holds no piece: nothing to lend, zeros to read.
  BitReader empty(source, offset, 0);
  EXPECT_FALSE(empty.Lend().CanRefill());
  EXPECT_EQ(empty.Get(16), 0u);
  EXPECT_TRUE(empty.Exhausted());
}

TEST(History, CopiesMatchesAsByteByByteAcrossTheRingAndCutsThemAtTheSize) {
  std::mt19937 random(9);
  for (const std::size_t ring : {std::size_t{1} << 16, std::size_t{1} << 17}) {
    const std::uint64_t size = 600000;
    std::string out;
    const Sink sink = [&](const unsigned char* data, std::size_t n) {
      out.append(reinterpret_cast<const char*>(data), n);
      return true;
    };
    History history(size, sink, ring, ' ');
    std::string expected;
    while (!history.Done()) {
      if (random() % 3 == 0) {
        const auto byte = static_cast<unsigned char>(random());
        ASSERT_TRUE(history.Put(byte));
        expected += static_cast<char>(byte);
        continue;
      }
      // Near offsets overlap what they write; far ones reach before the
      // start, into the fill, or across the ring's end.
      const std::size_t offset = random() % 2 ? random() % 8 : random() % ring;
      const std::size_t length = 1 + random() % 300;
      ASSERT_TRUE(history.Copy(offset, length));
      for (std::size_t i = 0; i < length && expected.size() < size; ++i) {
        const std::size_t back = offset + 1;
        expected += expected.size() >= back ? expected[expected.size() - back] : ' ';
      }
    }
    ASSERT_TRUE(history.Flush());
    EXPECT_TRUE(out == expected) << ring;
  }
}
