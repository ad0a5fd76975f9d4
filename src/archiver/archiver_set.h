// The Common Archiver API binding: the six libraries and their entry points.
// The only code that loads an archiver library or calls into one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "archiver/entry_record.h"
#include "archiver/kinds.h"

namespace plenkit {

using HARC = HANDLE;

// Output area of a print command: the size passed, and what is reserved.
constexpr DWORD PrintBufferSize = 640000;
constexpr std::size_t PrintBufferReserved = 640400;
constexpr DWORD ExtractBufferSize = 2000;

struct ArchiverSet {
  bool available[KindCount] = {};
  HMODULE library[KindCount] = {};
  ArchiverKind currentKind = Lzh;
  // The application's top-level window, handed to OpenArchive as owner.
  HWND ownerWindow = nullptr;

  // Each library by its bare name, never from the current folder.
  void LoadArchivers();
  void FreeArchivers();
  bool SelectKind(const std::string& fileName);

  std::int32_t CountEntries(const std::string& archivePath);
  HARC OpenArchive(const std::string& archivePath);
  std::int32_t FindFirstEntry(HARC archive, ArchiveEntryInfo& info);
  std::int32_t FindNextEntry(HARC archive, ArchiveEntryInfo& info);
  std::int32_t CloseArchive(HARC archive);

  std::int32_t RunArchiverCommand(const std::string& archivePath, const std::string& destination,
                                  const std::string& entryName);
  std::string ReadEntryText(const std::string& archivePath, const std::string& entryName);

 private:
  // The entry point `suffix` of the current kind, looked up afresh; null
  // when no kind is selected, its library is not loaded or lacks the name.
  FARPROC Lookup(const char* suffix) const;
};

}  // namespace plenkit
