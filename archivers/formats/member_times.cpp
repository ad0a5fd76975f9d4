// A member's time as the archives keep it: a DOS date and time in local
// time, or seconds since 1970 in UTC.
#include <ctime>

#include "formats/reader.h"
#include "names/platform.h"

namespace archivers {

bool IsNoDate(std::uint16_t dosDate) {
  const unsigned month = dosDate >> 5 & 15, day = dosDate & 31;
  return month == 0 || month > 12 || day == 0;
}

std::int64_t SecondsOfLocalDosTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  std::tm local{};
  local.tm_year = (dosDate >> 9 & 0x7F) + 80;
  local.tm_mon = (dosDate >> 5 & 0x0F) - 1;
  local.tm_mday = dosDate & 0x1F;
  local.tm_hour = dosTime >> 11 & 0x1F;
  local.tm_min = dosTime >> 5 & 0x3F;
  local.tm_sec = (dosTime & 0x1F) * 2;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

void Member::SetDosTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  if (IsNoDate(dosDate)) dosDate = kEarliestDosDate, dosTime = 0;
  date = dosDate;
  time = dosTime;
  written = FileTimeOfDos(dosDate, dosTime);
}

void Member::SetUnixTime(std::int64_t seconds) {
  written = 0;
  date = time = 0;
  // Any number may stand in a damaged header; a DOS date ends with 2107.
  if (seconds < 0 || seconds > 4354819200LL) return;
  written = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  // libarchive turns the local times most archives keep into seconds with
  // the C runtime's mktime; its localtime is the way back to the same wall
  // time, and gives seconds kept in UTC the local time of their day. A DOS
  // date holds the years 1980 to 2107 only.
  std::tm local{};
  if (!LocalTime(seconds, local) || local.tm_year < 80 || local.tm_year > 207) return;
  date = static_cast<std::uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  time = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
}

}  // namespace archivers
