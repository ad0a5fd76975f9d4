#include "real/real_archive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "real/archiver_windows.h"
#include "real/files.h"
#include "real/paths.h"
#include "real/rar_headers.h"
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

// Which file a handle reads, whatever name it was opened by.
struct FileIdentity {
  DWORD volume = 0, high = 0, low = 0;
  bool known = false;

  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && high == other.high && low == other.low;
  }
};

FileIdentity IdentityOf(HANDLE file) {
  FileIdentity identity;
  BY_HANDLE_FILE_INFORMATION info;
  if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info)) {
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
  }
  return identity;
}

FileIdentity IdentityOf(const std::string& path) {
  const HANDLE file =
      CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const FileIdentity identity = IdentityOf(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return identity;
}

// The archive the last call read. Listing an archive and then extracting
// its members one command each reads it once, and a reader that can only
// go forward carries on from where the last command left it.
struct Open {
  Format format = Format::None;
  std::string path;
  FileStamp stamp;
  FileIdentity identity;
  std::shared_ptr<Listing> listing;
  std::unique_ptr<Reader> reader;
  ReadOnlyFile* file = nullptr;  // the reader's, closed after each call
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

std::recursive_mutex lock;
Open last;
// A command's window lets messages through while it waits on the user; a
// call that comes in meanwhile must not touch what the command holds.
bool busy = false;

struct Busy {
  Busy() { busy = true; }
  ~Busy() { busy = false; }
};

// The open archive for `path`, read anew when it is another one or has
// changed since; null when it is not an archive of `format`.
Open* Find(Format format, const char* path) {
  FileStamp stamp;
  if (format == Format::None || !path || !StampOf(path, stamp)) return nullptr;
  if (last.listing && last.format == format && last.path == path && last.stamp == stamp) return &last;
  last = Open();
  std::unique_ptr<ReadOnlyFile> file = OpenArchiveFile(path);
  if (!file) return nullptr;
  const FileIdentity identity = IdentityOf(file->Handle());
  ReadOnlyFile* const bytes = file.get();
  std::unique_ptr<Reader> reader = MakeReader(format, std::move(file));
  auto listing = std::make_shared<Listing>();
  if (!reader || !reader->List(*listing)) return nullptr;
  last.format = format;
  last.path = path;
  last.stamp = stamp;
  last.identity = identity;
  last.listing = std::move(listing);
  last.reader = std::move(reader);
  last.file = bytes;
  return &last;
}

// Every call ends with the archive closed, whatever way it returns.
struct Hold {
  std::lock_guard<std::recursive_mutex> guard{lock};
  ~Hold() {
    if (last.file) last.file->Release();
  }
};

// A run: the commands on one archive into one folder that follow each other
// closely, as a contents window sends one command per selected member. The
// user's "all" answers, a cancel and the wish to hear no more last for the
// run. It ends when a command comes for another archive or folder, or more
// than a second after the last one ended; a command for the whole archive
// is a run of its own.
struct Run {
  std::string archive, destination;
  DWORD endedAt = 0;
  bool open = false;
  enum class Existing { Ask, Replace, Skip } existing = Existing::Ask;
  bool cancelled = false;
  bool quiet = false;
  std::string zoneMark;  // the archive's, copied to every file written
};

constexpr DWORD kRunGap = 1000;
Run run;

// A downloaded archive's zone mark (at most a few lines; more is no mark).
std::string ZoneMarkOf(const std::string& path) {
  const HANDLE stream = CreateFileA((path + ":Zone.Identifier").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) return "";
  char text[4096];
  DWORD got = 0;
  const bool read = ReadFile(stream, text, sizeof text, &got, nullptr);
  CloseHandle(stream);
  return read && got < sizeof text ? std::string(text, got) : "";
}

// False when the file system keeps no streams: the rest need not try.
bool MarkZone(const std::string& path, const std::string& mark) {
  const HANDLE stream = CreateFileA((path + ":Zone.Identifier").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(stream, mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr);
  CloseHandle(stream);
  return true;
}

std::uint64_t FileTimeValue(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The free bytes of the volume that `folder` is on, or will be on.
std::uint64_t FreeBytes(std::string folder) {
  for (;;) {
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr)) return free.QuadPart;
    const std::size_t cut = LastSeparator(folder.substr(0, folder.size() - (EndsWithSeparator(folder) ? 1 : 0)));
    if (cut == std::string::npos) return UINT64_MAX;  // nothing to ask: the writing will tell
    folder.resize(cut + 1);
  }
}

// One command's extraction.
class Extraction {
 public:
  Extraction(Open& open, const std::string& base, std::uint64_t total)
      : open_(open), base_(FullPath(base)), progress_(FileName(open.path), total) {}

  // Writes member `index`: 0 when written or skipped, else why not.
  int Write(std::size_t index) {
    const Member& member = open_.listing->members[index];
    if (!StaysInside(member.name)) return kUnsafeName;
    if (member.link) return kUnsupported;
    const std::string path = base_ + member.name;
    if (member.folder) return MakeFolders(path.substr(0, path.size() - 1)) ? 0 : kWriteFailed;
    if (member.encrypted) return kEncrypted;
    if (member.unsupported) return kUnsupported;

    // A large member that would replace a file is asked about before it is
    // decoded; any other learns of a file in its way when it takes its name.
    bool asked = member.size >= kAskFirst, replace = false;
    if (asked) {
      const int decided = GiveWay(path, member, replace);
      if (decided != 0) return decided == kSkipped ? 0 : decided;
    }
    // Written whole under a name of its own, then named: what stood there
    // is replaced at once, or not at all.
    const std::size_t cut = LastSeparator(path);
    const std::string folder = path.substr(0, cut + 1);
    HANDLE file = CreateTemporary(folder);
    if (file == INVALID_HANDLE_VALUE && cut >= base_.size() && MakeFolders(path.substr(0, cut))) {
      file = CreateTemporary(folder);
    }
    if (file == INVALID_HANDLE_VALUE) return kWriteFailed;
    bool written = true;
    std::uint64_t count = 0;
    int result = open_.reader->Read(index, member, [&](const void* data, std::size_t size) {
      count += size;
      if (member.sizeKnown && count > member.size) return written = false;  // never more than declared
      DWORD done = 0;
      written = WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
      progress_.Advance(member.name, size);
      return written && !progress_.Cancelled();
    });
    if (result == kStopped) result = !written ? (count > member.size ? kDamaged : kWriteFailed) : kCancelled;
    if (result == 0 && member.written) {
      const FILETIME time{static_cast<DWORD>(member.written), static_cast<DWORD>(member.written >> 32)};
      SetFileTime(file, nullptr, nullptr, &time);
    }
    const std::wstring target = NtPath(path);
    if (result == 0 && !Rename(file, target, replace)) {
      const DWORD error = GetLastError();
      result = kWriteFailed;
      if (!asked && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
        result = GiveWay(path, member, replace);
        if (result == 0 && !Rename(file, target, true)) result = kWriteFailed;
      }
    }
    if (result != 0) {
      // The archiver's own file goes; nothing else is touched.
      FILE_DISPOSITION_INFO discard{TRUE};
      SetFileInformationByHandle(file, FileDispositionInfo, &discard, sizeof discard);
    }
    CloseHandle(file);
    if (result != 0) return result == kSkipped ? 0 : result;
    if (!run.zoneMark.empty() && zoneWritable_) zoneWritable_ = MarkZone(path, run.zoneMark);
    return 0;
  }

  Progress& progress() { return progress_; }

 private:
  static constexpr int kSkipped = -2;
  // Members this large are asked about before they are decoded.
  static constexpr std::uint64_t kAskFirst = 1 << 20;

  static std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : path;
  }

  static std::string FileName(const std::string& path) {
    const std::size_t cut = LastSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
  }

  // Whether what stands at `path` gives way to the member: 0 yes (with
  // `replace` set when a file stands there), kSkipped, or a failure.
  int GiveWay(const std::string& path, const Member& member, bool& replace) {
    WIN32_FILE_ATTRIBUTE_DATA there;
    replace = false;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &there)) return 0;
    if (there.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kWriteFailed;
    if (IdentityOf(path) == open_.identity) return kIsArchive;
    replace = true;
    if (run.existing == Run::Existing::Replace) return 0;
    if (run.existing == Run::Existing::Skip) return kSkipped;
    const FileFacts existing{path, static_cast<std::uint64_t>(there.nFileSizeHigh) << 32 | there.nFileSizeLow,
                             FileTimeValue(there.ftLastWriteTime)};
    switch (AskReplace(existing, FileFacts{member.name, member.size, member.written})) {
      case ReplaceAnswer::ReplaceAll: run.existing = Run::Existing::Replace; return 0;
      case ReplaceAnswer::Replace: return 0;
      case ReplaceAnswer::SkipAll: run.existing = Run::Existing::Skip; return kSkipped;
      case ReplaceAnswer::Skip: return kSkipped;
      default: run.cancelled = true; return kCancelled;
    }
  }

  // The path as the system's own name for it, which a rename by handle takes.
  static std::wstring NtPath(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(
        static_cast<std::size_t>(std::max(0, MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                                                 &wide[0], static_cast<int>(wide.size())))));
    return wide.compare(0, 2, L"\\\\") == 0 ? L"\\??\\UNC\\" + wide.substr(2) : L"\\??\\" + wide;
  }

  // Names the open file: one step of its folder, cheaper than a move by
  // name, which opens the file again.
  static bool Rename(HANDLE file, const std::wstring& target, bool replace) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.data(), info->FileNameLength);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()));
  }

  // A file of the archiver's own beside where the member goes.
  static HANDLE CreateTemporary(const std::string& folder) {
    static DWORD serial = GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
      char tail[40];
      std::snprintf(tail, sizeof tail, "~plk%04lX%08lX.tmp", GetCurrentProcessId() & 0xFFFF, ++serial);
      const HANDLE file = CreateFileA((folder + tail).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
  }

  Open& open_;
  std::string base_;
  Progress progress_;
  bool zoneWritable_ = true;
};

