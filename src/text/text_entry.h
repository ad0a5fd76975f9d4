// Which archive entries are shown as text without asking first.
#pragma once
#include <string_view>

namespace plenkit {

// The extensions of text entries, lower case, in the order they are tried.
extern const char* const TextExtensions[23];

// Whether `entryName`'s extension (after its last ".", with no "\" or ":"
// after that dot) is one of TextExtensions, letter case ignored.
bool IsTextEntry(std::string_view entryName);

}  // namespace plenkit
