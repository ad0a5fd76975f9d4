// One of the archiver libraries of the API, under the library's own file
// name: its entry points and the handles they give out. Built once per
// library with -DARCHIVER_PREFIX=<prefix>, -DARCHIVER_FORMAT=<Lha|Zip|Cab|
// Rar|Arj|None> and -DARCHIVER_VERSION=<version × 100>. The exported names
// come from a .def file, never from dllexport, so that the 32-bit build
// exports "Unlha" and not "Unlha@16".
//
// The test build adds a layer (test_layer/test_layer.h): archives described
// in text that give tests exact values, and a log of every call, so that a
// test can see exactly what a caller asked for.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dll/command_line.h"
#include "dll/entry_record.h"
#include "engine/archive_cache.h"
#include "engine/archiver_windows.h"
#include "engine/commands.h"
#include "formats/results.h"
#include "test_layer/test_layer.h"

#ifndef ARCHIVER_PREFIX
#error "define ARCHIVER_PREFIX as the library's prefix, e.g. -DARCHIVER_PREFIX=Unlha"
#endif

#define ARCHIVER_JOIN2(a, b) a##b
#define ARCHIVER_JOIN(a, b) ARCHIVER_JOIN2(a, b)
#define ARCHIVER_STR2(a) #a
#define ARCHIVER_STR(a) ARCHIVER_STR2(a)
// ARCHIVER_API(FindFirst) is the function UnlhaFindFirst; ARCHIVER_NAME is
// its exported name as text, which is what the log records.
#define ARCHIVER_API(suffix) ARCHIVER_JOIN(ARCHIVER_PREFIX, suffix)
#define ARCHIVER_NAME(suffix) ARCHIVER_STR(ARCHIVER_PREFIX) #suffix

namespace {

using namespace archivers;

std::string OrEmpty(const char* text) { return text ? text : ""; }
const char* Flag(const void* handle) { return handle ? "1" : "0"; }
void WriteLog(const std::string& line) { test::LogTo(test::LogPath(), line); }

constexpr Format kFormat = Format::ARCHIVER_FORMAT;

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

// The attributes as the record shows them: a letter each in its place,
// "-" where it is not set: "----A" a file, "---D-" a folder.
std::string AttributeText(std::uint8_t attributes) {
  const struct {
    std::uint8_t bit;
    char letter;
  } places[] = {{FA_RDONLY, 'R'}, {FA_HIDDEN, 'H'}, {FA_SYSTEM, 'S'}, {FA_DIREC, 'D'}, {FA_ARCH, 'A'}};
  std::string text;
  for (const auto& place : places) text += (attributes & place.bit) ? place.letter : '-';
  return text;
}

void FillInfo(const Member& member, void* info) {
  EntryRecord record;
  record.originalSize = Clamp32(member.size);
  record.compressedSize = Clamp32(member.packed);
  record.crc = member.check == Check::None ? 0 : member.crc;
  record.osType = member.os;
  record.ratio = static_cast<std::uint16_t>(
      member.size == 0 ? 0
                       : std::min<std::uint64_t>(UINT16_MAX, (member.packed * 1000 + member.size / 2) / member.size));
  record.date = member.date;
  record.time = member.time;
  PutText(record.attribute,
          AttributeText(member.folder ? (member.attributes | FA_DIREC) & ~FA_ARCH : member.attributes));
  PutText(record.method, member.method);
  WriteRecord(record, member.name, info);
}

void FillInfo(const Archive& archive, size_t index, void* info) {
  if (archive.real) FillInfo(archive.real->members[index], info);
  else test::FillInfo(archive.described->entries[index], info);
}

// A failed print leaves an empty text behind, not the caller's old bytes.
int PrintNothing(int result, char* output, DWORD size) {
  if (output && size > 0) output[0] = '\0';
  return result;
}

// Extraction answers with a short status line, when it fits.
int Report(int result, char* output, DWORD size) {
  const std::string status = result == 0 ? "ok\r\n" : "error\r\n";
  if (output && status.size() < size) {
    std::copy(status.c_str(), status.c_str() + status.size() + 1, output);
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

// The functions QueryFunctionList is asked about, by the numbers callers
// give them, and the suffix of each one's entry point.
// clang-format off
const struct { int number; const char* suffix; } kFunctions[] = {
    {0, ""}, {1, "GetVersion"}, {8, "GetRunning"}, {16, "CheckArchive"}, {18, "GetFileCount"},
    {19, "QueryFunctionList"}, {23, "OpenArchive"}, {24, "CloseArchive"}, {25, "FindFirst"}, {26, "FindNext"},
    {31, "SetOwnerWindow"}, {32, "ClearOwnerWindow"},
};
// clang-format on

}  // namespace

extern "C" {

int WINAPI ARCHIVER_PREFIX(HWND hwnd, LPCSTR cmdLine, LPSTR output, DWORD outputSize) {
  return Guarded(ERROR_COMMAND_NAME, [&] {
    WriteLog(std::string(ARCHIVER_NAME()) + "\thwnd=" + Flag(hwnd) + "\tsize=" + std::to_string(outputSize) + "\t" +
             WithoutPassword(cmdLine));
    const Command command = ParseCommand(cmdLine);
    const bool printing = command.kind == Command::Kind::Print;
    if (command.kind == Command::Kind::Unknown || command.args.size() < 2) {
      return printing ? PrintNothing(ERROR_COMMAND_NAME, output, outputSize)
                      : Report(ERROR_COMMAND_NAME, output, outputSize);
    }

    const char* path = command.args[0].c_str();
    const std::shared_ptr<const test::Described> described = test::LoadDescribed(path);
    if (described && described->letsMessagesRun) test::LetMessagesRun();
    if (printing) {
      if (!described) return PrintMember(kFormat, path, command.args[1], output, outputSize, command.password);
      return test::Print(*described, command.args[1], output, outputSize);
    }
    const std::vector<std::string> names(command.args.begin() + 2, command.args.end());
    if (!described)
      return Report(ExtractMembers(kFormat, path, command.args[1], names, command.password), output, outputSize);
    return Report(test::Extract(*described, command.args[1], names), output, outputSize);
  });
}

int WINAPI ARCHIVER_API(GetFileCount)(LPCSTR archivePath) {
  return Guarded(-1, [&] {
    WriteLog(std::string(ARCHIVER_NAME(GetFileCount)) + "\t" + OrEmpty(archivePath));
    if (const std::shared_ptr<const test::Described> described = test::LoadDescribed(archivePath)) {
      return described->hasCount ? described->count : static_cast<int>(described->entries.size());
    }
    std::shared_ptr<const Listing> listing = ListArchive(kFormat, archivePath);
    return listing ? static_cast<int>(std::min<std::size_t>(listing->members.size(), INT_MAX)) : -1;
  });
}

HANDLE WINAPI ARCHIVER_API(OpenArchive)(HWND owner, LPCSTR archivePath, DWORD mode) {
  return Guarded(HANDLE(nullptr), [&]() -> HANDLE {
    const std::string log = test::LogPath();
    test::LogTo(log, std::string(ARCHIVER_NAME(OpenArchive)) + "\towner=" + Flag(owner) +
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

int WINAPI ARCHIVER_API(FindFirst)(HANDLE handle, LPCSTR wildcard, void* info) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, std::string(ARCHIVER_NAME(FindFirst)) + "\t" + OrEmpty(wildcard));
    if (!archive || !info) return -1;
    if (archive->described && archive->described->findFirstResult != 0) return archive->described->findFirstResult;
    archive->cursor = 0;
    if (archive->size() == 0) return -1;
    FillInfo(*archive, 0, info);
    archive->cursor = 1;
    return 0;
  });
}

int WINAPI ARCHIVER_API(FindNext)(HANDLE handle, void* info) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, ARCHIVER_NAME(FindNext));
    if (archive && archive->described && archive->described->findNextResult != 0) {
      return archive->described->findNextResult;
    }
    if (!archive || !info || archive->cursor >= archive->size()) return -1;
    FillInfo(*archive, archive->cursor++, info);
    return 0;
  });
}

