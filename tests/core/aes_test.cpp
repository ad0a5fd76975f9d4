// AES by the processor's instructions against FIPS-197's examples (its
// appendix C): one plaintext under the keys 00 01 02 ... of each length.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "codecs/aes.h"

using namespace archivers;

TEST(Aes, EncryptsAsTheStandardsExamplesUnderEachKeyLength) {
  const struct {
    std::size_t length;
    const char* cipher;
  } cases[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
               {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
               {32, "8ea2b7ca516745bfeafc49904b496089"}};
  unsigned char key[32], plain[16];
  for (int i = 0; i < 32; ++i) key[i] = static_cast<unsigned char>(i);
  for (int i = 0; i < 16; ++i) plain[i] = static_cast<unsigned char>(0x11 * i);
  unsigned char schedule[kAesSchedule];
  EXPECT_EQ(ExpandAesKey(key, 20, schedule), 0);
  for (const auto& c : cases) {
    const int rounds = ExpandAesKey(key, c.length, schedule);
    if (rounds == 0) GTEST_SKIP() << "no AES instructions here";
    EXPECT_EQ(rounds, static_cast<int>(c.length / 4 + 6));
    unsigned char out[16];
    EncryptAesBlock(schedule, rounds, plain, out);
    std::string hex;
    for (unsigned char byte : out) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", byte);
      hex += two;
    }
    EXPECT_EQ(hex, c.cipher) << c.length;
  }
}
