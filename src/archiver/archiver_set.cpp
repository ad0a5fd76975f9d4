#include "archiver/archiver_set.h"

#include <cstring>
#include <memory>

#include "archiver/command_line.h"
#include "text/sjis_path.h"

namespace plenkit {

namespace {

using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using GetFileCountFn = int(WINAPI*)(LPCSTR);
using OpenArchiveFn = HARC(WINAPI*)(HWND, LPCSTR, DWORD);
using FindFirstFn = int(WINAPI*)(HARC, LPCSTR, void*);
using FindNextFn = int(WINAPI*)(HARC, void*);
using CloseArchiveFn = int(WINAPI*)(HARC);

// GetProcAddress answers a FARPROC whatever the entry point's real type.
template <typename Fn>
Fn As(FARPROC proc) {
  Fn fn;
  static_assert(sizeof fn == sizeof proc);
  std::memcpy(&fn, &proc, sizeof fn);
  return fn;
}

// Fills `info` only when the library found an entry.
std::int32_t TakeEntry(int result, const unsigned char (&record)[IndividualInfoBytes],
                       ArchiveEntryInfo& info) {
  if (result == 0) FillEntryInfo(record, info);
  return result;
}

// A double-click on an archive makes its folder current, and the ordinary
// library search looks there: a library planted beside a downloaded archive
// would be loaded. Any DLL directory takes the current folder out and leaves
// the rest (the program's folder first, the system folders, PATH); one the
// process already chose has done so and is kept. Windows takes an empty text
// for this, Wine's loader takes it for "none", so the program's own folder
// is given: it is searched first anyway. Looked up at run time, as Windows
// before XP SP1 lacks the call.
void TakeCurrentFolderOutOfLibrarySearch() {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  using GetDllDirectoryFn = DWORD(WINAPI*)(DWORD, LPSTR);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  const FARPROC setProc = GetProcAddress(kernel, "SetDllDirectoryA");
  const FARPROC getProc = GetProcAddress(kernel, "GetDllDirectoryA");
  if (!setProc) return;
  if (getProc && As<GetDllDirectoryFn>(getProc)(0, nullptr) > 1) return;

  char program[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder;
  if (n > 0 && n < MAX_PATH) {
    folder.assign(program, n);
    const std::size_t d = FindLastChar(folder, "\\");
    // The closing delimiter stays: "C:" alone names the current folder of C:.
    folder.resize(d == std::string::npos ? 0 : d + 1);
  }
  As<SetDllDirectoryFn>(setProc)(folder.c_str());
}

}  // namespace

void ArchiverSet::LoadArchivers() {
  TakeCurrentFolderOutOfLibrarySearch();
  for (int k = 0; k < KindCount; ++k) {
    library[k] = LoadLibraryA(KindTable(static_cast<ArchiverKind>(k)).library);
    available[k] = library[k] != nullptr;
  }
}

void ArchiverSet::FreeArchivers() {
  for (HMODULE module : library) {
    if (module) FreeLibrary(module);
  }
}

bool ArchiverSet::SelectKind(const std::string& fileName) {
  ArchiverKind kind = KindOfFileName(fileName);
  if (kind != NoKind && !available[kind]) kind = NoKind;
  currentKind = kind;
  return kind != NoKind;
}

FARPROC ArchiverSet::Lookup(const char* suffix) const {
  if (currentKind == NoKind || !library[currentKind]) return nullptr;
  return GetProcAddress(library[currentKind], EntryPoint(currentKind, suffix).text);
}

std::int32_t ArchiverSet::CountEntries(const std::string& archivePath) {
  const FARPROC proc = Lookup("GetFileCount");
  return proc ? As<GetFileCountFn>(proc)(archivePath.c_str()) : -1;
}

HARC ArchiverSet::OpenArchive(const std::string& archivePath) {
  const FARPROC proc = Lookup("OpenArchive");
  return proc ? As<OpenArchiveFn>(proc)(ownerWindow, archivePath.c_str(), 0) : nullptr;
}

std::int32_t ArchiverSet::FindFirstEntry(HARC archive, ArchiveEntryInfo& info) {
  const FARPROC proc = Lookup("FindFirst");
  if (!proc) return 1;
  unsigned char record[IndividualInfoBytes] = {};
  return TakeEntry(As<FindFirstFn>(proc)(archive, "*.*", record), record, info);
}

std::int32_t ArchiverSet::FindNextEntry(HARC archive, ArchiveEntryInfo& info) {
  const FARPROC proc = Lookup("FindNext");
  if (!proc) return 1;
  unsigned char record[IndividualInfoBytes] = {};
  return TakeEntry(As<FindNextFn>(proc)(archive, record), record, info);
}

std::int32_t ArchiverSet::CloseArchive(HARC archive) {
  const FARPROC proc = Lookup("CloseArchive");
  return proc ? As<CloseArchiveFn>(proc)(archive) : 1;
}

std::int32_t ArchiverSet::RunArchiverCommand(const std::string& archivePath,
                                             const std::string& destination,
                                             const std::string& entryName) {
  if (currentKind == NoKind || !library[currentKind]) return -1;
  // A name that cannot be sent as one name is not sent at all.
  const std::optional<std::string> line =
      ExtractCommand(currentKind, archivePath, destination, entryName);
  if (!line) return -1;
  // lha-style archivers do not make the destination themselves.
  if (currentKind == Lzh) CreateDirectoryA(destination.c_str(), nullptr);
  const FARPROC proc = Lookup("");
  if (!proc) return -1;
  char output[ExtractBufferSize] = {};
  return As<CommandFn>(proc)(nullptr, line->c_str(), output, ExtractBufferSize);
}

std::string ArchiverSet::ReadEntryText(const std::string& archivePath,
                                       const std::string& entryName) {
  if (currentKind == NoKind || !library[currentKind]) return {};
  const std::optional<std::string> line = PrintCommand(currentKind, archivePath, entryName);
  if (!line) return {};
  const FARPROC proc = Lookup("");
  if (!proc) return {};
  // Zero-filled, so that text the library leaves unterminated still ends
  // within the margin; a library that fills the margin too is cut at its end.
  const std::unique_ptr<char[]> output(new char[PrintBufferReserved]());
  As<CommandFn>(proc)(nullptr, line->c_str(), output.get(), PrintBufferSize);
  return std::string(output.get(), strnlen(output.get(), PrintBufferReserved));
}

}  // namespace plenkit
