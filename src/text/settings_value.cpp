#include "text/settings_value.h"

#include <cstdint>

namespace plenkit {

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

std::optional<int> ReadSettingsInt(std::string_view text) {
  // Blanks before the number are allowed, as in the platform's own readers.
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;

  std::int64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (base == 16) return static_cast<int>(static_cast<std::uint32_t>(value));
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace plenkit
