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

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const __time64_t time = seconds;
  const struct tm* found = _localtime64(&time);
  if (found) local = *found;
  return found != nullptr;
}

}  // namespace standin
