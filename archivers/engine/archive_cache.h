// The archive the last call read, kept while its file stays the same:
// listing an archive and then extracting its members one command each reads
// it once, and a reader that can only go forward carries on from where the
// last command left it. One call at a time holds it, and every call ends
// with the archive's file closed, so it can be changed or deleted at any
// time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "engine/archive_file.h"
#include "formats/reader.h"

namespace archivers {

// Which file a handle or a path reaches, whatever name it goes by.
struct FileIdentity {
  DWORD volume = 0, high = 0, low = 0;
  bool known = false;

  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && high == other.high && low == other.low;
  }
};
FileIdentity IdentityOf(HANDLE file);
FileIdentity IdentityOf(const std::wstring& longPath);

struct CachedArchive {
  Format format = Format::None;
  std::string path;
  std::uint64_t size = 0;
  FILETIME written = {};
  FileIdentity identity;
  std::shared_ptr<Listing> listing;
  std::unique_ptr<Reader> reader;
  ArchiveFile* file = nullptr;  // the reader's, closed after each call

  // The index of the first member called `name`, or -1.
  std::ptrdiff_t IndexOf(const std::string& name);

 private:
  // Made for the first command: listing alone does not need it.
  std::unordered_map<std::string, std::size_t> byName_;
};

// Holds the cache for one call, and closes the archive's file when the
// call ends, whatever way it returns.
class CacheHold {
 public:
  CacheHold();
  ~CacheHold();
  CacheHold(const CacheHold&) = delete;
  CacheHold& operator=(const CacheHold&) = delete;

 private:
  std::lock_guard<std::recursive_mutex> guard_;
};

// The archive at `path` read as `format` (under a CacheHold): the one kept
// when it is the same file, unchanged; else read anew. Null when it cannot
// be, with `failure` saying why: ERROR_ARC_FILE_OPEN, ERROR_NOT_ARC_FILE,
// ERROR_HEADER_BROKEN or ERROR_HEADER_CRC (an archive of the format, damaged
// or cut off before its first member).
CachedArchive* FindArchive(Format format, const char* path, int& failure);

// A command's window lets messages through while it waits on the user; a
// call that comes in meanwhile must not touch what the command holds.
bool CommandRunning();
class CommandMark {
 public:
  CommandMark();
  ~CommandMark();
  CommandMark(const CommandMark&) = delete;
  CommandMark& operator=(const CommandMark&) = delete;
};

}  // namespace archivers
