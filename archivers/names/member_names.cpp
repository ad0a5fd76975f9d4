#include "names/member_names.h"

#include <map>
#include <set>

#include "names/paths.h"
#include "names/platform.h"

namespace archivers {

namespace {

bool IsAscii(const std::string& bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The length of the UTF-8 sequence at `at`, or 0 when none is there.
std::size_t Utf8Length(const std::string& s, std::size_t at) {
  const unsigned char b = static_cast<unsigned char>(s[at]);
  const std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || at + n > s.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

// The length of the Shift-JIS character at `at`: 2 for a lead and a trail
// byte, 1 for any other byte.
std::size_t ShiftJisLength(const std::string& s, std::size_t at) {
  return IsLeadByte(s[at]) && at + 1 < s.size() && IsTrailByte(s[at + 1]) ? 2 : 1;
}

// In Shift-JIS, a lead byte then "/" was a trail byte 0x5C that a reader
// took for a folder separator: "/" is never a trail byte.
std::string WithTrailBytes(std::string bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (IsLeadByte(bytes[i]) && bytes[i + 1] == '/') bytes[i + 1] = '\\';
    if (IsLeadByte(bytes[i])) ++i;
  }
  return bytes;
}

// Decoded in `charset`; a character that is not valid in it stands as the
// substitute, so that no name comes back empty.
std::u32string DecodeName(const std::string& bytes, Charset charset) {
  std::u32string text;
  if (Decode(bytes, charset, text)) return text;
  text.clear();
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = charset == Charset::Utf8    ? Utf8Length(bytes, i)
                    : charset == Charset::Cp932 ? ShiftJisLength(bytes, i)
                                                : 1;
    std::u32string one;
    if (n == 0 || !Decode(bytes.substr(i, n), charset, one)) one = U"_", n = n ? n : 1;
    text += one;
    i += n;
  }
  return text;
}

bool IsBidiControl(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Each character of one folder or file name as it may stand in a name on
// disk: the substitute for what Shift-JIS or Windows cannot take, and for
// a dot or blank at the end, which Windows would drop.
std::u32string Admissible(const std::u32string& part) {
  std::u32string shown;
  std::string ignored;
  for (char32_t c : part) {
    const bool reserved = c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsBidiControl(c) ||
                          std::u32string_view(U"<>:\"|?*").find(c) != std::u32string_view::npos;
    shown += reserved || (c >= 0x80 && !ShiftJisOf(c, ignored)) ? U'_' : c;
  }
  const std::size_t kept = shown.find_last_not_of(U". ");
  if (kept != std::u32string::npos && kept + 1 < shown.size() &&
      shown.find_first_not_of(U'.') != std::u32string::npos) {
    for (std::size_t i = kept + 1; i < shown.size(); ++i) shown[i] = U'_';
  }
  return shown;
}

std::string ShiftJis(const std::u32string& text) {
  std::string bytes;
  for (char32_t c : text) {
    if (c < 0x80) bytes += static_cast<char>(c);
    else if (!ShiftJisOf(c, bytes)) bytes += kSubstitute;
  }
  return bytes;
}

// The names in use in each folder, as the file system compares them.
class Folders {
 public:
  // The name of `part` (a folder when `folder`) in the folder `parent`:
  // itself when free; a folder met before keeps its name; anything else
  // that meets a name in use is numbered.
  std::u32string Place(const std::u32string& parent, const std::u32string& part, bool folder) {
    if (folder) {
      const auto known = folders_.find({parent, part});
      if (known != folders_.end()) return known->second;
    }
    std::set<std::u32string>& used = used_[parent];
    std::u32string name = part;
    const std::size_t dot = part.rfind(U'.');
    const bool extension = !folder && dot != std::u32string::npos && dot > 0;
    for (int n = 2; !used.insert(Folded(name)).second; ++n) {
      const std::u32string number = U" (" + Digits(n) + U")";
      name = extension ? part.substr(0, dot) + number + part.substr(dot) : part + number;
    }
    if (folder) folders_[{parent, part}] = name;
    return name;
  }

 private:
  static std::u32string Digits(int n) {
    std::u32string digits;
    for (char c : std::to_string(n)) digits += static_cast<char32_t>(c);
    return digits;
  }
  std::map<std::u32string, std::set<std::u32string>> used_;
  std::map<std::pair<std::u32string, std::u32string>, std::u32string> folders_;
};

}  // namespace

Charset DecideCharset(const std::vector<StoredName>& names, Charset fallback) {
  std::size_t high = 0, shiftJis = 0;
  bool allUtf8 = true;
  std::u32string ignored;
  for (const StoredName& name : names) {
    if (name.unicode || IsAscii(name.bytes)) continue;
    ++high;
    for (std::size_t i = 0; allUtf8 && i < name.bytes.size();) {
      const std::size_t n = Utf8Length(name.bytes, i);
      allUtf8 = n != 0;
      i += n;
    }
    if (Decode(WithTrailBytes(name.bytes), Charset::Cp932, ignored)) ++shiftJis;
  }
  if (high == 0) return Charset::Cp932;
  if (allUtf8) return Charset::Utf8;
  return shiftJis * 2 >= high ? Charset::Cp932 : fallback;
}

std::vector<std::string> MemberNames(const std::vector<StoredName>& names, Charset charset) {
  std::vector<std::string> result(names.size());
  Folders folders;
  // Links, which are never written, are named after the others.
  std::vector<std::size_t> order;
  for (int links = 0; links < 2; ++links) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i].link == (links == 1)) order.push_back(i);
    }
  }
  for (const std::size_t index : order) {
    const StoredName& name = names[index];
    const std::u32string text =
        name.unicode
            ? Composed(name.text)
            : Composed(DecodeName(charset == Charset::Cp932 ? WithTrailBytes(name.bytes) : name.bytes, charset));
    // Folder by folder: "/" and "\" separate them; an empty part (a name
    // that begins with a separator) stays, and is refused on extraction.
    std::vector<std::u32string> parts(1);
    for (char32_t c : text) {
      if (c == U'/' || c == U'\\') parts.emplace_back();
      else parts.back() += c;
    }
    const bool folder = name.folder || (parts.size() > 1 && parts.back().empty());
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    std::u32string placed;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const bool isFolder = i + 1 < parts.size() || folder;
      const std::u32string& part = parts[i];
      const bool plain = part.empty() || part == U"." || part == U"..";
      placed += plain ? part : folders.Place(placed, Admissible(part), isFolder);
      if (isFolder) placed += U'\\';
    }
    result[index] = ShiftJis(placed);
  }
  return result;
}

}  // namespace archivers
