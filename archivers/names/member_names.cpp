#include "names/member_names.h"

#include <algorithm>
#include <memory_resource>
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

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Text this file made UTF-8 of, back as Unicode.
std::u32string FromUtf8(std::string_view utf8) {
  std::u32string text;
  const std::string bytes(utf8);
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = std::max<std::size_t>(Utf8Length(bytes, i), 1);
    text += Utf8Character(bytes, i, n);
    i += n;
  }
  return text;
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

// An ASCII name with every character a name on disk cannot hold made the
// substitute: what Admissible makes of it, without a conversion.
void AdmissibleAscii(std::string& text) {
  for (char& c : text) {
    switch (c) {
      case '<':
      case '>':
      case ':':
      case '"':
      case '|':
      case '?':
      case '*':
      case 0x7F: c = kSubstitute; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) c = kSubstitute;
    }
  }
}

// A part of a name, as a span of its text.
struct Span {
  std::size_t at, length;
};

// A dot or blank at the end of a folder or file name, which Windows would
// drop, made the substitute; a part of dots alone is left for the path
// rules to refuse.
void SubstituteTrailing(std::string& text, Span part) {
  const std::string_view view(text.data() + part.at, part.length);
  const std::size_t kept = view.find_last_not_of(". ");
  if (kept != std::string_view::npos && kept + 1 < view.size() &&
      view.find_first_not_of('.') != std::string_view::npos) {
    for (std::size_t i = kept + 1; i < view.size(); ++i) text[part.at + i] = kSubstitute;
  }
}

// The names in use in each folder, as the file system compares them. Each
// folder placed has a number, by which its own names are kept: the cost of
// a name grows with its length, not with the square of its depth. Names are
// UTF-8 here, kept in an arena of the listing's own: a name placed costs no
// allocation of its own.
class Folders {
 public:
  static constexpr std::size_t kRoot = 0;

  explicit Folders(std::size_t names) { used_.reserve(names); }

  // Appends to `out` the name of `part` (a folder when `folder`) in the
  // folder numbered `parent`: itself when free; a folder met before keeps
  // its name; anything else that meets a name in use is numbered. A
  // folder's number goes to `placed`.
  void Place(std::size_t parent, std::string_view part, bool folder, std::size_t& placed, std::string& out) {
    if (folder) {
      Key(parent, part, false);
      const auto known = folders_.find(key_);
      if (known != folders_.end()) {
        placed = known->second.number;
        out += known->second.name;
        return;
      }
    }
    name_.assign(part);
    const std::size_t dot = part.rfind('.');
    const bool extension = !folder && dot != std::string_view::npos && dot > 0;
    for (int n = 2; !Use(parent, name_); ++n) {
      const std::string number = " (" + std::to_string(n) + ")";
      name_ = extension ? std::string(part.substr(0, dot)) + number + std::string(part.substr(dot))
                        : std::string(part) + number;
    }
    if (folder) {
      placed = ++last_;
      Key(parent, part, false);
      folders_.emplace(key_, Placed{placed, std::pmr::string(name_, &arena_)});
    }
    out += name_;
  }

 private:
  struct Placed {
    std::size_t number;
    std::pmr::string name;
  };

  // Whether `name` was free in the folder numbered `parent`, which it now
  // takes.
  bool Use(std::size_t parent, std::string_view name) {
    Key(parent, name, true);
    return used_.insert(key_).second;
  }

  // The key of `name` in the folder numbered `parent`: the number's bytes,
  // then the name, letter case folded when `folded`.
  void Key(std::size_t parent, std::string_view name, bool folded) {
    key_.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
    if (!folded) {
      key_ += name;
    } else if (IsAscii(name)) {
      const std::size_t from = key_.size();
      key_ += name;
      for (std::size_t i = from; i < key_.size(); ++i) {
        if (key_[i] >= 'a' && key_[i] <= 'z') key_[i] = static_cast<char>(key_[i] - 32);
      }
    } else {
      std::string utf8;
      for (char32_t c : archivers::Folded(FromUtf8(name))) AppendUtf8(utf8, c);
      key_ += utf8;
    }
  }

  std::pmr::monotonic_buffer_resource arena_{64 * 1024};
  std::size_t last_ = kRoot;
  std::pmr::string key_{&arena_};
  std::string name_;
  std::pmr::unordered_set<std::pmr::string> used_{&arena_};
  std::pmr::unordered_map<std::pmr::string, Placed> folders_{&arena_};
};

// One name placed, "\" between its folders and after a folder's: `text`,
// UTF-8, cut at "/" and "\" into its parts. A "." part names the folder it
// stands in and goes, unless it is all there is; an empty part (a name that
// begins with a separator) and ".." stay, and are refused on extraction.
void PlaceName(std::string& text, bool folder, Folders& folders, std::vector<Span>& parts, std::string& out) {
  parts.assign(1, Span{0, 0});
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '/' || text[i] == '\\') parts.push_back({i + 1, 0});
    else ++parts.back().length;
  }
  folder = folder || (parts.size() > 1 && parts.back().length == 0);
  if (parts.size() > 1 && parts.back().length == 0) parts.pop_back();
  const auto dot =
      std::remove_if(parts.begin(), parts.end(), [&](Span part) { return part.length == 1 && text[part.at] == '.'; });
  if (dot != parts.begin()) parts.erase(dot, parts.end());
  out.clear();
  std::size_t parent = Folders::kRoot;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool isFolder = i + 1 < parts.size() || folder;
    const std::string_view part(text.data() + parts[i].at, parts[i].length);
    if (part.empty() || part == "." || part == "..") {
      out += part;
    } else {
      SubstituteTrailing(text, parts[i]);
      folders.Place(parent, part, isFolder, parent, out);
    }
    if (isFolder) out += '\\';
  }
}

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

std::vector<std::string> MemberNames(std::vector<StoredName> names, Charset charset) {
  std::vector<std::string> result(names.size());
  Folders folders(names.size());
  NameDecoder decoder(charset);
  // Links, which are never written, are named after the others.
  std::vector<std::size_t> order;
  order.reserve(names.size());
  for (int links = 0; links < 2; ++links) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i].link == (links == 1)) order.push_back(i);
    }
  }
  std::string text, placed;
  std::vector<Span> parts;
  for (const std::size_t index : order) {
    const StoredName& name = names[index];
    // An ASCII name reads the same in every character set, is composed
    // already and is all in Shift-JIS: it needs no conversion at all.
    if (name.unicode ? IsAsciiText(name.text) : IsAscii(name.bytes)) {
      if (name.unicode) text.assign(name.text.begin(), name.text.end());
      else text = name.bytes;
      AdmissibleAscii(text);
    } else {
      const std::u32string admissible = Admissible(
          Composed(name.unicode ? name.text
                                : decoder.Decode(charset == Charset::Cp932 ? WithTrailBytes(name.bytes) : name.bytes)));
      text.clear();
      for (char32_t c : admissible) AppendUtf8(text, c);
    }
    PlaceName(text, name.folder, folders, parts, placed);
    // The stored bytes are read: their room takes the name.
    std::string& room = names[index].bytes;
    if (IsAscii(placed)) room.assign(placed);
    else room = ShiftJis(FromUtf8(placed));
    result[index] = std::move(room);
  }
  return result;
}

}  // namespace archivers
