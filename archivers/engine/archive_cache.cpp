#include "engine/archive_cache.h"

#include <atomic>

#include "engine/long_paths.h"
#include "formats/registry.h"
#include "formats/results.h"

namespace archivers {

namespace {

std::recursive_mutex lock;
CachedArchive last;
std::atomic<bool> running{false};

}  // namespace

FileIdentity IdentityOf(HANDLE file) {
  FileIdentity identity;
  BY_HANDLE_FILE_INFORMATION info;
  if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info)) {
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
  }
  return identity;
}

FileIdentity IdentityOf(const std::wstring& longPath) {
  const HANDLE file =
      CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const FileIdentity identity = IdentityOf(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return identity;
}

std::ptrdiff_t CachedArchive::IndexOf(const std::string& name) {
  if (byName_.empty()) {
    byName_.reserve(listing->members.size());
    for (std::size_t i = 0; i < listing->members.size(); ++i) byName_.emplace(listing->members[i].name, i);
  }
  auto found = byName_.find(name);
  return found == byName_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

CacheHold::CacheHold() : guard_(lock) {}

CacheHold::~CacheHold() {
  if (last.file) last.file->Release();
}

CachedArchive* FindArchive(Format format, const char* path, int& failure) {
  failure = ERROR_ARC_FILE_OPEN;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!path || !GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return nullptr;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  if (last.listing && last.format == format && last.path == path && last.size == size &&
      CompareFileTime(&last.written, &data.ftLastWriteTime) == 0) {
    return &last;
  }
  last = CachedArchive();
  std::unique_ptr<ArchiveFile> file = OpenArchiveFile(path);
  if (!file) return nullptr;
  failure = ERROR_NOT_ARC_FILE;
  const FileIdentity identity = IdentityOf(file->Handle());
  ArchiveFile* const bytes = file.get();
  std::unique_ptr<Reader> reader = MakeReader(format, std::move(file));
  auto listing = std::make_shared<Listing>();
  if (!reader || !reader->List(*listing)) {
    // An archive of the format damaged from its first header on is no
    // stranger's file: it is told so.
    if (listing->damaged) failure = listing->damaged;
    return nullptr;
  }
  last.format = format;
  last.path = path;
  last.size = size;
  last.written = data.ftLastWriteTime;
  last.identity = identity;
  last.listing = std::move(listing);
  last.reader = std::move(reader);
  last.file = bytes;
  return &last;
}

bool CommandRunning() { return running; }
CommandMark::CommandMark() { running = true; }
CommandMark::~CommandMark() { running = false; }

}  // namespace archivers
