// The settings integer reader on any text: it answers exactly for a decimal
// 32-bit integer (blanks before it, a sign) or a hexadecimal one of up to
// 32 bits after "0x", and for nothing else; and any value written in either
// form reads back.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <regex>
#include <string>

#include "fuzz_check.h"
#include "text/settings_value.h"

using plenkit::ReadSettingsInt;

namespace {

// The accepted texts as a pattern, their values from the C library.
std::optional<int> Expected(const std::string& text) {
  static const std::regex decimal(" *[+-]?[0-9]+"), hexadecimal(" *0[xX][0-9a-fA-F]+");
  errno = 0;
  if (std::regex_match(text, decimal)) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
  }
  if (std::regex_match(text, hexadecimal)) {
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 16);
    if (errno == ERANGE || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<int>(static_cast<std::uint32_t>(value));
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(ReadSettingsInt(text) == Expected(text));

  if (size >= sizeof(int)) {
    int value;
    std::memcpy(&value, data, sizeof value);
    FUZZ_CHECK(ReadSettingsInt(std::to_string(value)) == value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(value));
    FUZZ_CHECK(ReadSettingsInt(hex) == value);
  }
  return 0;
}
