// Path texts in Shift-JIS (code page 932). A "\" or ":" byte that is the
// second byte of a double-byte character is no delimiter, so every scan
// walks the text from its start, character by character.
#pragma once
#include <string>
#include <string_view>

namespace plenkit {

// Lead bytes of a double-byte character in code page 932.
inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Offset of the last character equal to one of `chars` (single-byte ASCII
// characters only), or npos.
std::size_t FindLastChar(std::string_view text, std::string_view chars);

// What follows the last "\" or ":".
std::string FileNamePart(std::string_view path);

// From the last "." to the end, provided no "\" or ":" follows the dot;
// otherwise empty.
std::string ExtensionOf(std::string_view path);

// Up to and including the last "\"; empty when there is none.
std::string FolderPart(std::string_view path);

// The file-name part without its last extension.
std::string BaseName(std::string_view path);

// Whether the last character (not byte) is "\".
bool EndsWithDelimiter(std::string_view path);

// The path without one closing "\" (if it has one).
std::string WithoutClosingDelimiter(std::string_view path);

// The path with a closing "\" (added only when missing). Here and in
// WithExtension a lead byte that ends the path without its second byte is
// dropped, or it would take the appended byte as its own.
std::string WithClosingDelimiter(std::string_view path);

// The path with its extension replaced by `extension` (appended when the
// file name has none): the program's settings and help files.
std::string WithExtension(std::string_view path, std::string_view extension);

// The longest prefix of `text` of at most `maxBytes` bytes that does not
// split a double-byte character.
std::string_view CutToBytes(std::string_view text, std::size_t maxBytes);

}  // namespace plenkit
