// Shift-JIS paths as the archiver libraries take them: a trail byte 0x5C is
// part of its character, never a folder separator.
#pragma once

#include <string>

namespace archivers {

// The ranges are fixed rather than taken from the ANSI code page: names
// and paths are Shift-JIS whatever the machine's locale.
inline bool IsLeadByte(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool IsTrailByte(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Position of the last folder separator of `path`, or npos.
std::size_t LastSeparator(const std::string& path);

inline bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && LastSeparator(path) == path.size() - 1;
}

// The last part of `path`: a file's name without its folder.
inline std::string FileName(const std::string& path) {
  const std::size_t cut = LastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// "/" between folders made "\"; "/" is never a Shift-JIS trail byte.
inline void UseBackslashes(std::string& name) {
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
}

// A folder's name ends in "\", which a trail byte 0x5C is not.
inline void MakeFolderName(std::string& name) {
  if (!name.empty() && !EndsWithSeparator(name)) name += '\\';
}

// True when a member called `name` ("\" or "/" between folders) lands
// inside the folder it is extracted to: no "." or "..", no absolute path, no
// drive or stream (":"), no device name such as CON or LPT1, no character
// cut short (a lead byte at the end or before a byte no trail byte can be),
// no more characters than a path on Windows can hold, and no more than 512
// folders deep.
bool StaysInside(const std::string& name);

}  // namespace archivers
