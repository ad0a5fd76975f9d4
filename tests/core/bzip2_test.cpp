// Our bzip2 decoder against the bzip2 library: the streams it writes, of
// one block and of many (inverted on other threads), runs of every length
// across block ends, a randomised block as its oldest versions wrote them,
// and damage of every kind ending as such, the blocks before it given out
// whole and never more than the member declares.
#include <bzlib.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>

#include "codecs/decoders.h"
#include "formats/byte_source.h"

using namespace archivers;

namespace {

std::string Compress(const std::string& data, int level) {
  auto size = static_cast<unsigned>(data.size() + data.size() / 100 + 600);
  std::string out(size, '\0');
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(&out[0], &size, const_cast<char*>(data.data()),
                                     static_cast<unsigned>(data.size()), level, 0, 30),
            BZ_OK);
  out.resize(size);
  return out;
}

// Decodes `stream` as a member of `declared` bytes; the sink stops after
// `stopAfter` calls.
DecodeResult Decode(const std::string& stream, std::uint64_t declared, std::string& out,
                    int stopAfter = INT_MAX) {
  MemorySource source(stream.data(), stream.size());
  return DecompressBzip2(source, 0, stream.size(), declared,
                         [&](const unsigned char* data, std::size_t size) {
                           out.append(reinterpret_cast<const char*>(data), size);
                           return --stopAfter > 0;
                         });
}

std::string Words(std::size_t size, unsigned seed) {
  static const char* const words[] = {"書庫 ", "archive ", "member ", "\r\n",
                                      "0123 ", "zzzz",     "a",       "  "};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += words[random() % 8];
  text.resize(size);
  return text;
}

// Runs of each length from 1 to 300, of one byte after another.
std::string Runs(std::size_t size) {
  std::string text;
  for (unsigned i = 0; text.size() < size; ++i) text.append(i % 300 + 1, static_cast<char>(i * 37));
  text.resize(size);
  return text;
}

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(random());
    // No run of four, so that the library's first step keeps them as they are.
    if (i >= 3 && bytes[i] == bytes[i - 1] && bytes[i] == bytes[i - 2] && bytes[i] == bytes[i - 3])
      bytes[i] ^= 1;
  }
  return bytes;
}

// bzip2's CRC-32, bit by bit: most significant first.
std::uint32_t BlockCrc(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : data) {
    crc ^= std::uint32_t{c} << 24;
    for (int k = 0; k < 8; ++k) crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
  }
  return ~crc;
}

std::uint64_t BitsAt(const std::string& s, std::size_t bit, int count) {
  std::uint64_t v = 0;
  for (int i = 0; i < count; ++i, ++bit)
    v = v << 1 | (static_cast<unsigned char>(s[bit / 8]) >> (7 - bit % 8) & 1);
  return v;
}

void PutBits(std::string& s, std::size_t bit, int count, std::uint64_t v) {
  for (int i = count - 1; i >= 0; --i, ++bit) {
    const auto mask = static_cast<unsigned char>(0x80 >> bit % 8);
    s[bit / 8] = static_cast<char>(v >> i & 1 ? s[bit / 8] | mask : s[bit / 8] & ~mask);
  }
}

// Where the stream's CRC is: after the end mark, before 0 to 7 bits of padding.
std::size_t StreamCrcBit(const std::string& s) {
  for (std::size_t pad = 0; pad < 8; ++pad) {
    const std::size_t at = s.size() * 8 - 32 - pad;
    if (BitsAt(s, at - 48, 48) == 0x177245385090) return at;
  }
  ADD_FAILURE() << "no end mark";
  return 0;
}

}  // namespace

