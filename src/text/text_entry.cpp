#include "text/text_entry.h"

#include <string>

#include "text/sjis_path.h"

namespace plenkit {

const char* const TextExtensions[23] = {".txt", ".cpp", ".asm",  ".h",    ".pas", ".ini",
                                        ".bpr", ".~cp", ".~h",   ".mak",  ".csv", ".htm",
                                        ".lst", ".crc", ".tbl",  ".bat",  ".log", ".bas",
                                        ".cnt", ".asc", ".~bpr", ".~cpp", ".html"};

bool IsTextEntry(std::string_view entryName) {
  std::string extension = ExtensionOf(entryName);
  if (extension.empty()) return false;
  // Every extension of the table is ASCII: what the user's locale does to
  // other characters (full-width letters, say) can never make them match,
  // so folding the ASCII letters decides the same.
  bool lead = false;
  for (char& c : extension) {
    if (lead) {
      lead = false;
    } else if (IsLeadByte(static_cast<unsigned char>(c))) {
      lead = true;
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  for (const char* candidate : TextExtensions) {
    if (extension == candidate) return true;
  }
  return false;
}

}  // namespace plenkit
