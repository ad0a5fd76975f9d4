// Stand-in for one of the archiver libraries Plenkit drives. The real ones
// cannot be installed where Plenkit is built and tested, so tests load this
// library under the real file name. It reads real archives of its library's
// format (real/), and text descriptions of entries (README.md) that give
// tests exact values; every call is appended to a log so that a test can
// see exactly what Plenkit asked for.
//
// Built once per library with -DSTANDIN_PREFIX=<prefix> and
// -DSTANDIN_FORMAT=<Lha|Zip|Cab|Rar|Arj|None>. The exported names
// come from a .def file, never from dllexport, so that the 32-bit build
// exports "Unlha" and not "Unlha@16".

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "real/paths.h"
#include "real/real_archive.h"

#ifndef STANDIN_PREFIX
#error "define STANDIN_PREFIX as the library's prefix, e.g. -DSTANDIN_PREFIX=Unlha"
#endif

#define STANDIN_JOIN2(a, b) a##b
#define STANDIN_JOIN(a, b) STANDIN_JOIN2(a, b)
#define STANDIN_STR2(a) #a
#define STANDIN_STR(a) STANDIN_STR2(a)
// STANDIN_API(FindFirst) is the function UnlhaFindFirst; STANDIN_NAME is
// its exported name as text, which is what the log records.
#define STANDIN_API(suffix) STANDIN_JOIN(STANDIN_PREFIX, suffix)
#define STANDIN_NAME(suffix) STANDIN_STR(STANDIN_PREFIX) #suffix

namespace {

using namespace standin;

// The caller reserves 560 bytes for an entry record; bytes 558 and 559 are
// touched only by an entry that asks for its name area filled to the last
// byte, so a caller that reads them otherwise sees its own fill.
constexpr size_t kRecordBytes = 560;
constexpr size_t kInfoBytes = 558;
constexpr size_t kNameOffset = 26;
constexpr size_t kNameMax = 512;
// What a caller keeps beyond a print buffer's stated size; writing past it
// would corrupt the caller's heap, not test it.
constexpr long long kMarginBytes = 400;

struct Entry {
  std::string name;
  std::string content;
  bool hasRepeat = false;
  uint32_t repeatTo = 0;
  bool hasSize = false;
  uint32_t size = 0;
  bool hasPacked = false;
  uint32_t packed = 0;
  uint16_t ratio = 0;
  uint16_t date = 0x2A21;  // 2001-01-01
  uint16_t time = 0;
  bool noTerm = false;
  uint32_t overrun = 0;
  bool fillName = false;
};

struct Archive {
  bool hasCount = false;
  int count = 0;
  bool openFails = false;
  bool negativeHandle = false;
  int findFirstResult = 0;
  int findNextResult = 0;
  bool extractOff = false;
  bool letsMessagesRun = false;
  std::vector<Entry> entries;
  // A real archive's members, as the reader listed them.
  std::shared_ptr<const Listing> real;
  size_t cursor = 0;
  // Where the calls on this handle are logged: the log as it was named
  // when the archive was opened.
  std::string log;

  size_t size() const { return real ? real->members.size() : entries.size(); }
};

// ---- log ----

// Opened and closed per call so that a test can read or remove the log at
// any time. Test processes share one log: append access alone is not enough
// under Wine (the end of file is looked up, then written to, and two
// processes lose each other's lines), so the whole file is locked while the
// line is added.
std::string logPath() {
  // Read through the system and not getenv(): a test that sets the variable
  // with SetEnvironmentVariableA is not seen by the C runtime.
  char path[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA("PLENKIT_STANDIN_LOG", path, sizeof path);
  return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

void writeLogTo(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED whole = {};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    std::string text = line + "\n";
    DWORD written = 0;
    LARGE_INTEGER zero = {};
    SetFilePointerEx(file, zero, nullptr, FILE_END);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  }
  CloseHandle(file);
}

void writeLog(const std::string& line) { writeLogTo(logPath(), line); }

std::string orEmpty(const char* text) { return text ? text : ""; }
const char* flag(const void* handle) { return handle ? "1" : "0"; }

// ---- archive descriptions ----

bool readWholeFile(const char* path, std::string& data) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  char buffer[64 * 1024];
  for (DWORD chunk = 16;; chunk = sizeof buffer) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, chunk, &got, nullptr)) { ok = false; break; }
    if (got == 0) break;
    data.append(buffer, got);
    // Anything but a description is rejected at its first bytes, so that a
    // real archive or a test's 4 GiB file costs nothing to pass over.
    if (data.compare(0, 7, "STANDIN", 0, std::min<std::size_t>(data.size(), 7)) != 0) break;
  }
  CloseHandle(file);
  return ok;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A backslash that starts no escape stands for itself, so that folder names
