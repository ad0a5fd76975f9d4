// What the readers need of the platform: names between character sets and
// members' times. Platform-free in its interface; platform_win.cpp serves
// the archivers, platform_posix.cpp the native tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

struct Member;

// UTF-16 (wchar_t as the platform has it) as Shift-JIS; a character CP932
// lacks becomes "?".
std::string ShiftJisFromWide(const wchar_t* text, std::size_t length);

// UTF-8 as Shift-JIS; text that is no UTF-8 comes back as it is.
std::string ShiftJisFromUtf8(std::string_view utf8);

// A member's time, given in the archive's way; sets both the record's DOS
// date and time (local) and the extracted file's time.
void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time);
void SetUnixTime(Member& member, std::int64_t seconds);

}  // namespace standin
