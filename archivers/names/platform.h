// What the names and times need of the platform: character sets, and local
// time. Platform-free in its interface; platform_win.cpp serves the
// archivers, platform_posix.cpp the native tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "names/member_names.h"

namespace archivers {

// `bytes` in `charset` as Unicode; false when they are not valid in it.
bool Decode(std::string_view bytes, Charset charset, std::u32string& text);

// Unicode composed (NFC), as the platform composes it.
std::u32string Composed(const std::u32string& text);

// `text` (within the BMP) in Shift-JIS, each character CP932 lacks as
// `substitute`, never a look-alike (no best fit): one conversion for all.
std::string ShiftJisOf(const std::u32string& text, char substitute);

// A name as the file system compares names: letter case folded.
std::u32string Folded(const std::u32string& text);

// A DOS date and time, local, as 100 ns since 1601 in UTC; 0 when it is
// no time.
std::uint64_t FileTimeOfDos(std::uint16_t date, std::uint16_t time);

// The C runtime's local time of `seconds` since 1970.
bool LocalTime(std::int64_t seconds, std::tm& local);

#ifndef _WIN32
// The conversions of character sets made so far (the native build's): the
// tests count what names cost.
std::size_t ConversionsMade();
#endif

}  // namespace archivers