// like "dir\file.txt" can be written as they are.
std::string unescape(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (IsLeadByte(c) && i + 1 < value.size()) {
      out += c;
      out += value[++i];
      continue;
    }
    if (c != '\\' || i + 1 == value.size()) {
      out += c;
      continue;
    }
    switch (value[i + 1]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x':
        if (i + 3 < value.size() && hexValue(value[i + 2]) >= 0 && hexValue(value[i + 3]) >= 0) {
          out += static_cast<char>(hexValue(value[i + 2]) * 16 + hexValue(value[i + 3]));
          i += 2;
          break;
        }
        out += c;
        continue;
      default:
        out += c;
        continue;
    }
    ++i;
  }
  return out;
}

// Decimal or 0x hex, optionally negative, nothing else on the line.
bool parseNumber(const std::string& text, long long low, long long high, long long& result) {
  size_t i = 0;
  bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  int base = 10;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) base = 16, i += 2;
  if (i == text.size()) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    int digit = hexValue(text[i]);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > (1LL << 40)) return false;
  }
  result = negative ? -value : value;
  return result >= low && result <= high;
}

// Descriptions are read only where the tests ask for them: elsewhere a
// file that begins with STANDIN is no archive.
bool descriptionsAllowed() {
  char value[8];
  return GetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", value, sizeof value) > 0;
}

// False when the file is not a description, or has a line it does not
// understand: a typing error in a test should not pass as an archive.
bool loadArchive(const char* path, Archive& archive) {
  std::string data;
  if (!path || !descriptionsAllowed() || !readWholeFile(path, data)) return false;
  std::vector<std::string> lines;
  for (size_t start = 0; start < data.size();) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.empty() || lines[0] != "STANDIN") return false;

  Entry* entry = nullptr;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '#') continue;
    size_t blank = line.find(' ');
    std::string key = line.substr(0, blank);
    std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    long long n = 0;
    if (key == "count" && parseNumber(value, INT_MIN, INT_MAX, n)) {
      archive.hasCount = true, archive.count = static_cast<int>(n);
    } else if (key == "open" && value == "fail") {
      archive.openFails = true;
    } else if (key == "open" && value == "negative") {
      archive.negativeHandle = true;
    } else if (key == "findfirst" && parseNumber(value, INT_MIN, INT_MAX, n) && n != 0) {
      archive.findFirstResult = static_cast<int>(n);
    } else if (key == "findnext" && parseNumber(value, INT_MIN, INT_MAX, n) && n != 0) {
      archive.findNextResult = static_cast<int>(n);
    } else if (key == "extract" && value == "off") {
      archive.extractOff = true;
    } else if (key == "messages" && value == "run") {
      archive.letsMessagesRun = true;
    } else if (key == "entry") {
      archive.entries.emplace_back();
      entry = &archive.entries.back();
      entry->name = value;  // names are raw: Windows paths are full of backslashes
    } else if (!entry) {
      return false;
    } else if (key == "size" && parseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasSize = true, entry->size = static_cast<uint32_t>(n);
    } else if (key == "packed" && parseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasPacked = true, entry->packed = static_cast<uint32_t>(n);
    } else if (key == "ratio" && parseNumber(value, 0, UINT16_MAX, n)) {
      entry->ratio = static_cast<uint16_t>(n);
    } else if (key == "date" && parseNumber(value, 0, UINT16_MAX, n)) {
      entry->date = static_cast<uint16_t>(n);
    } else if (key == "time" && parseNumber(value, 0, UINT16_MAX, n)) {
      entry->time = static_cast<uint16_t>(n);
    } else if (key == "text") {
      entry->content += unescape(value);
    } else if (key == "repeat" && parseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasRepeat = true, entry->repeatTo = static_cast<uint32_t>(n);
    } else if (key == "noterm" && value.empty()) {
      entry->noTerm = true;
    } else if (key == "overrun" && parseNumber(value, 0, kMarginBytes, n)) {
      entry->overrun = static_cast<uint32_t>(n);
    } else if (key == "fillname" && value.empty() && !entry->name.empty()) {
      entry->fillName = true;
    } else {
      return false;
    }
  }

  // Applied after the entry's last line so that "repeat" may come before
  // or after its "text" lines.
  for (Entry& e : archive.entries) {
    if (e.hasRepeat) {
      std::string unit = e.content.empty() ? std::string(1, '\0') : e.content;
      e.content.clear();
      while (e.content.size() < e.repeatTo) e.content += unit;
      e.content.resize(e.repeatTo);
    }
    if (!e.hasSize) e.size = static_cast<uint32_t>(e.content.size());
    if (!e.hasPacked) e.packed = e.size;
  }
  return true;
}

