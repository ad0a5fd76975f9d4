#include "text/line_breaks.h"

#include "text/sjis_path.h"

namespace plenkit {

std::string WithCrLfBreaks(std::string_view text, std::size_t maxBytes) {
  // Neither CR nor LF is ever the second byte of a double-byte character,
  // so the bytes can be looked at one by one.
  std::string out;
  out.reserve(std::min(text.size() + text.size() / 16, maxBytes + 1));
  for (std::size_t i = 0; i < text.size() && out.size() <= maxBytes; ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  if (out.size() <= maxBytes) return out;
  std::size_t keep = CutToBytes(out, maxBytes).size();
  // A CR whose LF is cut off would be a line break that breaks nothing.
  if (keep > 0 && out[keep - 1] == '\r' && out[keep] == '\n') --keep;
  out.resize(keep);
  return out;
}

}  // namespace plenkit
