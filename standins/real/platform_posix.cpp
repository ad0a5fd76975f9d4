// The platform's part of the readers in the native build (tests and
// fuzzing): conversions through iconv, times through the C library.
#include <iconv.h>

#include <cerrno>
#include <ctime>

#include "real/members.h"
#include "real/platform.h"

namespace standin {

namespace {

// Converts `length` bytes from `from` to `to`. With `substitute`, an input
// unit the target lacks becomes "?"; without, it fails the conversion.
bool Convert(const char* from, const char* to, const char* bytes, std::size_t length, std::size_t unit,
             bool substitute, std::string& out) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  char* in = const_cast<char*>(bytes);
  std::size_t left = length;
  bool ok = true;
  char buffer[256];
  while (ok && left > 0) {
    char* into = buffer;
    std::size_t room = sizeof buffer;
    const bool failed = iconv(cd, &in, &left, &into, &room) == static_cast<std::size_t>(-1);
    out.append(buffer, static_cast<std::size_t>(into - buffer));
    if (!failed || errno == E2BIG) continue;
    if (errno == EILSEQ && substitute && left >= unit) {
      out += '?';
      in += unit, left -= unit;
      continue;
    }
    ok = false;
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

std::string ShiftJisFromWide(const wchar_t* text, std::size_t length) {
  std::string out;
  Convert("WCHAR_T", "CP932", reinterpret_cast<const char*>(text), length * sizeof(wchar_t), sizeof(wchar_t), true,
          out);
  return out;
}

std::string ShiftJisFromUtf8(std::string_view utf8) {
  std::string wide;
  if (!Convert("UTF-8", "WCHAR_T", utf8.data(), utf8.size(), 1, false, wide)) return std::string(utf8);
  return ShiftJisFromWide(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
}

void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time) {
  member.date = date;
  member.time = time;
  struct tm local = {};
  local.tm_year = (date >> 9) + 80;
  local.tm_mon = ((date >> 5) & 15) - 1;
  local.tm_mday = date & 31;
  local.tm_hour = time >> 11;
  local.tm_min = (time >> 5) & 63;
  local.tm_sec = (time & 31) * 2;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  member.written = seconds == -1 ? 0 : static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  return localtime_r(&time, &local) != nullptr;
}

}  // namespace standin
