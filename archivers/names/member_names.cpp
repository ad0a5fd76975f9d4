#include "names/member_names.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "names/paths.h"
#include "names/platform.h"

namespace archivers {

namespace {

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

// The character UTF-8 encodes in `n` bytes at `at`; 0 when the bytes are
// no character (too long a form, a surrogate, beyond Unicode).
char32_t Utf8Character(const std::string& s, std::size_t at, std::size_t n) {
  static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  const unsigned char lead = static_cast<unsigned char>(s[at]);
  char32_t c = n == 1 ? lead : n == 2 ? lead & 0x1F : n == 3 ? lead & 0x0F : lead & 0x07;
  for (std::size_t i = 1; i < n; ++i) c = c << 6 | (static_cast<unsigned char>(s[at + i]) & 0x3F);
  return c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? 0 : c;
}

// Names decoded in one character set. A name the set reads whole costs one
// call of the platform's; one with bytes the set cannot read is read a
// character at a time, each kind of character asked of the platform once,
// so a name of bad bytes costs no more than a good one. A character that is
// not valid stands as the substitute: no name comes back empty.
class NameDecoder {
 public:
  explicit NameDecoder(Charset charset) : charset_(charset) {}

  std::u32string Decode(const std::string& bytes) {
    std::u32string text;
    if (IsAscii(bytes)) return std::u32string(bytes.begin(), bytes.end());
    if (archivers::Decode(bytes, charset_, text)) return text;
    text.clear();
    for (std::size_t i = 0; i < bytes.size();) {
      const std::size_t n = charset_ == Charset::Utf8    ? Utf8Length(bytes, i)
                            : charset_ == Charset::Cp932 ? ShiftJisLength(bytes, i)
                                                         : 1;
      const char32_t c = n == 0 ? 0 : charset_ == Charset::Utf8 ? Utf8Character(bytes, i, n) : One(bytes.substr(i, n));
      text += c ? c : U'_';
      i += n ? n : 1;
    }
    return text;
  }

 private:
  char32_t One(const std::string& character) {
    const auto known = known_.find(character);
    if (known != known_.end()) return known->second;
    std::u32string one;
    const char32_t c = archivers::Decode(character, charset_, one) && one.size() == 1 ? one[0] : 0;
    known_.emplace(character, c);
    return c;
  }

