#include "text/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace plenkit {

namespace {

// Any width and precision: the text is as long as printf makes it, never cut
// to a buffer. Lists format several numbers a row, so the usual short text
// is printed once, into a buffer on the stack.
template <typename... Values>
std::string Printed(const char* format, Values... values) {
  char shortText[64];
  const int length = std::snprintf(shortText, sizeof shortText, format, values...);
  if (length <= 0) return {};
  if (static_cast<std::size_t>(length) < sizeof shortText) return std::string(shortText, length);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, values...);
  return text;
}

// The digits "%.*f" prints, as one integer, for what lists show most: a
// value from 0 up to 2^53 with up to three decimals. Such a value is an
// integer m over 2^shift exactly; m * 10^decimals over 2^shift, rounded to
// the nearest integer, is the number printf prints. An exact tie, which
// printf's rounding rule decides, is left to printf, as is any other value.
bool FixedDigits(double value, int decimals, std::uint64_t& digits) {
  static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000};
  if (!(value >= 0 && value < 9007199254740992.0) || std::signbit(value) || decimals < 0 ||
      decimals > 3) {
    return false;
  }
  int exponent = 0;
  const double fraction = std::frexp(value, &exponent);  // [0.5, 1) * 2^exponent
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const std::uint64_t scaled = mantissa * kScale[decimals];  // below 2^63
  const int shift = 53 - exponent;                           // 0 and up
  if (shift == 0) {
    digits = scaled;
  } else if (shift >= 64) {
    digits = 0;  // below one half
  } else {
    const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest == half) return false;
    digits = (scaled >> shift) + (rest > half ? 1 : 0);
  }
  return true;
}

}  // namespace

std::string FormatFixed(double value, int width, int decimals, char decimalSep) {
  std::uint64_t digits = 0;
  if (FixedDigits(value, decimals, digits)) {
    char buffer[32];
    char* const end = buffer + sizeof buffer;
    char* first = end;
    int placed = 0;
    do {
      *--first = static_cast<char>('0' + digits % 10);
      digits /= 10;
      if (++placed == decimals) *--first = decimalSep;
    } while (digits != 0 || placed <= decimals);
    const auto length = static_cast<int>(end - first);
    std::string text(static_cast<std::size_t>(std::max(width - length, 0)), ' ');
    text.append(first, end);
    return text;
  }
  std::string text = Printed("%*.*f", width, decimals, value);
  if (decimalSep != '.') {
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text[dot] = decimalSep;
  }
  return text;
}

std::string FormatInt(long long value, int width) { return Printed("%*lld", width, value); }

std::optional<double> ReadDecimal(std::string_view text, char decimalSep) {
  std::size_t first = 0, last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  if (first == last) return std::nullopt;

  // Only sign, digits and one decimal separator; strtod would also take
  // hexadecimal, exponents, "inf" and the C locale's point.
  std::string plain;
  bool digits = false, separator = false, negative = false;
  // Up to 15 digits the number is exactly an integer over a power of ten,
  // and their quotient, rounded once, is the nearest double, as strtod's.
  std::uint64_t mantissa = 0;
  int significant = 0, decimals = 0;
  for (std::size_t i = first; i < last; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      plain += c;
      if (mantissa != 0 || c != '0') ++significant;
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      if (separator) ++decimals;
    } else if (c == decimalSep && !separator) {
      separator = true;
      plain += '.';
    } else if ((c == '-' || c == '+') && i == first) {
      negative = c == '-';
      plain += c;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  if (significant <= 15 && decimals <= 22) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double value = static_cast<double>(mantissa) / kPowers[decimals];
    return negative ? -value : value;
  }
  // Too large is no number; too small reads as the nearest double (zero),
  // although strtod reports that as a range error too.
  const double value = std::strtod(plain.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatDateTime(int year, int month, int day, int hour, int minute, char dateSep,
                           char timeSep) {
  // A list formats one a row: the usual values without printf.
  const auto twoDigits = [](int v) { return v >= 0 && v <= 99; };
  if (year >= 0 && year <= 9999 && twoDigits(month) && twoDigits(day) && twoDigits(hour) &&
      twoDigits(minute)) {
    const auto digit = [](int v) { return static_cast<char>('0' + v); };
    // clang-format off
    return {digit(year / 1000), digit(year / 100 % 10), digit(year / 10 % 10), digit(year % 10),
            dateSep, digit(month / 10), digit(month % 10), dateSep, digit(day / 10), digit(day % 10),
            ' ', digit(hour / 10), digit(hour % 10), timeSep, digit(minute / 10), digit(minute % 10)};
    // clang-format on
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d%c%02d%c%02d %02d%c%02d", year, dateSep, month, dateSep,
                day, hour, timeSep, minute);
  return buffer;
}

std::string FormatArchiveSize(std::uint64_t bytes, char decimalSep) {
  const std::uint32_t low = static_cast<std::uint32_t>(bytes);
  return FormatFixed(low * 0.001, 10, 2, decimalSep) + "KB";
}

}  // namespace plenkit
