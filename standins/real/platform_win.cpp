// The platform's part of the readers, for the archivers themselves.
#include <windows.h>

#include <ctime>

#include "real/members.h"
#include "real/platform.h"

namespace standin {

std::string ShiftJisFromWide(const wchar_t* text, std::size_t length) {
  std::string narrow(length * 2, '\0');  // at most two bytes a character
  const int made = WideCharToMultiByte(932, 0, text, static_cast<int>(length), &narrow[0],
                                       static_cast<int>(narrow.size()), nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(made > 0 ? made : 0));
  return narrow;
}

std::string ShiftJisFromUtf8(std::string_view utf8) {
  std::wstring wide(utf8.size(), L'\0');  // never more characters than bytes
  const int made = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                       &wide[0], static_cast<int>(wide.size()));
  if (made <= 0) return std::string(utf8);
  return ShiftJisFromWide(wide.data(), static_cast<std::size_t>(made));
}

void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time) {
  member.date = date;
  member.time = time;
  FILETIME local, utc;
  member.written = DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &utc)
                       ? (static_cast<std::uint64_t>(utc.dwHighDateTime) << 32 | utc.dwLowDateTime)
                       : 0;
}

void SetUnixTime(Member& member, std::int64_t seconds) {
  // Any number may stand in a damaged header; a DOS date ends with 2107.
  if (seconds < 0 || seconds > 4354819200LL) {
    member.written = 0;
    member.date = member.time = 0;
    return;
  }
  member.written = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  // libarchive turns the local times most archives keep into seconds with
  // the C runtime's mktime; its localtime is the way back to the same wall
  // time, and gives seconds kept in UTC the local time of their day. A DOS
  // date holds the years 1980 to 2107 only.
  const __time64_t time = seconds;
  const struct tm* local = _localtime64(&time);
  if (!local || local->tm_year < 80 || local->tm_year > 207) {
    member.date = member.time = 0;
    return;
  }
  member.date = static_cast<std::uint16_t>((local->tm_year - 80) << 9 | (local->tm_mon + 1) << 5 | local->tm_mday);
  member.time = static_cast<std::uint16_t>(local->tm_hour << 11 | local->tm_min << 5 | local->tm_sec / 2);
}

}  // namespace standin
