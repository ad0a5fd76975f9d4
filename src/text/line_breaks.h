// Line breaks of texts shown in a multi-line text area, which breaks lines
// only at CR LF.
#pragma once
#include <string>
#include <string_view>

namespace plenkit {

// `text` with every line feed that follows no carriage return preceded by
// one, every other byte as it was, then cut to at most `maxBytes` bytes.
// The cut splits neither a double-byte character nor a CR LF pair.
std::string WithCrLfBreaks(std::string_view text, std::size_t maxBytes);

}  // namespace plenkit