constexpr Format kFormat = Format::STANDIN_FORMAT;

std::uint32_t clamp32(std::uint64_t value) { return value > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(value); }

bool loadRealArchive(const char* path, Archive& archive) {
  archive.real = ListArchive(kFormat, path);
  return archive.real != nullptr;
}

const Entry* findEntry(const Archive& archive, const std::string& name) {
  for (const Entry& e : archive.entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

void put16(unsigned char* at, uint16_t value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char* at, uint32_t value) {
  put16(at, static_cast<uint16_t>(value));
  put16(at + 2, static_cast<uint16_t>(value >> 16));
}

void fillInfo(const Entry& entry, void* info) {
  if (!info) return;
  unsigned char* record = static_cast<unsigned char*>(info);
  memset(record, 0, kInfoBytes);
  put32(record + 0, entry.size);
  put32(record + 4, entry.packed);
  put16(record + 20, entry.ratio);
  put16(record + 22, entry.date);
  put16(record + 24, entry.time);
  // Longer names are cut without a terminator, as a record has room for
  // only 512 name bytes and one zero.
  memcpy(record + kNameOffset, entry.name.data(), entry.name.size() < kNameMax ? entry.name.size() : kNameMax);
  if (entry.fillName) {
    // The name again and again, to the record's last byte: no zero anywhere.
    for (size_t i = kNameOffset; i < kRecordBytes; ++i) {
      record[i] = static_cast<unsigned char>(entry.name[(i - kNameOffset) % entry.name.size()]);
    }
  }
}

void fillInfo(const Member& member, void* info) {
  Entry entry;
  entry.size = clamp32(member.size);
  entry.packed = clamp32(member.packed);
  // Tenths of a percent: what is left of the original.
  entry.ratio = static_cast<uint16_t>(
      member.size == 0 ? 0 : std::min<std::uint64_t>(UINT16_MAX, (member.packed * 1000 + member.size / 2) / member.size));
  entry.date = member.date;
  entry.time = member.time;
  fillInfo(entry, info);
  memcpy(static_cast<unsigned char*>(info) + kNameOffset, member.name.data(), std::min(member.name.size(), kNameMax));
}

void fillInfo(const Archive& archive, size_t index, void* info) {
  if (archive.real) fillInfo(archive.real->members[index], info);
  else fillInfo(archive.entries[index], info);
}

// ---- commands ----

// Blanks and tabs separate tokens; double quotes group blanks into a token
// and are dropped. A backslash is an ordinary character, so "D:\out\" ends
// at its closing quote. A token that was quoted, in part or whole, is a
// name or a path whatever it begins with; only an unquoted token that
// begins with "-" is a switch, wherever it stands. Plenkit quotes every
// name it sends, and sends none that a quote cannot hold.
struct Token {
  std::string text;
  bool quoted = false;
  bool IsSwitch() const { return !quoted && !text.empty() && text[0] == '-'; }
};

std::vector<Token> tokenize(const char* commandLine) {
  std::vector<Token> tokens;
  Token token;
  bool inToken = false, inQuotes = false;
  for (const char* p = commandLine; p && *p; ++p) {
    if (*p == '"') {
      inQuotes = !inQuotes, inToken = true, token.quoted = true;
    } else if (!inQuotes && (*p == ' ' || *p == '\t')) {
      if (inToken) tokens.push_back(token);
      token = Token(), inToken = false;
    } else {
      token.text += *p, inToken = true;
    }
  }
  if (inToken) tokens.push_back(token);
  return tokens;
}

bool writeWholeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size();
  return CloseHandle(file) && ok;
}

int extract(const Archive& archive, const std::string& destination, const std::vector<std::string>& names) {
  std::vector<const Entry*> chosen;
  for (const std::string& name : names) {
    const Entry* entry = findEntry(archive, name);
    if (!entry) return kNoSuchEntry;
    chosen.push_back(entry);
  }
  if (names.empty()) {
    for (const Entry& e : archive.entries) chosen.push_back(&e);
  }
  if (archive.extractOff) return 0;

  if (!MakeFolders(destination)) return kWriteFailed;
  std::string base = EndsWithSeparator(destination) ? destination : destination + "\\";
  int result = 0;
  for (const Entry* entry : chosen) {
    // The same names are refused as in real archives.
    if (!StaysInside(entry->name)) {
      if (result == 0) result = kUnsafeName;
      continue;
    }
    std::string path = base + entry->name;
    if (EndsWithSeparator(path)) {
      if (!MakeFolders(path.substr(0, path.size() - 1))) return kWriteFailed;
      continue;
    }
    size_t cut = LastSeparator(path);
    if (cut != std::string::npos) MakeFolders(path.substr(0, cut));
    if (!writeWholeFile(path, entry->content)) return kWriteFailed;
  }
  return result;
}

// A failed print leaves an empty text behind, not the caller's old bytes.
int printNothing(int result, char* output, DWORD size) {
  if (output && size > 0) output[0] = '\0';
  return result;
}

// Copies as much of the content as fits; the zero, the missing zero and
// the bytes past the end imitate libraries that are less careful.
int print(const Archive& archive, const std::string& name, char* output, DWORD size) {
  const Entry* entry = findEntry(archive, name);
  if (!entry) return printNothing(kNoSuchEntry, output, size);
  if (!output) return 0;
  size_t copied = entry->content.size() < size ? entry->content.size() : size;
  memcpy(output, entry->content.data(), copied);
  if (copied < size && !entry->noTerm) output[copied] = '\0';
  if (entry->overrun > 0) memset(output + size, 'X', entry->overrun);
  return 0;
}

// Extraction answers with a short status line, when it fits.
int report(int result, char* output, DWORD size) {
  const char* status = result == 0 ? "ok\r\n" : "error\r\n";
  if (output && strlen(status) < size) {
    memcpy(output, status, strlen(status) + 1);
    return result;
  }
  return printNothing(result, output, size);
}

// What a library with a window of its own does while it works: the
// caller's pending messages run, whatever they do to the caller.
void letMessagesRun() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Handles given out as negative numbers, for callers that take any
// non-zero handle for a good one; the others are the archives' addresses.
std::vector<Archive*>& negativeHandles() {
  static std::vector<Archive*> handles;
  return handles;
}

// Calls on an open archive go to the log named when it was opened: a walk
// of many entries does not look the name up again for each.
void logCall(const Archive* archive, const std::string& line) { writeLogTo(archive ? archive->log : logPath(), line); }

Archive* archiveOf(HANDLE handle) {
  const intptr_t value = reinterpret_cast<intptr_t>(handle);
  std::vector<Archive*>& negatives = negativeHandles();
  if (value < 0 && static_cast<size_t>(-value) <= negatives.size()) return negatives[-value - 1];
  return static_cast<Archive*>(handle);
}

// Nothing may escape an entry point into the caller: a failure of the
// library's own (no memory, say) answers as `failed` does.
template <typename Result, typename Call>
Result guarded(Result failed, Call call) {
  try {
    return call();
  } catch (...) {
    return failed;
  }
}

}  // namespace

