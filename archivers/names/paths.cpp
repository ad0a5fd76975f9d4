#include "names/paths.h"

#include <cctype>

namespace archivers {

std::size_t LastSeparator(const std::string& path) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(path[i])) ++i;
    else if (IsSeparator(path[i])) found = i;
  }
  return found;
}

namespace {

// Windows opens a device for these names in any folder, with any extension.
bool IsDeviceName(const std::string& part) {
  std::string base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// "." and ".." and what Windows trims to them: a name of dots and blanks.
// The names rules drop the "." parts of a member's name; one left is
// refused like the rest, as no file system call may see it in a long path.
bool IsDotsOnly(const std::string& part) {
  bool dots = false;
  for (char c : part) {
    if (c != '.' && c != ' ') return false;
    dots = true;
  }
  return dots;
}

// The most characters (UTF-16 units) a path on Windows may hold.
constexpr std::size_t kMostCharacters = 32767;

// The most folders a member may lie in. Windows holds thousands in a path,
// but no archiver's user makes such a tree: an archive that does is built
// to make a tree too deep to use or remove, and extracting it would make
// one folder after another for minutes.
constexpr std::size_t kMostFolders = 512;

}  // namespace

bool StaysInside(const std::string& name) {
  if (name.empty() || IsSeparator(name[0])) return false;
  std::string part;
  std::size_t characters = 0, folders = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (++characters > kMostCharacters + 1) return false;
    if (i < name.size() && IsLeadByte(name[i])) {
      // A character cut short would be read by Windows as something else:
      // "COM1" and a lone lead byte opened the serial port.
      if (i + 1 == name.size() || !IsTrailByte(name[i + 1])) return false;
      part += name[i];
      part += name[++i];
      continue;
    }
    if (i == name.size() || IsSeparator(name[i])) {
      if (IsDotsOnly(part) || IsDeviceName(part)) return false;
      if (i < name.size() && ++folders > kMostFolders) return false;
      part.clear();
      continue;
    }
    if (name[i] == ':') return false;
    part += name[i];
  }
  return true;
}

}  // namespace archivers
