// AES encryption of single blocks by the processor's AES instructions, for
// the counter mode of zip's AES members. Platform-free.
#pragma once

#include <cstddef>

namespace archivers {

// Room for the longest key schedule: 15 round keys of 16 bytes.
constexpr std::size_t kAesSchedule = 15 * 16;

// Expands a key of 16, 24 or 32 bytes into `schedule` (kAesSchedule bytes)
// and gives its number of rounds (10, 12 or 14); 0 for a key of another
// length, or where the processor has no AES instructions.
int ExpandAesKey(const unsigned char* key, std::size_t length, unsigned char* schedule);

// One block encrypted with a schedule ExpandAesKey made.
void EncryptAesBlock(const unsigned char* schedule, int rounds, const unsigned char* in, unsigned char* out);

}  // namespace archivers
