#include "real/real_archive.h"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "real/packed_sizes.h"
#include "real/paths.h"
#include "real/readers.h"

namespace standin {

namespace {

struct FileStamp {
  std::uint64_t size = 0;
  FILETIME written = {};

  bool operator==(const FileStamp& other) const {
    return size == other.size && CompareFileTime(&written, &other.written) == 0;
  }
};

bool StampOf(const char* path, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.written = data.ftLastWriteTime;
  return true;
}

// The archive the last call read. Listing an archive and then extracting
// its members one command each reads it once, and a reader that can only
// go forward carries on from where the last command left it.
struct Open {
  Format format = Format::None;
  std::string path;
  FileStamp stamp;
  std::shared_ptr<Listing> listing;
  std::unique_ptr<Reader> reader;
  // The first member of each name, made for the first command: listing
  // alone does not need it.
  std::unordered_map<std::string, std::size_t> byName;

  // The index of the member called `name`, or -1.
  std::ptrdiff_t IndexOf(const std::string& name) {
    if (byName.empty()) {
      byName.reserve(listing->members.size());
      for (std::size_t i = 0; i < listing->members.size(); ++i) byName.emplace(listing->members[i].name, i);
    }
    auto found = byName.find(name);
    return found == byName.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
  }
};

std::mutex lock;
Open last;

// The open archive for `path`, read anew when it is another one or has
// changed since; null when it is not an archive of `format`.
Open* Find(Format format, const char* path) {
  FileStamp stamp;
  if (format == Format::None || !path || !StampOf(path, stamp)) return nullptr;
  if (last.listing && last.format == format && last.path == path && last.stamp == stamp) return &last;
  last = Open();
  std::unique_ptr<Reader> reader = MakeReader(format, path);
  auto listing = std::make_shared<Listing>();
  if (!reader || !reader->List(*listing)) return nullptr;
  last.format = format;
  last.path = path;
  last.stamp = stamp;
  last.listing = std::move(listing);
  last.reader = std::move(reader);
  return &last;
}

// Writes member `index` under `base` (which ends in "\").
int WriteMember(Reader& reader, std::size_t index, const Member& member, const std::string& base) {
  if (!StaysInside(member.name)) return kUnsafeName;
  if (member.link) return kUnsupported;
  std::string path = base + member.name;
  if (member.folder) return MakeFolders(path.substr(0, path.size() - 1)) ? 0 : kWriteFailed;
  if (member.encrypted) return kEncrypted;
  if (member.unsupported) return kUnsupported;
  auto create = [&path] {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  // Folders are made when the file cannot be made without them: most
  // members go where an earlier one already went.
  HANDLE file = create();
  const std::size_t cut = LastSeparator(path);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND && cut != std::string::npos &&
      cut >= base.size() && MakeFolders(path.substr(0, cut))) {
    file = create();
  }
  if (file == INVALID_HANDLE_VALUE) return kWriteFailed;
  bool written = true;
  int result = reader.Read(index, member, [&](const void* data, std::size_t size) {
    DWORD done = 0;
    written = WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
    return written;
  });
  if (!written) result = kWriteFailed;
  if (result == 0) SetFileTime(file, nullptr, nullptr, &member.written);
  if (!CloseHandle(file) && result == 0) result = kWriteFailed;
  // Half a member is no member: what was written of it goes.
  if (result != 0) DeleteFileA(path.c_str());
  return result;
}

}  // namespace

void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time) {
  member.date = date;
  member.time = time;
  FILETIME local;
  if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &member.written)) {
    member.written = FILETIME{};
  }
}

void SetUnixTime(Member& member, std::int64_t seconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  member.written.dwLowDateTime = static_cast<DWORD>(ticks);
  member.written.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  // libarchive turns the local times most archives keep into seconds with
  // the C runtime's mktime; its localtime is the way back to the same wall
  // time, and gives seconds kept in UTC the local time of their day. A DOS
  // date holds the years 1980 to 2107 only.
  const __time64_t time = seconds;
  const struct tm* local = _localtime64(&time);
  if (!local || local->tm_year < 80 || local->tm_year > 207) {
    member.date = member.time = 0;
    return;
  }
  member.date = static_cast<std::uint16_t>((local->tm_year - 80) << 9 | (local->tm_mon + 1) << 5 | local->tm_mday);
  member.time = static_cast<std::uint16_t>(local->tm_hour << 11 | local->tm_min << 5 | local->tm_sec / 2);
}

bool MakeFolders(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  // From the first byte on: a leading lead byte's trail may be 0x5C.
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsLeadByte(folder[i])) ++i;
    else if (i > 0 && IsSeparator(folder[i]) && folder[i - 1] != ':') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::shared_ptr<const Listing> ListArchive(Format format, const char* path) {
  std::lock_guard<std::mutex> hold(lock);
  Open* open = Find(format, path);
  return open ? open->listing : nullptr;
}

int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> hold(lock);
  Open* open = Find(format, path);
  if (!open) return kNotArchive;
  const Listing& listing = *open->listing;
  std::vector<std::size_t> chosen;
  for (const std::string& name : names) {
    const std::ptrdiff_t index = open->IndexOf(name);
    if (index < 0) return kNoSuchEntry;
    chosen.push_back(static_cast<std::size_t>(index));
  }
  if (names.empty()) {
    for (std::size_t i = 0; i < listing.members.size(); ++i) chosen.push_back(i);
  }
  if (!MakeFolders(destination)) return kWriteFailed;
  const std::string base = EndsWithSeparator(destination) ? destination : destination + "\\";
  int result = 0;
  for (std::size_t index : chosen) {
    const Member& member = listing.members[index];
    // Links are not extracted with the rest, nor are they its failure.
    if (names.empty() && member.link) continue;
    int one = WriteMember(*open->reader, index, member, base);
    if (result == 0) result = one;
  }
  // What could be read is written; the archive is still damaged.
  if (result == 0 && names.empty() && listing.damaged) result = kDamaged;
  return result;
}

int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size) {
  std::lock_guard<std::mutex> hold(lock);
  if (output && size > 0) output[0] = '\0';
  Open* open = Find(format, path);
  if (!open) return kNotArchive;
  const std::ptrdiff_t index = open->IndexOf(name);
  if (index < 0) return kNoSuchEntry;
  const Member& member = open->listing->members[static_cast<std::size_t>(index)];
  if (member.folder || member.link || member.unsupported) return kUnsupported;
  if (member.encrypted) return kEncrypted;
  if (!output || size == 0) return 0;
  // The bytes, then the zero, all within `size`; what does not fit is not
  // decoded at all.
  DWORD used = 0;
  int result = open->reader->Read(static_cast<std::size_t>(index), member, [&](const void* data, std::size_t length) {
    const std::size_t room = size - 1 - used;
    const std::size_t copied = std::min(room, length);
    memcpy(output + used, data, copied);
    used += static_cast<DWORD>(copied);
    return used < size - 1;
  });
  output[used] = '\0';
  return result == kStopped ? 0 : result;
}

}  // namespace standin