extern "C" {

int WINAPI STANDIN_PREFIX(HWND hwnd, LPCSTR cmdLine, LPSTR output, DWORD outputSize) {
  return guarded(kBadCommand, [&] {
    writeLog(std::string(STANDIN_NAME()) + "\thwnd=" + flag(hwnd) + "\tsize=" + std::to_string(outputSize) + "\t" +
             orEmpty(cmdLine));
    const std::vector<Token> tokens = tokenize(cmdLine);
    // The command, then the archive, the destination or the entry to print,
    // and the entries to extract; switches may stand anywhere among them.
    std::vector<std::string> args;
    bool extracting = false, printing = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (i == 0) {
        extracting = tokens[0].text == "x" || tokens[0].text == "-x";
        printing = tokens[0].text == "p" || tokens[0].text == "-p";
      } else if (!tokens[i].IsSwitch()) {
        args.push_back(tokens[i].text);
      }
    }
    if ((!extracting && !printing) || args.size() < 2) {
      return printing ? printNothing(kBadCommand, output, outputSize) : report(kBadCommand, output, outputSize);
    }

    Archive archive;
    const char* path = args[0].c_str();
    bool described = loadArchive(path, archive);
    if (described && archive.letsMessagesRun) letMessagesRun();
    if (printing) {
      if (!described) return PrintMember(kFormat, path, args[1], output, outputSize);
      return print(archive, args[1], output, outputSize);
    }
    std::vector<std::string> names(args.begin() + 2, args.end());
    if (!described) return report(ExtractMembers(kFormat, path, args[1], names), output, outputSize);
    return report(extract(archive, args[1], names), output, outputSize);
  });
}

