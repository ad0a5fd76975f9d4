#include "engine/extraction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/archiver_windows.h"
#include "formats/results.h"
#include "names/paths.h"

namespace archivers {

namespace {

std::string FileName(const std::string& path) {
  const std::size_t cut = LastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

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
  Extraction(CachedArchive& open, const std::string& base, std::uint64_t total)
      : open_(open), base_(FullPath(base)), progress_(FileName(open.path), total) {}

  // Writes member `index`: 0 when written or skipped, else why not.
  int Write(std::size_t index) {
    const Member& member = open_.listing->members[index];
    if (!StaysInside(member.name)) return ERROR_INVALID_PATH;
    if (member.link) return ERROR_NOT_SUPPORT;
    const std::string path = base_ + member.name;
    if (member.folder) return MakeFolders(path.substr(0, path.size() - 1)) ? 0 : ERROR_MAKEDIRECTORY;
    if (member.encrypted) return ERROR_PASSWORD_FILE;
    if (member.unsupported) return member.unsupported;

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
    if (file == INVALID_HANDLE_VALUE && cut >= base_.size()) {
      if (!MakeFolders(path.substr(0, cut))) return ERROR_MAKEDIRECTORY;
      file = CreateTemporary(folder);
    }
    if (file == INVALID_HANDLE_VALUE) return ERROR_CANNOT_WRITE;
    bool written = true;
    std::uint64_t count = 0;
    int result = open_.reader->Read(index, member, [&](const unsigned char* data, std::size_t size) {
      count += size;
      if (member.sizeKnown && count > member.size) return written = false;  // never more than declared
      DWORD done = 0;
      written = WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
      progress_.Advance(member.name, size);
      return written && !progress_.Cancelled();
    });
    if (result == kStopped) {
      result = written ? ERROR_USER_CANCEL : count > member.size ? ERROR_FILE_CRC : ERROR_CANNOT_WRITE;
    }
    if (result == 0 && member.written) {
      const FILETIME time{static_cast<DWORD>(member.written), static_cast<DWORD>(member.written >> 32)};
      SetFileTime(file, nullptr, nullptr, &time);
    }
    const std::wstring target = NtPath(path);
    if (result == 0 && !Rename(file, target, replace)) {
      const DWORD error = GetLastError();
      result = ERROR_CANNOT_WRITE;
      if (!asked && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
        result = GiveWay(path, member, replace);
        if (result == 0 && !Rename(file, target, true)) result = ERROR_CANNOT_WRITE;
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

  // Whether what stands at `path` gives way to the member: 0 yes (with
  // `replace` set when a file stands there), kSkipped, or a failure.
  int GiveWay(const std::string& path, const Member& member, bool& replace) {
    WIN32_FILE_ATTRIBUTE_DATA there;
    replace = false;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &there)) return 0;
    if (there.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_CANNOT_WRITE;
    if (IdentityOf(path) == open_.identity) return ERROR_SAME_NAME_FILE;
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
      default: run.cancelled = true; return ERROR_USER_CANCEL;
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

  CachedArchive& open_;
  std::string base_;
  Progress progress_;
  bool zoneWritable_ = true;
};

// The user hears of a command's failures once, at its end, unless they
// asked for quiet for the rest of the run.
int Report(const CachedArchive& open, std::vector<Failure>& failures) {
  run.endedAt = GetTickCount();
  if (failures.empty()) return 0;
  if (!run.quiet) {
    run.quiet = ReportFailures(FileName(open.path), failures);
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

void ReportFailure(const std::string& path, int result) { ReportFailures(FileName(path), {{"", result}}); }

int ExtractChosen(CachedArchive& open, const std::string& destination, const std::vector<std::size_t>& chosen,
                  bool whole) {
  const Listing& listing = *open.listing;
  const DWORD now = GetTickCount();
  if (!(run.open && !whole && run.archive == open.path && run.destination == destination &&
        now - run.endedAt < kRunGap)) {
    run = Run();
    run.archive = open.path;
    run.destination = destination;
    run.open = !whole;
    run.zoneMark = ZoneMarkOf(open.path);
  }
  std::vector<Failure> failures;
  // A cancelled run writes nothing more, and says nothing more.
  if (run.cancelled) {
    run.endedAt = GetTickCount();
    return ERROR_USER_CANCEL;
  }

  // What the command will write must fit before anything is written.
  std::uint64_t total = 0;
  for (std::size_t index : chosen) {
    const Member& m = listing.members[index];
    if (!m.folder && !m.link && !m.encrypted && !m.unsupported)
      total += std::min<std::uint64_t>(m.size, UINT64_MAX - total);
  }
  if (total > FreeBytes(destination)) {
    failures.push_back({"", ERROR_DISK_SPACE});
    return Report(open, failures);
  }
  if (!MakeFolders(destination)) {
    failures.push_back({"", ERROR_MAKEDIRECTORY});
    return Report(open, failures);
  }
  Extraction extraction(open, EndsWithSeparator(destination) ? destination : destination + "\\", total);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Member& member = listing.members[chosen[i]];
    // Links are not extracted with the rest, nor are they its failure.
    if (whole && member.link) continue;
    const int result = extraction.Write(chosen[i]);
    if (result != 0) failures.push_back({member.name, result});
    if (result == ERROR_USER_CANCEL || extraction.progress().Cancelled()) {
      run.cancelled = true;
      if (result != ERROR_USER_CANCEL) failures.push_back({"", ERROR_USER_CANCEL});
      break;
    }
  }
  // What could be read is written; the archive is still damaged.
  if (whole && listing.damaged) failures.push_back({"", listing.damaged});
  return Report(open, failures);
}

}  // namespace archivers
