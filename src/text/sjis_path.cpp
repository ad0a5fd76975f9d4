#include "text/sjis_path.h"

#include <algorithm>

namespace plenkit {

namespace {

// A lead byte at the very end has lost its second byte. Whatever is appended
// would become that second byte ("\" after 0x83 reads as "ソ"), so the half
// character goes first.
std::string_view WithoutHalfCharacter(std::string_view text) {
  std::size_t i = 0, last = 0;
  while (i < text.size()) {
    last = i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return i > text.size() ? text.substr(0, last) : text;
}

}  // namespace

std::size_t FindLastChar(std::string_view text, std::string_view chars) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      ++i;  // the trail byte may look like "\" but belongs to this character
      continue;
    }
    if (chars.find(static_cast<char>(c)) != std::string_view::npos) found = i;
  }
  return found;
}

std::string FileNamePart(std::string_view path) {
  const std::size_t d = FindLastChar(path, "\\:");
  return std::string(d == std::string_view::npos ? path : path.substr(d + 1));
}

std::string ExtensionOf(std::string_view path) {
  const std::size_t dot = FindLastChar(path, ".\\:");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return std::string(path.substr(dot));
}

std::string FolderPart(std::string_view path) {
  const std::size_t d = FindLastChar(path, "\\");
  return d == std::string_view::npos ? std::string() : std::string(path.substr(0, d + 1));
}

std::string BaseName(std::string_view path) {
  const std::string name = FileNamePart(path);
  const std::size_t dot = FindLastChar(name, ".");
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool EndsWithDelimiter(std::string_view path) {
  return !path.empty() && FindLastChar(path, "\\") == path.size() - 1;
}

std::string WithoutClosingDelimiter(std::string_view path) {
  return std::string(EndsWithDelimiter(path) ? path.substr(0, path.size() - 1) : path);
}

std::string WithClosingDelimiter(std::string_view path) {
  if (EndsWithDelimiter(path)) return std::string(path);
  return std::string(WithoutHalfCharacter(path)) + '\\';
}

std::string WithExtension(std::string_view path, std::string_view extension) {
  const std::string current = ExtensionOf(path);
  return std::string(WithoutHalfCharacter(path.substr(0, path.size() - current.size()))) +
         std::string(extension);
}

std::string_view CutToBytes(std::string_view text, std::size_t maxBytes) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + width > maxBytes) break;
    i += width;
  }
  return text.substr(0, std::min(i, text.size()));
}

}  // namespace plenkit
