#include "real/real_archive.h"

#include <algorithm>
#include <mutex>

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
  for (std::size_t i = 0; i < listing->members.size(); ++i) listing->byName.emplace(listing->members[i].name, i);
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
  const std::size_t cut = LastSeparator(path);
  if (cut != std::string::npos && cut >= base.size()) MakeFolders(path.substr(0, cut));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

void SetUtcTime(Member& member, FILETIME utc) {
  member.written = utc;
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &member.date, &member.time)) {
    member.date = member.time = 0;
  }
}

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
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(ticks);
  utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SetUtcTime(member, utc);
}

bool MakeFolders(const std::string& folder) {
  // From the first byte on: a leading lead byte's trail may be 0x5C.
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsLeadByte(folder[i])) ++i;
    else if (i > 0 && IsSeparator(folder[i]) && folder[i - 1] != ':') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  DWORD attributes = GetFileAttributesA(folder.c_str());
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
    auto found = listing.byName.find(name);
    if (found == listing.byName.end()) return kNoSuchEntry;
    chosen.push_back(found->second);
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
  auto found = open->listing->byName.find(name);
  if (found == open->listing->byName.end()) return kNoSuchEntry;
  const Member& member = open->listing->members[found->second];
  if (member.folder || member.link || member.unsupported) return kUnsupported;
  if (member.encrypted) return kEncrypted;
  if (!output || size == 0) return 0;
  // The bytes, then the zero, all within `size`; what does not fit is not
  // decoded at all.
  DWORD used = 0;
  int result = open->reader->Read(found->second, member, [&](const void* data, std::size_t length) {
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