  Charset charset_;
  std::unordered_map<std::string, char32_t> known_;
};

bool IsBidiControl(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// A character no name on disk may hold: the controls, the bidirectional
// controls, and Windows' reserved characters; "/" and "\\" separate folders.
bool IsReserved(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsBidiControl(c) ||
         std::u32string_view(U"<>:\"|?*").find(c) != std::u32string_view::npos;
}

bool IsAsciiText(const std::u32string& text) {
  for (char32_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// `text` in Shift-JIS, each character it lacks the substitute: one call of
// the platform's for the whole text. Characters beyond the BMP, which
// Shift-JIS never has, are made the substitute first, one each.
std::string ShiftJis(std::u32string text) {
  if (IsAsciiText(text)) return std::string(text.begin(), text.end());
  for (char32_t& c : text) {
    if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U'_';
  }
  return ShiftJisOf(text, kSubstitute);
}

// A whole name with every character a name on disk cannot hold, or
// Shift-JIS lacks, made the substitute.
std::u32string Admissible(std::u32string text) {
  for (char32_t& c : text) {
    if (IsReserved(c)) c = U'_';
  }
  if (IsAsciiText(text)) return text;
  std::u32string back;
  return archivers::Decode(ShiftJis(text), Charset::Cp932, back) ? back : text;
}

// A dot or blank at the end of a folder or file name, which Windows would
// drop, made the substitute; a part of dots alone is left for the path
// rules to refuse.
void SubstituteTrailing(std::u32string& part) {
  const std::size_t kept = part.find_last_not_of(U". ");
  if (kept != std::u32string::npos && kept + 1 < part.size() && part.find_first_not_of(U'.') != std::u32string::npos) {
    for (std::size_t i = kept + 1; i < part.size(); ++i) part[i] = U'_';
  }
}

// The names in use in each folder, as the file system compares them. Each
// folder placed has a number, by which its own names are kept: the cost of
// a name grows with its length, not with the square of its depth.
class Folders {
 public:
  static constexpr std::size_t kRoot = 0;

  // The name of `part` (a folder when `folder`) in the folder numbered
  // `parent`: itself when free; a folder met before keeps its name; anything
  // else that meets a name in use is numbered. A folder's number goes to
  // `placed`.
  std::u32string Place(std::size_t parent, const std::u32string& part, bool folder, std::size_t& placed) {
    if (folder) {
      const auto known = folders_.find({parent, part});
      if (known != folders_.end()) {
        placed = known->second.number;
        return known->second.name;
      }
    }
    std::unordered_set<std::u32string>& used = used_[parent];
    std::u32string name = part;
    const std::size_t dot = part.rfind(U'.');
    const bool extension = !folder && dot != std::u32string::npos && dot > 0;
    for (int n = 2; !used.insert(Folded(name)).second; ++n) {
      const std::u32string number = U" (" + Digits(n) + U")";
      name = extension ? part.substr(0, dot) + number + part.substr(dot) : part + number;
    }
    if (folder) {
      placed = ++last_;
      folders_.emplace(std::make_pair(parent, part), Placed{placed, name});
    }
    return name;
  }

 private:
  struct Placed {
    std::size_t number;
    std::u32string name;
  };
  struct PairHash {
    std::size_t operator()(const std::pair<std::size_t, std::u32string>& key) const {
      return std::hash<std::u32string>()(key.second) * 31 + key.first;
    }
  };

  static std::u32string Digits(int n) {
    std::u32string digits;
    for (char c : std::to_string(n)) digits += static_cast<char32_t>(c);
    return digits;
  }
  static std::u32string Folded(const std::u32string& name) {
    if (!IsAsciiText(name)) return archivers::Folded(name);
    std::u32string folded = name;
    for (char32_t& c : folded) {
      if (c >= U'a' && c <= U'z') c -= 32;
    }
    return folded;
  }

  std::size_t last_ = kRoot;
  std::unordered_map<std::size_t, std::unordered_set<std::u32string>> used_;
  std::unordered_map<std::pair<std::size_t, std::u32string>, Placed, PairHash> folders_;
};

}  // namespace

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

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
  NameDecoder decoder(charset);
  // Links, which are never written, are named after the others.
  std::vector<std::size_t> order;
  for (int links = 0; links < 2; ++links) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i].link == (links == 1)) order.push_back(i);
    }
  }
  for (const std::size_t index : order) {
    const StoredName& name = names[index];
    const std::u32string text = Admissible(
        Composed(name.unicode ? name.text
                              : decoder.Decode(charset == Charset::Cp932 ? WithTrailBytes(name.bytes) : name.bytes)));
    // Folder by folder: "/" and "\\" separate them. A "." part names the
    // folder it stands in and goes, unless it is all there is; an empty part
    // (a name that begins with a separator) and ".." stay, and are refused
    // on extraction.
    std::vector<std::u32string> parts(1);
    for (char32_t c : text) {
      if (c == U'/' || c == U'\\') parts.emplace_back();
      else parts.back() += c;
    }
    const bool folder = name.folder || (parts.size() > 1 && parts.back().empty());
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    const auto dot = std::remove(parts.begin(), parts.end(), U".");
    if (dot != parts.begin()) parts.erase(dot, parts.end());
    std::u32string placed;
    std::size_t parent = Folders::kRoot;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const bool isFolder = i + 1 < parts.size() || folder;
      std::u32string& part = parts[i];
      if (part.empty() || part == U"." || part == U"..") {
        placed += part;
      } else {
        SubstituteTrailing(part);
        placed += folders.Place(parent, part, isFolder, parent);
      }
      if (isFolder) placed += U'\\';
    }
    result[index] = ShiftJis(placed);
  }
  return result;
}

}  // namespace archivers
