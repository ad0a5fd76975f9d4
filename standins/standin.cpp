// One of the archiver libraries Plenkit drives, under the library's own
// file name: it reads real archives of its library's format (real/), and
// ships beside Plenkit.exe. The test build adds a layer (test_layer.h):
// text descriptions of entries (README.md) that give tests exact values,
// and a log of every call, so that a test can see exactly what Plenkit
// asked for.
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
#include "record.h"
#include "test_layer.h"

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

std::string OrEmpty(const char* text) { return text ? text : ""; }
const char* Flag(const void* handle) { return handle ? "1" : "0"; }
void WriteLog(const std::string& line) { test::LogTo(test::LogPath(), line); }

constexpr Format kFormat = Format::STANDIN_FORMAT;

std::uint32_t Clamp32(std::uint64_t value) {
  return value > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(value);
}

// What an open handle holds: a real archive's members as the reader listed
// them, or (in the test build) a described archive.
struct Archive {
  std::shared_ptr<const Listing> real;
  std::shared_ptr<const test::Described> described;
  size_t cursor = 0;
  // Where the calls on this handle are logged: the log as it was named
  // when the archive was opened.
  std::string log;

  size_t size() const { return real ? real->members.size() : described ? described->entries.size() : 0; }
};

void FillInfo(const Member& member, void* info) {
  // Tenths of a percent: what is left of the original.
  const auto ratio = static_cast<uint16_t>(
      member.size == 0 ? 0
                       : std::min<std::uint64_t>(UINT16_MAX, (member.packed * 1000 + member.size / 2) / member.size));
  FillRecord(Clamp32(member.size), Clamp32(member.packed), ratio, member.date, member.time, member.name, info);
}

void FillInfo(const Archive& archive, size_t index, void* info) {
  if (archive.real) FillInfo(archive.real->members[index], info);
  else test::FillInfo(archive.described->entries[index], info);
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

std::vector<Token> Tokenize(const char* commandLine) {
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

// A failed print leaves an empty text behind, not the caller's old bytes.
int PrintNothing(int result, char* output, DWORD size) {
  if (output && size > 0) output[0] = '\0';
  return result;
}

// Extraction answers with a short status line, when it fits.
int Report(int result, char* output, DWORD size) {
  const char* status = result == 0 ? "ok\r\n" : "error\r\n";
  if (output && strlen(status) < size) {
    memcpy(output, status, strlen(status) + 1);
    return result;
  }
  return PrintNothing(result, output, size);
}

// Handles given out as negative numbers, for callers that take any
// non-zero handle for a good one; the others are the archives' addresses.
std::vector<Archive*>& NegativeHandles() {
  static std::vector<Archive*> handles;
  return handles;
}

// Calls on an open archive go to the log named when it was opened: a walk
// of many entries does not look the name up again for each.
void LogCall(const Archive* archive, const std::string& line) {
  test::LogTo(archive ? archive->log : test::LogPath(), line);
}

Archive* ArchiveOf(HANDLE handle) {
  const intptr_t value = reinterpret_cast<intptr_t>(handle);
  std::vector<Archive*>& negatives = NegativeHandles();
  if (value < 0 && static_cast<size_t>(-value) <= negatives.size()) return negatives[-value - 1];
  return static_cast<Archive*>(handle);
}

// Nothing may escape an entry point into the caller: a failure of the
// library's own (no memory, say) answers as `failed` does.
template <typename Result, typename Call>
Result Guarded(Result failed, Call call) {
  try {
    return call();
  } catch (...) {
    return failed;
  }
}

}  // namespace

extern "C" {

int WINAPI STANDIN_PREFIX(HWND hwnd, LPCSTR cmdLine, LPSTR output, DWORD outputSize) {
  return Guarded(kBadCommand, [&] {
    WriteLog(std::string(STANDIN_NAME()) + "\thwnd=" + Flag(hwnd) + "\tsize=" + std::to_string(outputSize) + "\t" +
             OrEmpty(cmdLine));
    const std::vector<Token> tokens = Tokenize(cmdLine);
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
      return printing ? PrintNothing(kBadCommand, output, outputSize) : Report(kBadCommand, output, outputSize);
    }

    const char* path = args[0].c_str();
    const std::shared_ptr<const test::Described> described = test::LoadDescribed(path);
    if (described && described->letsMessagesRun) test::LetMessagesRun();
    if (printing) {
      if (!described) return PrintMember(kFormat, path, args[1], output, outputSize);
      return test::Print(*described, args[1], output, outputSize);
    }
    std::vector<std::string> names(args.begin() + 2, args.end());
    if (!described) return Report(ExtractMembers(kFormat, path, args[1], names), output, outputSize);
    return Report(test::Extract(*described, args[1], names), output, outputSize);
  });
}

int WINAPI STANDIN_API(GetFileCount)(LPCSTR archivePath) {
  return Guarded(-1, [&] {
    WriteLog(std::string(STANDIN_NAME(GetFileCount)) + "\t" + OrEmpty(archivePath));
    if (const std::shared_ptr<const test::Described> described = test::LoadDescribed(archivePath)) {
      return described->hasCount ? described->count : static_cast<int>(described->entries.size());
    }
    std::shared_ptr<const Listing> listing = ListArchive(kFormat, archivePath);
    return listing ? static_cast<int>(std::min<std::size_t>(listing->members.size(), INT_MAX)) : -1;
  });
}

HANDLE WINAPI STANDIN_API(OpenArchive)(HWND owner, LPCSTR archivePath, DWORD mode) {
  return Guarded(HANDLE(nullptr), [&]() -> HANDLE {
    const std::string log = test::LogPath();
    test::LogTo(log, std::string(STANDIN_NAME(OpenArchive)) + "\towner=" + Flag(owner) +
                         "\tmode=" + std::to_string(mode) + "\t" + OrEmpty(archivePath));
    auto archive = std::make_unique<Archive>();
    archive->log = log;
    archive->described = test::LoadDescribed(archivePath);
    if (!archive->described) archive->real = ListArchive(kFormat, archivePath);
    if (archive->described ? archive->described->openFails : !archive->real) return nullptr;
    if (archive->described && archive->described->negativeHandle) {
      NegativeHandles().push_back(archive.release());
      return reinterpret_cast<HANDLE>(-static_cast<intptr_t>(NegativeHandles().size()));
    }
    return archive.release();
  });
}

int WINAPI STANDIN_API(FindFirst)(HANDLE handle, LPCSTR wildcard, void* info) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, std::string(STANDIN_NAME(FindFirst)) + "\t" + OrEmpty(wildcard));
    if (!archive || !info) return -1;
    if (archive->described && archive->described->findFirstResult != 0) return archive->described->findFirstResult;
    archive->cursor = 0;
    if (archive->size() == 0) return -1;
    FillInfo(*archive, 0, info);
    archive->cursor = 1;
    return 0;
  });
}

int WINAPI STANDIN_API(FindNext)(HANDLE handle, void* info) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, STANDIN_NAME(FindNext));
    if (archive && archive->described && archive->described->findNextResult != 0) {
      return archive->described->findNextResult;
    }
    if (!archive || !info || archive->cursor >= archive->size()) return -1;
    FillInfo(*archive, archive->cursor++, info);
    return 0;
  });
}

int WINAPI STANDIN_API(CloseArchive)(HANDLE handle) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, STANDIN_NAME(CloseArchive));
    for (Archive*& negative : NegativeHandles()) {
      if (negative == archive) negative = nullptr;  // the number is never given out again
    }
    delete archive;
    return 0;
  });
}

}  // extern "C"
