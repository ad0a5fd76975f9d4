// Number and date texts as the lists show them, and their read-back.
// Locale facts (decimal, date and time separators) come in as arguments.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plenkit {

// printf "%<width>.<decimals>f" with `decimalSep` in place of the point.
std::string FormatFixed(double value, int width, int decimals, char decimalSep);

// printf "%<width>d".
std::string FormatInt(long long value, int width);

// Reads a decimal number: blanks around it allowed, `decimalSep` as the
// decimal point, nothing else. Empty when the text is no number.
std::optional<double> ReadDecimal(std::string_view text, char decimalSep);

// "yyyy/mm/dd hh:nn" with the user's separators.
std::string FormatDateTime(int year, int month, int day, int hour, int minute, char dateSep,
                           char timeSep);

// A file size in units of 1,000 bytes: "%10.2fKB" of the low 32 bits.
std::string FormatArchiveSize(std::uint64_t bytes, char decimalSep);

}  // namespace plenkit