TEST(Bzip2, DecodesWhatTheLibraryWrites) {
  const struct {
    const char* name;
    std::string data;
    int level;
  } cases[] = {
      {"nothing", "", 9},
      {"one block", Words(50000, 1), 9},
      {"many blocks of text", Words(1500000, 2), 1},
      {"runs across block ends", Runs(700000), 1},
      {"noise", Noise(350000, 3), 1},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Decode(Compress(c.data, c.level), c.data.size(), out), DecodeResult::Ok) << c.name;
    EXPECT_TRUE(out == c.data) << c.name << ": " << out.size() << " bytes of " << c.data.size();
  }
}

TEST(Bzip2, DerandomisesAsTheLibraryDoes) {
  // A block with its randomised bit set (bit 112: after the header, the
  // block mark and its CRC), then both CRCs made the library's output's.
  std::string stream = Compress(Noise(20000, 4), 9);
  PutBits(stream, 112, 1, 1);
  bz_stream b{};
  ASSERT_EQ(BZ2_bzDecompressInit(&b, 0, 0), BZ_OK);
  std::string theirs(40000, '\0');
  b.next_in = &stream[0], b.avail_in = static_cast<unsigned>(stream.size());
  b.next_out = &theirs[0], b.avail_out = static_cast<unsigned>(theirs.size());
  BZ2_bzDecompress(&b);  // the CRC fails at the block's end, its bytes out
  theirs.resize(theirs.size() - b.avail_out);
  BZ2_bzDecompressEnd(&b);
  ASSERT_EQ(theirs.size(), 20000u);
  const std::uint32_t crc = BlockCrc(theirs);
  PutBits(stream, 80, 32, crc);
  PutBits(stream, StreamCrcBit(stream), 32, crc);

  std::string out;
  EXPECT_EQ(Decode(stream, theirs.size(), out), DecodeResult::Ok);
  EXPECT_TRUE(out == theirs);
}

TEST(Bzip2, DamageEndsAsSuchWithWhatCameBeforeIt) {
  const std::string data = Words(1500000, 5);
  const std::string good = Compress(data, 1);
  auto flipped = [&](std::size_t bit) {
    std::string s = good;
    s[bit / 8] = static_cast<char>(s[bit / 8] ^ (0x80 >> bit % 8));
    return s;
  };
  const std::size_t streamCrc = StreamCrcBit(good);
  const struct {
    const char* name;
    std::string stream;
    std::uint64_t declared;
    DecodeResult result;
    bool goodBefore;  // what came out is the data's beginning (not a damaged block's bytes, given
                      // before its CRC failed)
  } cases[] = {
      {"declared one byte short", good, data.size() - 1, DecodeResult::Damaged, true},
      {"declared one byte more", good, data.size() + 1, DecodeResult::Damaged, true},
      {"a bit flipped in the middle", flipped(good.size() * 4), data.size(), DecodeResult::Damaged,
       false},
      {"a block's CRC", flipped(80), data.size(), DecodeResult::Damaged, true},
      {"the stream's CRC", flipped(streamCrc), data.size(), DecodeResult::Damaged, true},
      {"cut in half", good.substr(0, good.size() / 2), data.size(), DecodeResult::Damaged, true},
      {"cut before the end mark", good.substr(0, good.size() - 10), data.size(),
       DecodeResult::Damaged, true},
      {"no level", "BZh0" + good.substr(4), data.size(), DecodeResult::Damaged, true},
      {"not bzip2", "BZ0" + good.substr(3), data.size(), DecodeResult::Damaged, true},
      {"the sink stops", good, data.size(), DecodeResult::Stopped, true},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Decode(c.stream, c.declared, out, c.result == DecodeResult::Stopped ? 2 : INT_MAX),
              c.result)
        << c.name;
    EXPECT_LE(out.size(), c.declared) << c.name;
    if (c.result == DecodeResult::Damaged && !c.goodBefore) continue;
    EXPECT_TRUE(data.compare(0, out.size(), out) == 0)
        << c.name << ": not what the data begins with";
  }
  // Damage in the second half leaves the first half's blocks whole.
  std::string out;
  Decode(flipped(good.size() * 6), data.size(), out);
  EXPECT_GE(out.size(), data.size() / 3);
}
