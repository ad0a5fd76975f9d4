// Members' names from every origin, as the archivers hand them on: in
// Shift-JIS, one character set decided for all of an archive's names,
// composed, with every character Shift-JIS or Windows cannot take in a name
// replaced by one substitute, and each name distinct in its folder.
// Platform-free; the character sets themselves are the platform's
// (platform.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace archivers {

// Whether the bytes are ASCII alone, which every character set here reads
// the same.
bool IsAscii(std::string_view bytes);

// The character sets an archive's unmarked names may be in.
enum class Charset { Cp932, Utf8, Cp437, Cp1252 };

// One member's name as a reader found it.
struct StoredName {
  std::string bytes;     // as stored, when the archive does not say its character set
  std::u32string text;   // when it does (UTF-8 or UTF-16 marked as such), decoded
  bool unicode = false;  // `text` holds the name
  bool folder = false;
  bool link = false;  // never written: a file of the same name keeps it
};

// What stands for a character that cannot be in a name.
constexpr char kSubstitute = '_';

// The character set of an archive's unmarked names: UTF-8 when every one
// that is not ASCII is valid UTF-8; else Shift-JIS when at least half of
// them are valid Shift-JIS; else `fallback` (the format's own old default).
Charset DecideCharset(const std::vector<StoredName>& names, Charset fallback);

// The names of one archive's members, in order, "\" between folders and a
// folder's name ending in "\": decoded in `charset` (or as marked),
// composed, each character Shift-JIS lacks, each control and each
// bidirectional control, and each "<>:\"|?*" made kSubstitute; "/" and "\"
// separate folders. Members whose names then meet in one folder, letter
// case aside, are told apart by " (2)", " (3)"... before the extension (a
// link after the others); a folder named twice is one folder. Each name
// comes out in the room its stored bytes took.
std::vector<std::string> MemberNames(std::vector<StoredName> names, Charset charset);

}  // namespace archivers