int WINAPI STANDIN_API(GetFileCount)(LPCSTR archivePath) {
  return guarded(-1, [&] {
    writeLog(std::string(STANDIN_NAME(GetFileCount)) + "\t" + orEmpty(archivePath));
    Archive archive;
    if (!loadArchive(archivePath, archive)) {
      std::shared_ptr<const Listing> listing = ListArchive(kFormat, archivePath);
      return listing ? static_cast<int>(std::min<std::size_t>(listing->members.size(), INT_MAX)) : -1;
    }
    return archive.hasCount ? archive.count : static_cast<int>(archive.entries.size());
  });
}

HANDLE WINAPI STANDIN_API(OpenArchive)(HWND owner, LPCSTR archivePath, DWORD mode) {
  return guarded(HANDLE(nullptr), [&]() -> HANDLE {
    const std::string log = logPath();
    writeLogTo(log, std::string(STANDIN_NAME(OpenArchive)) + "\towner=" + flag(owner) + "\tmode=" + std::to_string(mode) +
             "\t" + orEmpty(archivePath));
    auto archive = std::make_unique<Archive>();
    archive->log = log;
    bool loaded = loadArchive(archivePath, *archive) || loadRealArchive(archivePath, *archive);
    if (!loaded || archive->openFails) return nullptr;
    if (archive->negativeHandle) {
      negativeHandles().push_back(archive.release());
      return reinterpret_cast<HANDLE>(-static_cast<intptr_t>(negativeHandles().size()));
    }
    return archive.release();
  });
}

int WINAPI STANDIN_API(FindFirst)(HANDLE handle, LPCSTR wildcard, void* info) {
  return guarded(-1, [&] {
    Archive* archive = archiveOf(handle);
    logCall(archive, std::string(STANDIN_NAME(FindFirst)) + "\t" + orEmpty(wildcard));
    if (!archive || !info) return -1;
    if (archive->findFirstResult != 0) return archive->findFirstResult;
    archive->cursor = 0;
    if (archive->size() == 0) return -1;
    fillInfo(*archive, 0, info);
    archive->cursor = 1;
    return 0;
  });
}

int WINAPI STANDIN_API(FindNext)(HANDLE handle, void* info) {
  return guarded(-1, [&] {
    Archive* archive = archiveOf(handle);
    logCall(archive, STANDIN_NAME(FindNext));
    if (archive && archive->findNextResult != 0) return archive->findNextResult;
    if (!archive || !info || archive->cursor >= archive->size()) return -1;
    fillInfo(*archive, archive->cursor++, info);
    return 0;
  });
}

int WINAPI STANDIN_API(CloseArchive)(HANDLE handle) {
  return guarded(-1, [&] {
    Archive* archive = archiveOf(handle);
    logCall(archive, STANDIN_NAME(CloseArchive));
    for (Archive*& negative : negativeHandles()) {
      if (negative == archive) negative = nullptr;  // the number is never given out again
    }
    delete archive;
    return 0;
  });
}

}  // extern "C"
