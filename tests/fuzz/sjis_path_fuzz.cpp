// The path texts on any bytes: every part is a piece of the path cut at
// character boundaries, and only a "\" or ":" that is a character of its
// own delimits.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "text/sjis_path.h"

using namespace plenkit;
using namespace fuzzing;

namespace {

struct Path {
  std::string_view text;
  std::vector<bool> starts;

  explicit Path(std::string_view t) : text(t), starts(CharacterStarts(t)) {}

  // Whether a single-byte character from `chars` stands at `i`.
  bool IsOneOf(std::size_t i, std::string_view chars) const {
    return i < text.size() && starts[i] && (i + 1 == text.size() || starts[i + 1]) &&
           chars.find(text[i]) != std::string_view::npos;
  }
  bool AnyFrom(std::size_t from, std::string_view chars) const {
    for (std::size_t i = from; i < text.size(); ++i) {
      if (IsOneOf(i, chars)) return true;
    }
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte is a length for the cut; the rest is the path.
  if (size == 0) return 0;
  const std::size_t limit = data[0];
  const Path p(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  const std::string_view path = p.text;

  const std::string name = FileNamePart(path);
  FUZZ_CHECK(IsSuffix(name, path));
  const std::size_t nameAt = path.size() - name.size();
  FUZZ_CHECK(p.starts[nameAt]);
  FUZZ_CHECK(nameAt == 0 || p.IsOneOf(nameAt - 1, "\\:"));
  FUZZ_CHECK(!p.AnyFrom(nameAt, "\\:"));

  const std::string folder = FolderPart(path);
  FUZZ_CHECK(IsPrefix(folder, path));
  FUZZ_CHECK(folder.empty() || p.IsOneOf(folder.size() - 1, "\\"));
  FUZZ_CHECK(!p.AnyFrom(folder.size(), "\\"));

  const std::string extension = ExtensionOf(path);
  FUZZ_CHECK(IsSuffix(extension, name));
  if (extension.empty()) {
    FUZZ_CHECK(!p.AnyFrom(nameAt, "."));
  } else {
    const std::size_t dotAt = path.size() - extension.size();
    FUZZ_CHECK(p.IsOneOf(dotAt, "."));
    FUZZ_CHECK(!p.AnyFrom(dotAt + 1, "."));
  }
  FUZZ_CHECK(BaseName(path) + extension == name);

  const bool closed = EndsWithDelimiter(path);
  FUZZ_CHECK(closed == (!path.empty() && p.IsOneOf(path.size() - 1, "\\")));
  const std::string open = WithoutClosingDelimiter(path);
  FUZZ_CHECK(open == (closed ? path.substr(0, path.size() - 1) : path));
  // A lead byte at the end without its second byte goes before a "\".
  const bool half = !path.empty() && p.starts[path.size() - 1] &&
                    IsLeadByte(static_cast<unsigned char>(path.back()));
  const std::string whole(half ? path.substr(0, path.size() - 1) : path);
  const std::string withDelimiter = WithClosingDelimiter(path);
  FUZZ_CHECK(withDelimiter == (closed ? whole : whole + "\\"));
  FUZZ_CHECK(EndsWithDelimiter(withDelimiter));

  const std::string renamed = WithExtension(path, ".ini");
  FUZZ_CHECK(ExtensionOf(renamed) == ".ini");
  FUZZ_CHECK(BaseName(renamed) == BaseName(whole));
  FUZZ_CHECK(FolderPart(renamed) == folder);

  const std::string_view cut = CutToBytes(path, limit);
  FUZZ_CHECK(IsPrefix(cut, path));
  FUZZ_CHECK(cut.size() <= limit);
  FUZZ_CHECK(p.starts[cut.size()]);
  if (cut.size() < path.size()) {
    // What follows did not fit; a lone lead byte at the end counts two.
    const bool lead = IsLeadByte(static_cast<unsigned char>(path[cut.size()]));
    FUZZ_CHECK(cut.size() + (lead ? 2 : 1) > limit);
  }
  return 0;
}
