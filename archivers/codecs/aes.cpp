// AES (FIPS-197) encryption by the processor's AES instructions (AES-NI,
// every x86 since 2010): what zip's AES members need, the counter mode
// encrypting one counter block after another. libarchive's cryptor calls
// it (a patch of ours) in place of Windows' CNG, which under Wine makes a
// new cipher for every block of 16 bytes. The key schedule is expanded here
// in plain code, once a member. Platform-free.
#include "codecs/aes.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "codecs/processor.h"
#define ARCHIVERS_AES_NI 1
#endif

namespace archivers {

namespace {

#ifdef ARCHIVERS_AES_NI

bool HasAesInstructions() {
  static const bool has = ProcessorHas(bit_AES, bit_SSE2);
  return has;
}

// Products in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
unsigned Times(unsigned a, unsigned b) {
  unsigned product = 0;
  for (; b; b >>= 1) {
    if (b & 1) product ^= a;
    a = (a << 1) ^ (a & 0x80 ? 0x11B : 0);
  }
  return product;
}

// The S-box: each byte's inverse (x^254; 0 for 0), through the affine map.
std::array<unsigned char, 256> MakeSBox() {
  std::array<unsigned char, 256> box{};
  for (unsigned x = 0; x < 256; ++x) {
    unsigned inverse = 1, base = x;
    for (unsigned e = 254; e; e >>= 1, base = Times(base, base)) {
      if (e & 1) inverse = Times(inverse, base);
    }
    unsigned s = inverse;
    for (int shift = 1; shift <= 4; ++shift) s ^= ((inverse << shift) | (inverse >> (8 - shift))) & 0xFF;
    box[x] = static_cast<unsigned char>(s ^ 0x63);
  }
  return box;
}

#define ARCHIVERS_AES __attribute__((target("aes,sse2")))

ARCHIVERS_AES inline __m128i RoundKey(const unsigned char* schedule, int round) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(schedule + 16 * round));
}

ARCHIVERS_AES void Encrypt(const unsigned char* schedule, int rounds, const unsigned char* in, unsigned char* out) {
  __m128i state = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), RoundKey(schedule, 0));
  for (int round = 1; round < rounds; ++round) state = _mm_aesenc_si128(state, RoundKey(schedule, round));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_aesenclast_si128(state, RoundKey(schedule, rounds)));
}

#endif

}  // namespace

int ExpandAesKey(const unsigned char* key, std::size_t length, unsigned char* schedule) {
#ifdef ARCHIVERS_AES_NI
  if ((length != 16 && length != 24 && length != 32) || !HasAesInstructions()) return 0;
  static const std::array<unsigned char, 256> sbox = MakeSBox();
  const int words = static_cast<int>(length / 4), rounds = words + 6;
  for (std::size_t i = 0; i < length; ++i) schedule[i] = key[i];
  unsigned char rcon = 1;
  for (int i = words; i < 4 * (rounds + 1); ++i) {
    unsigned char t[4] = {schedule[4 * i - 4], schedule[4 * i - 3], schedule[4 * i - 2], schedule[4 * i - 1]};
    if (i % words == 0) {
      const unsigned char first = t[0];  // rotated, substituted, and the round constant added
      t[0] = static_cast<unsigned char>(sbox[t[1]] ^ rcon), t[1] = sbox[t[2]], t[2] = sbox[t[3]], t[3] = sbox[first];
      rcon = static_cast<unsigned char>(Times(rcon, 2));
    } else if (words > 6 && i % words == 4) {
      for (unsigned char& byte : t) byte = sbox[byte];
    }
    for (int k = 0; k < 4; ++k) schedule[4 * i + k] = static_cast<unsigned char>(schedule[4 * (i - words) + k] ^ t[k]);
  }
  return rounds;
#else
  (void)key, (void)length, (void)schedule;
  return 0;
#endif
}

void EncryptAesBlock(const unsigned char* schedule, int rounds, const unsigned char* in, unsigned char* out) {
#ifdef ARCHIVERS_AES_NI
  Encrypt(schedule, rounds, in, out);
#else
  (void)schedule, (void)rounds, (void)in, (void)out;
#endif
}

}  // namespace archivers
