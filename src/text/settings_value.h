// Reading an integer value of the settings file.
#pragma once
#include <optional>
#include <string_view>

namespace plenkit {

// A value of more than two characters that begins "0x" or "0X" is
// hexadecimal; anything else decimal. Empty when it is no valid 32-bit
// integer.
std::optional<int> ReadSettingsInt(std::string_view text);

}  // namespace plenkit
