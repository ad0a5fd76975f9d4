// Numbers as the formats store them, read from bytes already in memory:
// little-endian everywhere but in the Mac's MacBinary header.
#pragma once

#include <cstdint>

namespace archivers {

inline std::uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
inline std::uint32_t Le32(const unsigned char* p) { return Le16(p) | Le16(p + 2) << 16; }
inline std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }
inline std::uint32_t Be32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

}  // namespace archivers
