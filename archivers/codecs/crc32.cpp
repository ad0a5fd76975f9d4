// CRC-32 (the reflected polynomial 0xEDB88320 of zip, gzip, ARJ and RAR),
// the check every extraction pays on every byte. Where the processor
// multiplies without carries (PCLMULQDQ, every x86 since 2010), the bulk is
// folded 64 bytes a step, as Intel's paper on CRCs by carry-less
// multiplication describes; zlib's tables take the rest. Platform-free.
#include <zlib.h>

#include "codecs/checksums.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "codecs/processor.h"
#define ARCHIVERS_CLMUL_CRC 1
#endif

namespace archivers {

namespace {

#ifdef ARCHIVERS_CLMUL_CRC

bool CanMultiplyWithoutCarries() {
  static const bool can = ProcessorHas(bit_PCLMUL, bit_SSE2);
  return can;
}

#define ARCHIVERS_CLMUL __attribute__((target("pclmul,sse2")))

ARCHIVERS_CLMUL inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// `x` carried `k`'s distance further on (its low half times k's low, its
// high half times k's high), added to the bytes found there.
ARCHIVERS_CLMUL inline __m128i Fold(__m128i x, __m128i k, __m128i there) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), there);
}

// The register (not inverted) after `size` bytes, a multiple of 16 and at
// least 64. The constants are powers of x modulo the polynomial, reflected:
// x^(512+32) and x^(512+96) mod P for a fold of 64 bytes, x^(128+32) and
// x^(128+96) for one of 16, x^64 for the last 64 bits, and P with its
// Barrett quotient floor(x^64 / P).
ARCHIVERS_CLMUL std::uint32_t FoldedCrc(std::uint32_t crc, const unsigned char* p, std::size_t size) {
  const __m128i by64 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i by16 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  const __m128i last64 = _mm_set_epi64x(0, 0x163cd6124);
  const __m128i barrett = _mm_set_epi64x(0x1f7011641, 0x1db710641);
  const __m128i low32 = _mm_setr_epi32(-1, 0, 0, 0);
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
  for (p += 64, size -= 64; size >= 64; p += 64, size -= 64) {
    x0 = Fold(x0, by64, Load(p));
    x1 = Fold(x1, by64, Load(p + 16));
    x2 = Fold(x2, by64, Load(p + 32));
    x3 = Fold(x3, by64, Load(p + 48));
  }
  x0 = Fold(Fold(Fold(x0, by16, x1), by16, x2), by16, x3);
  for (; size >= 16; p += 16, size -= 16) x0 = Fold(x0, by16, Load(p));
  // 128 bits to 64, 64 to 32, then the remainder by Barrett's reduction.
  x0 = _mm_xor_si128(_mm_clmulepi64_si128(x0, by16, 0x10), _mm_srli_si128(x0, 8));
  x0 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x0, low32), last64, 0x00), _mm_srli_si128(x0, 4));
  __m128i q = _mm_clmulepi64_si128(_mm_and_si128(x0, low32), barrett, 0x10);
  q = _mm_clmulepi64_si128(_mm_and_si128(q, low32), barrett, 0x00);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(_mm_xor_si128(x0, q), 4)));
}

#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size) {
#ifdef ARCHIVERS_CLMUL_CRC
  if (size >= 64 && CanMultiplyWithoutCarries()) {
    const std::size_t bulk = size & ~static_cast<std::size_t>(15);
    crc = ~FoldedCrc(~crc, data, bulk);
    data += bulk, size -= bulk;
  }
#endif
  // zlib takes no more than a uInt at a time, and a call without bytes asks
  // it for its start value.
  while (size > 0) {
    const uInt piece = static_cast<uInt>(size > (1u << 30) ? 1u << 30 : size);
    crc = static_cast<std::uint32_t>(crc32(crc, data, piece));
    data += piece, size -= piece;
  }
  return crc;
}

}  // namespace archivers

// libarchive's zip and RAR readers check their data through this (a patch
// of ours), so every extraction gets the fast sums.
extern "C" unsigned long archivers_crc32(unsigned long crc, const void* data, std::size_t size) {
  return archivers::Crc32(static_cast<std::uint32_t>(crc), static_cast<const unsigned char*>(data), size);
}