int WINAPI ARCHIVER_API(CloseArchive)(HANDLE handle) {
  return Guarded(-1, [&] {
    Archive* archive = ArchiveOf(handle);
    LogCall(archive, ARCHIVER_NAME(CloseArchive));
    for (Archive*& negative : NegativeHandles()) {
      if (negative == archive) negative = nullptr;  // the number is never given out again
    }
    delete archive;
    return 0;
  });
}

// The library's version × 100: 101 is 1.01.
WORD WINAPI ARCHIVER_API(GetVersion)() {
  WriteLog(ARCHIVER_NAME(GetVersion));
  return ARCHIVER_VERSION;
}

// Whether a command is under way (its box waiting on the user, say).
BOOL WINAPI ARCHIVER_API(GetRunning)() {
  WriteLog(ARCHIVER_NAME(GetRunning));
  return CommandRunning();
}

BOOL WINAPI ARCHIVER_API(CheckArchive)(LPCSTR archivePath, const int mode) {
  return Guarded(BOOL(FALSE), [&]() -> BOOL {
    WriteLog(std::string(ARCHIVER_NAME(CheckArchive)) + "\tmode=" + std::to_string(mode) + "\t" + OrEmpty(archivePath));
    if (const std::shared_ptr<const test::Described> described = test::LoadDescribed(archivePath)) {
      return !described->openFails;
    }
    return CheckArchive(kFormat, archivePath, mode);
  });
}

// Whether this library has the entry point numbered `function`: looked up
// among its own exports, so a library built without one says so.
BOOL WINAPI ARCHIVER_API(QueryFunctionList)(const int function) {
  WriteLog(std::string(ARCHIVER_NAME(QueryFunctionList)) + "\t" + std::to_string(function));
  for (const auto& f : kFunctions) {
    if (f.number == function) {
      return GetProcAddress(ThisLibrary(), (std::string(ARCHIVER_STR(ARCHIVER_PREFIX)) + f.suffix).c_str()) != nullptr;
    }
  }
  return FALSE;
}

// The window the library's boxes are owned by, until it is cleared.
BOOL WINAPI ARCHIVER_API(SetOwnerWindow)(HWND owner) {
  WriteLog(std::string(ARCHIVER_NAME(SetOwnerWindow)) + "\towner=" + Flag(owner));
  if (!owner || !IsWindow(owner)) return FALSE;
  SetOwner(owner);
  return TRUE;
}

BOOL WINAPI ARCHIVER_API(ClearOwnerWindow)() {
  WriteLog(ARCHIVER_NAME(ClearOwnerWindow));
  SetOwner(nullptr);
  return TRUE;
}

}  // extern "C"