// The user hears of a command's failures once, at its end, unless they
// asked for quiet for the rest of the run.
int Report(const Open& open, std::vector<Failure>& failures) {
  run.endedAt = GetTickCount();
  if (failures.empty()) return 0;
  if (!run.quiet) {
    const std::size_t cut = LastSeparator(open.path);
    run.quiet = ReportFailures(cut == std::string::npos ? open.path : open.path.substr(cut + 1), failures);
    run.endedAt = GetTickCount();  // a box's time is no gap between commands
  }
  return failures.front().result;
}

}  // namespace

bool MakeFolders(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  // From the first byte on: a leading lead byte's trail may be 0x5C.
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsLeadByte(folder[i])) ++i;
    else if (i > 0 && IsSeparator(folder[i]) && folder[i - 1] != ':')
      CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::shared_ptr<const Listing> ListArchive(Format format, const char* path) {
  Hold hold;
  Open* open = busy ? nullptr : Find(format, path);
  return open ? open->listing : nullptr;
}

int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names) {
  Hold hold;
  if (busy) return kBusy;
  Busy running;
  Open* open = Find(format, path);
  if (!open) {
    // A RAR archive whose headers are encrypted lists nothing, and gives
    // nothing without its password.
    const std::unique_ptr<ReadOnlyFile> file = format == Format::Rar ? OpenArchiveFile(path) : nullptr;
    if (!file || !ReadRarArchiveFacts(*file).headersEncrypted) return kNotArchive;
    const std::string name(path);
    const std::size_t cut = LastSeparator(name);
    ReportFailures(cut == std::string::npos ? name : name.substr(cut + 1), {{"", kEncrypted}});
    return kEncrypted;
  }
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

  const DWORD now = GetTickCount();
  if (!(run.open && !names.empty() && run.archive == open->path && run.destination == destination &&
        now - run.endedAt < kRunGap)) {
    run = Run();
    run.archive = open->path;
    run.destination = destination;
    run.open = !names.empty();
    run.zoneMark = ZoneMarkOf(open->path);
  }
  std::vector<Failure> failures;
  // A cancelled run writes nothing more, and says nothing more.
  if (run.cancelled) {
    run.endedAt = GetTickCount();
    return kCancelled;
  }

  // What the command will write must fit before anything is written.
  std::uint64_t total = 0;
  for (std::size_t index : chosen) {
    const Member& m = listing.members[index];
    if (!m.folder && !m.link && !m.encrypted && !m.unsupported)
      total += std::min<std::uint64_t>(m.size, UINT64_MAX - total);
  }
  if (total > FreeBytes(destination)) {
    failures.push_back({"", kNoRoom});
    return Report(*open, failures);
  }
  if (!MakeFolders(destination)) {
    failures.push_back({"", kWriteFailed});
    return Report(*open, failures);
  }
  Extraction extraction(*open, EndsWithSeparator(destination) ? destination : destination + "\\", total);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Member& member = listing.members[chosen[i]];
    // Links are not extracted with the rest, nor are they its failure.
    if (names.empty() && member.link) continue;
    const int result = extraction.Write(chosen[i]);
    if (result != 0) failures.push_back({member.name, result});
    if (result == kCancelled || extraction.progress().Cancelled()) {
      run.cancelled = true;
      if (result != kCancelled) failures.push_back({"", kCancelled});
      break;
    }
  }
  // What could be read is written; the archive is still damaged.
  if (names.empty() && listing.damaged) failures.push_back({"", kDamaged});
  return Report(*open, failures);
}

int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size) {
  Hold hold;
  if (output && size > 0) output[0] = '\0';
  if (busy) return kBusy;
  Busy running;
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
