// The Common Archiver API's record of one entry, and the program's own.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plenkit {

// The caller reserves this much for an INDIVIDUALINFO; the library fills it.
constexpr std::size_t IndividualInfoBytes = 560;

// Offsets of the fields that are read (little-endian).
namespace individual_info {
constexpr std::size_t OriginalSize = 0;
constexpr std::size_t CompressedSize = 4;
constexpr std::size_t Ratio = 20;
constexpr std::size_t Date = 22;
constexpr std::size_t Time = 24;
constexpr std::size_t FileName = 26;
}  // namespace individual_info

struct ArchiveEntryInfo {
  char name[260];
  std::uint32_t uncompressedSize;
  std::uint32_t compressedSize;
  double ratio;
  std::int32_t year;
  std::int32_t month;
  std::int32_t day;
  std::int32_t hour;
  std::int32_t minute;
  std::int32_t second;
};

struct DosDateTime {
  std::int32_t year, month, day, hour, minute, second;
};

// The packed date and time words taken as they stand, without range checks.
DosDateTime DecodeDosDateTime(std::uint16_t date, std::uint16_t time);

// Clears `info` and fills it from a 560-byte INDIVIDUALINFO area. A name of
// 260 bytes or more is cut to 259 at a character boundary.
void FillEntryInfo(const unsigned char (&record)[IndividualInfoBytes], ArchiveEntryInfo& info);

}  // namespace plenkit
