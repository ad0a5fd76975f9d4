// The platform's part of the names and times in the native build (tests and
// fuzzing): conversions through iconv, times through the C library.
#include <iconv.h>

#include <cerrno>
#include <ctime>

#include "names/platform.h"

namespace archivers {

namespace {

std::size_t conversions = 0;

// Converts `length` bytes from `from` to `to`. With a `substitute`, an input
// unit the target lacks becomes it; without (0), it fails the conversion.
bool Convert(const char* from, const char* to, const char* bytes, std::size_t length, std::size_t unit, char substitute,
             std::string& out) {
  ++conversions;
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
      out += substitute;
      in += unit, left -= unit;
      continue;
    }
    ok = false;
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

std::uint64_t FileTimeOfDos(std::uint16_t date, std::uint16_t time) {
  struct tm local = {};
  local.tm_year = (date >> 9) + 80;
  local.tm_mon = ((date >> 5) & 15) - 1;
  local.tm_mday = date & 31;
  local.tm_hour = time >> 11;
  local.tm_min = (time >> 5) & 63;
  local.tm_sec = (time & 31) * 2;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  return seconds == -1 ? 0 : static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

std::size_t ConversionsMade() { return conversions; }

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  return localtime_r(&time, &local) != nullptr;
}

namespace {

const char* IconvName(Charset charset) {
  switch (charset) {
    case Charset::Utf8: return "UTF-8";
    case Charset::Cp437: return "CP437";
    case Charset::Cp1252: return "CP1252";
    default: return "CP932";
  }
}

}  // namespace

bool Decode(std::string_view bytes, Charset charset, std::u32string& text) {
  std::string wide;
  text.clear();
  if (!Convert(IconvName(charset), "UTF-32LE", bytes.data(), bytes.size(), 1, 0, wide)) return false;
  for (std::size_t i = 0; i + 4 <= wide.size(); i += 4) {
    text += static_cast<char32_t>(static_cast<unsigned char>(wide[i]) | static_cast<unsigned char>(wide[i + 1]) << 8 |
                                  static_cast<unsigned char>(wide[i + 2]) << 16 |
                                  static_cast<char32_t>(static_cast<unsigned char>(wide[i + 3])) << 24);
  }
  return true;
}

std::u32string Composed(const std::u32string& text) { return text; }

std::string ShiftJisOf(const std::u32string& text, char substitute) {
  std::string units;
  for (char32_t c : text) {
    for (int shift = 0; shift < 32; shift += 8) units += static_cast<char>(c >> shift);
  }
  std::string bytes;
  Convert("UTF-32LE", "CP932", units.data(), units.size(), 4, substitute, bytes);
  return bytes;
}

std::u32string Folded(const std::u32string& text) {
  std::u32string folded = text;
  for (char32_t& c : folded) {
    if (c >= U'a' && c <= U'z') c -= 32;
  }
  return folded;
}

}  // namespace archivers
