#include "archiver/kinds.h"

#include <cstring>

#include "text/sjis_path.h"

namespace plenkit {

namespace {

const KindInfo kTable[KindCount] = {
    {"UnLha32.Dll", "Unlha", {".lzh", nullptr}, "lzh ", "x -d1 \"%s\" \"%s\" ", "p \"%s\" \"%s\""},
    {"UnZip32.Dll", "UnZip", {".zip", nullptr}, "zip ", "-x \"%s\" \"%s\" ", "-p \"%s\" \"%s\""},
    {"Cab32.Dll", "Cab", {".cab", nullptr}, "cab ", "-x \"%s\" \"%s\" ", nullptr},
    {"UnArj32j.Dll", "Unarj", {".arj", nullptr}, "arj ", "x \"%s\" \"%s\" ", "p \"%s\" \"%s\""},
    {"UnRar32.Dll", "Unrar", {".rar", nullptr}, "rar ", "-x -u \"%s\" \"%s\" ", nullptr},
    {"Bga32.Dll", "Bga", {".bza", ".gza"}, "bza gza", "-x -n \"%s\" \"%s\" ", nullptr},
};

// What a kind outside the table answers: no library, no names, no commands.
const KindInfo kNone = {"", "", {nullptr, nullptr}, "", "", nullptr};

bool InTable(ArchiverKind kind) { return kind >= 0 && kind < KindCount; }

// The extensions are plain ASCII and no byte of a double-byte character can
// equal one of their bytes at the same place, so folding ASCII letters is the
// whole of the locale's case rule here.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const KindInfo& KindTable(ArchiverKind kind) { return InTable(kind) ? kTable[kind] : kNone; }

ArchiverKind KindOfFileName(std::string_view fileName) {
  const std::string extension = ExtensionOf(fileName);
  if (extension.empty()) return NoKind;
  for (int k = 0; k < KindCount; ++k) {
    for (const char* candidate : kTable[k].extensions) {
      if (candidate && EqualIgnoringAsciiCase(extension, candidate)) {
        return static_cast<ArchiverKind>(k);
      }
    }
  }
  return NoKind;
}

EntryPointName EntryPoint(ArchiverKind kind, const char* suffix) {
  EntryPointName name{};
  if (!InTable(kind)) return name;
  std::strncpy(name.text, kTable[kind].prefix, sizeof name.text - 1);
  std::strncat(name.text, suffix, sizeof name.text - 1 - std::strlen(name.text));
  return name;
}

}  // namespace plenkit
