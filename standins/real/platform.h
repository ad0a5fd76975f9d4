// What the readers need of the platform: character sets and members'
// times. Platform-free in its interface; platform_win.cpp serves
// the archivers, platform_posix.cpp the native tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "real/members.h"
#include "real/names.h"

namespace standin {

// `bytes` in `charset` as Unicode; false when they are not valid in it.
bool Decode(std::string_view bytes, Charset charset, std::u32string& text);

// Unicode composed (NFC), as the platform composes it.
std::u32string Composed(const std::u32string& text);

// One character in Shift-JIS, never by a look-alike (no best fit); false
// when CP932 has no such character.
bool ShiftJisOf(char32_t c, std::string& out);

// A name as the file system compares names: letter case folded.
std::u32string Folded(const std::u32string& text);

// A member's time, given in the archive's way; sets both the record's DOS
// date and time (local) and the extracted file's time.
void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time);

// The C runtime's local time of `seconds` since 1970.
bool LocalTime(std::int64_t seconds, std::tm& local);

inline void SetUnixTime(Member& member, std::int64_t seconds) {
  member.written = 0;
  member.date = member.time = 0;
  // Any number may stand in a damaged header; a DOS date ends with 2107.
  if (seconds < 0 || seconds > 4354819200LL) return;
  member.written = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  // libarchive turns the local times most archives keep into seconds with
  // the C runtime's mktime; its localtime is the way back to the same wall
  // time, and gives seconds kept in UTC the local time of their day. A DOS
  // date holds the years 1980 to 2107 only.
  std::tm local{};
  if (!LocalTime(seconds, local) || local.tm_year < 80 || local.tm_year > 207) return;
  member.date = static_cast<std::uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  member.time = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
}

}  // namespace standin
