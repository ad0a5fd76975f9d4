#include "engine/extraction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "engine/archiver_windows.h"
#include "engine/long_paths.h"
#include "formats/results.h"
#include "names/paths.h"

namespace archivers {

namespace {

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
  // The passwords that opened members, tried first on the next ones; wiped
  // when the run ends.
  Passwords passwords;

  void ForgetPasswords() {
    for (std::wstring& password : passwords) Wipe(password);
    passwords.clear();
  }
  ~Run() { ForgetPasswords(); }
};

constexpr DWORD kRunGap = 1000;
Run run;

// A command begins a run (true), or goes on with the one before it.
bool StartCommand(const std::string& archive, const std::string& destination, bool whole) {
  const DWORD now = GetTickCount();
  if (run.open && !whole && run.archive == archive && run.destination == destination && now - run.endedAt < kRunGap) {
    return false;
  }
  run.ForgetPasswords();
  run = Run();
  run.archive = archive;
  run.destination = destination;
  run.open = !whole;
  return true;
}

// A downloaded archive's zone mark, in the stream Windows gives downloads.
// Browsers write long ones (the page and the address it came from); one
// beyond any such is cut to the zone all the Internet's files get, never
// dropped. A mark that cannot be read is that zone too.
constexpr wchar_t kZoneStream[] = L":Zone.Identifier";
constexpr DWORD kMostMark = 64 * 1024;
const char kInternetZone[] = "[ZoneTransfer]\r\nZoneId=3\r\n";

std::string ZoneMarkOf(const std::string& path) {
  const HANDLE stream = CreateFileW((LongPath(path) + kZoneStream).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool none = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
                      error == ERROR_NOT_SUPPORTED;
    return none ? "" : kInternetZone;
  }
  std::string mark(kMostMark + 1, '\0');
  DWORD total = 0, got = 0;
  bool read = true;
  while (total < mark.size() &&
         (read = ReadFile(stream, &mark[total], static_cast<DWORD>(mark.size() - total), &got, nullptr)) && got > 0) {
    total += got;
  }
  CloseHandle(stream);
  if (!read || total > kMostMark) return kInternetZone;
  mark.resize(total);
  return mark;
}

// Gives the file at `path` the archive's mark: 0, or ERROR_SET_ATTRIBUTES.
// A volume that keeps no streams (FAT) holds no mark, for Windows' own
// downloads either: that is no failure.
int MarkZone(const std::wstring& path, const std::string& mark) {
  const HANDLE stream = CreateFileW((path + kZoneStream).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_NAME || error == ERROR_NOT_SUPPORTED ? 0 : ERROR_SET_ATTRIBUTES;
  }
  DWORD written = 0;
  const bool whole =
      WriteFile(stream, mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr) && written == mark.size();
  return CloseHandle(stream) && whole ? 0 : ERROR_SET_ATTRIBUTES;
}

std::uint64_t FileTimeValue(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// Whether nothing stands at `path`, as a failed look at it says: any other
// failure is no answer, and never means "nothing there".
bool NothingThere(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The free bytes of the volume that `folder` is on, or will be on.
std::uint64_t FreeBytes(const std::string& destination) {
  std::wstring folder = LongPath(destination);
  for (;;) {
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr)) return free.QuadPart;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    const std::size_t cut = folder.rfind(L'\\');
    if (cut == std::wstring::npos || cut < 7) return UINT64_MAX;  // nothing to ask: the writing will tell
    folder.resize(cut + 1);
  }
}

// The folders one call of MakeFoldersAt made: a chain from the highest to
// the deepest, each inside the one before.
struct MadeChain {
  std::wstring highest, deepest;
};

// Creates the folder at `path` (in the "\\?\" form) and every missing one
// above it; the chain it made goes to `made`, when given. The deepest folder
// that stands is found by halving, since a folder's parents stand when it
// does: a file beside others costs a probe or two, and a path thousands of
// folders deep is made with one call per missing folder, not per folder.
bool MakeFoldersAt(std::wstring path, MadeChain* made = nullptr) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  const auto isFolder = [&path](std::size_t end) {
    const wchar_t cut = path[end];
    path[end] = L'\0';
    const DWORD attributes = GetFileAttributesW(path.c_str());
    path[end] = cut;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  if (isFolder(path.size())) return true;
  // Below the root: "\\?\C:\", or "\\?\UNC\server\share\". Each level ends
  // where the path is cut short to name it; the last is the path itself.
  std::size_t from = 7;
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) from = path.find(L'\\', path.find(L'\\', 8) + 1) + 1;
  std::vector<std::size_t> ends;
  for (std::size_t at = path.find(L'\\', from); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    ends.push_back(at);
  }
  ends.push_back(path.size());
  // The first level missing: every level before it stands.
  std::size_t low = 0, high = ends.size() - 1;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (isFolder(ends[middle])) low = middle + 1;
    else high = middle;
  }
  bool madeLast = false;
  for (std::size_t level = low; level < ends.size(); ++level) {
    const wchar_t cut = path[ends[level]];
    path[ends[level]] = L'\0';
    madeLast = CreateDirectoryW(path.c_str(), nullptr) != FALSE;
    if (madeLast && made) {
      if (made->highest.empty()) made->highest = path.c_str();
      made->deepest.assign(path.c_str());
    }
    path[ends[level]] = cut;
  }
  return madeLast || isFolder(path.size());
}

// Whether the file at `target` goes by another long name: the last part of
// `target` is that file's short (8.3) name.
bool IsShortNameOfAnother(const std::wstring& target) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(target.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  const std::wstring name = target.substr(target.rfind(L'\\') + 1);
  return CompareStringOrdinal(found.cFileName, -1, name.c_str(), static_cast<int>(name.size()), TRUE) != CSTR_EQUAL;
}

// A name beside `target` that nothing has: its name numbered " (2)", " (3)"...
// before the extension, as the names rules number names that meet. Empty
// when none is free.
std::wstring FreeNameBeside(const std::wstring& target) {
  const std::size_t name = target.rfind(L'\\') + 1, dot = target.rfind(L'.');
  const std::size_t cut = dot != std::wstring::npos && dot > name ? dot : target.size();
  for (int n = 2; n < 1000; ++n) {
    const std::wstring candidate = target.substr(0, cut) + L" (" + std::to_wstring(n) + L")" + target.substr(cut);
    if (GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES && NothingThere(GetLastError())) {
      return candidate;
    }
  }
  return L"";
}

// One command's extraction.
// One password's tries: its bytes in Shift-JIS, then in UTF-8 where they
// differ, as Windows' tools and the Mac's (and newer tools) write them.
int DecodeWith(Reader& reader, const std::wstring& password, const std::function<int()>& decode) {
  int result = ERROR_PASSWORD_FILE;
  for (const UINT codePage : {932u, static_cast<UINT>(CP_UTF8)}) {
    std::string bytes = Narrow(password, codePage);
    std::string shiftJis = codePage == CP_UTF8 ? Narrow(password, 932) : std::string();
    const bool same = codePage == CP_UTF8 && bytes == shiftJis;
    Wipe(shiftJis);
    if (same) break;
    reader.SetPassword(bytes);
    Wipe(bytes);
    result = decode();
    reader.SetPassword({});
    if (result != ERROR_PASSWORD_FILE) break;
  }
  return result;
}

}  // namespace

int DecodeEncrypted(Reader& reader, const std::string& archive, const Member& member, Passwords& known,
                    const std::function<int()>& decode) {
  for (const std::wstring& password : known) {
    const int result = DecodeWith(reader, password, decode);
    if (result != ERROR_PASSWORD_FILE) return result;
  }
  std::wstring typed;
  for (bool wrong = false;; wrong = true) {
    switch (AskPassword(archive, member.name, wrong, typed)) {
      case PasswordAnswer::Skip: Wipe(typed); return ERROR_PASSWORD_FILE;
      case PasswordAnswer::Cancel: Wipe(typed); return ERROR_USER_CANCEL;
      default: break;
    }
    // One that opened the member is kept, though its data be damaged.
    const int result = DecodeWith(reader, typed, decode);
    if (result != ERROR_PASSWORD_FILE) known.push_back(typed);
    if (result != ERROR_PASSWORD_FILE) {
      Wipe(typed);
      return result;
    }
  }
}

namespace {

class Extraction {
 public:
  Extraction(CachedArchive& open, const std::string& base, std::uint64_t total, std::uint64_t room)
      : open_(open), shownBase_(base), base_(LongPath(base)), room_(room), progress_(FileName(open.path), total) {
    if (!base_.empty() && base_.back() != L'\\') base_ += L'\\';
  }

  // Writes member `index`: 0 when written or skipped, else why not.
  int Write(std::size_t index) {
    const Member& member = open_.listing->members[index];
    if (!StaysInside(member.name)) return ERROR_INVALID_PATH;
    if (member.link) return ERROR_NOT_SUPPORT;
    std::wstring target = base_ + Wide(member.name);
    if (member.folder) {
      // Made whatever comes of the rest: the archive holds it.
      while (!target.empty() && target.back() == L'\\') target.pop_back();
      kept_.insert(target);
      return MakeFoldersAt(target) ? 0 : ERROR_MAKEDIRECTORY;
    }
    if (member.cipher == Cipher::Unreadable) return ERROR_PASSWORD_FILE;
    if (member.unsupported) return member.unsupported;

    // A large member that would replace a file is asked about before it is
    // decoded; any other learns of a file in its way when it takes its name.
    bool asked = member.size >= kAskFirst, replace = false;
    if (asked) {
      const int decided = GiveWay(target, member, replace);
      if (decided != 0) return decided == kSkipped ? 0 : decided;
    }
    // A file's folders are made when it is written, the destination's too:
    // those it leaves empty go at the command's end.
    const std::wstring folder = target.substr(0, target.rfind(L'\\') + 1);
    bool foldersMade = false;
    auto makeFolders = [&] {
      MadeChain chain;
      const bool madeAll = MakeFoldersAt(folder, &chain);
      if (!chain.highest.empty()) made_.push_back(std::move(chain));
      foldersMade = true;
      return madeAll;
    };
    // Where nothing stands, the member is written under its own name: the
    // file made new is the archiver's own, removed if the member fails, so
    // nothing is lost, and Wine looks through the folder once for it
    // instead of twice (for a name of its own and for the renaming).
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!asked) {
      file = CreateNew(target);
      if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        if (!makeFolders()) return ERROR_MAKEDIRECTORY;
        file = CreateNew(target);
      }
    }
    const bool direct = file != INVALID_HANDLE_VALUE;
    // Else written whole under a name of its own, then named: what stood
    // there is replaced at once, or not at all.
    if (!direct) file = CreateTemporary(folder);
    if (file == INVALID_HANDLE_VALUE && !foldersMade) {
      if (!makeFolders()) return ERROR_MAKEDIRECTORY;
      file = CreateTemporary(folder);
    }
    if (file == INVALID_HANDLE_VALUE) return ERROR_CANNOT_WRITE;
    int result = member.encrypted ? DecodeWithPassword(file, index, member) : Decode(file, index, member);
    if (result == 0 && member.written) {
      const FILETIME time{static_cast<DWORD>(member.written), static_cast<DWORD>(member.written >> 32)};
      SetFileTime(file, nullptr, nullptr, &time);
    }
    if (result == 0 && !direct && !Rename(file, NtForm(target), replace)) {
      const DWORD error = GetLastError();
      result = ERROR_CANNOT_WRITE;
      if (!asked && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
        result = GiveWay(target, member, replace);
        if (result == 0 && !Rename(file, NtForm(target), replace)) result = ERROR_CANNOT_WRITE;
      }
    }
    if (result != 0) {
      // The archiver's own file goes; nothing else is touched.
      FILE_DISPOSITION_INFO discard{TRUE};
      SetFileInformationByHandle(file, FileDispositionInfo, &discard, sizeof discard);
    }
    CloseHandle(file);
    if (result != 0) return result == kSkipped ? 0 : result;
    // Every file written gets the archive's mark, or the user hears why not.
    return run.zoneMark.empty() ? 0 : MarkZone(target, run.zoneMark);
  }

  Progress& progress() { return progress_; }

  // Removes the folders this command made for files it did not write,
  // where they stayed empty; those the archive holds stay. A chain goes from
  // its deepest folder up, as far as each is empty: the folders above one
  // that stays hold it.
  void RemoveEmptyFolders() {
    for (auto chain = made_.rbegin(); chain != made_.rend(); ++chain) {
      std::wstring folder = chain->deepest;
      while (!kept_.count(folder) && RemoveDirectoryW(folder.c_str()) && folder != chain->highest) {
        folder.resize(folder.rfind(L'\\'));
      }
    }
  }

 private:
  static constexpr int kSkipped = -2;
  // Members this large are asked about before they are decoded.
  static constexpr std::uint64_t kAskFirst = 1 << 20;

  // Decodes member `index` into `file`, made new, or emptied first when
  // `again` (another password's try): 0, or why not.
  int Decode(HANDLE file, std::size_t index, const Member& member, bool again = false) {
    LARGE_INTEGER start{};
    if (again && (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file))) {
      return ERROR_CANNOT_WRITE;
    }
    // Never more than the member declares; a member whose size nobody knows
    // gets what the volume has room for after the others, no more.
    const std::uint64_t most = member.sizeKnown ? member.size : room_;
    bool written = true;
    std::uint64_t count = 0;
    // What a solid archive decodes on the way to the member shows the
    // progress window too, whose cancel stops it.
    open_.reader->SetPassing([this, &member](std::size_t) {
      progress_.Advance(member.name, 0);
      return !progress_.Cancelled();
    });
    int result = open_.reader->Read(index, member, [&](const unsigned char* data, std::size_t size) {
      count += size;
      if (count > most) return written = false;
      DWORD done = 0;
      written = WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
      progress_.Advance(member.name, size);
      return written && !progress_.Cancelled();
    });
    open_.reader->SetPassing(nullptr);
    if (result != kStopped) return result;
    return written            ? ERROR_USER_CANCEL
           : count <= most    ? ERROR_CANNOT_WRITE
           : member.sizeKnown ? ERROR_FILE_CRC
                              : ERROR_DISK_SPACE;
  }

  int DecodeWithPassword(HANDLE file, std::size_t index, const Member& member) {
    const int result = DecodeEncrypted(*open_.reader, FileName(open_.path), member, run.passwords,
                                       [&, tries = 0]() mutable { return Decode(file, index, member, tries++ > 0); });
    if (result == ERROR_USER_CANCEL) run.cancelled = true;
    return result;
  }

  // Whether what stands at `target` gives way to the member: 0 yes, with
  // `replace` set when a file stands there, or with `target` moved to a name
  // of its own when the file there is another's reached by its short name
  // (which a replace would lose under a name the question never showed);
  // kSkipped; or a failure. A look that fails is never taken for "nothing
  // there".
  int GiveWay(std::wstring& target, const Member& member, bool& replace) {
    replace = false;
    WIN32_FILE_ATTRIBUTE_DATA there;
    if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &there)) {
      return NothingThere(GetLastError()) ? 0 : ERROR_CANNOT_WRITE;
    }
    if (there.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_CANNOT_WRITE;
    if (IdentityOf(target) == open_.identity) return ERROR_SAME_NAME_FILE;
    if (IsShortNameOfAnother(target)) {
      target = FreeNameBeside(target);
      return target.empty() ? ERROR_CANNOT_WRITE : 0;
    }
    replace = true;
    if (run.existing == Run::Existing::Replace) return 0;
    if (run.existing == Run::Existing::Skip) return kSkipped;
    const FileFacts existing{shownBase_ + member.name,
                             static_cast<std::uint64_t>(there.nFileSizeHigh) << 32 | there.nFileSizeLow,
                             FileTimeValue(there.ftLastWriteTime)};
    switch (AskReplace(existing, FileFacts{member.name, member.size, member.written})) {
      case ReplaceAnswer::ReplaceAll: run.existing = Run::Existing::Replace; return 0;
      case ReplaceAnswer::Replace: return 0;
      case ReplaceAnswer::SkipAll: run.existing = Run::Existing::Skip; return kSkipped;
      case ReplaceAnswer::Skip: return kSkipped;
      default: run.cancelled = true; return ERROR_USER_CANCEL;
    }
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

  // The member's file at `path`, made new: fails where anything stands.
  static HANDLE CreateNew(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  // A file of the archiver's own beside where the member goes.
  static HANDLE CreateTemporary(const std::wstring& folder) {
    static DWORD serial = GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
      wchar_t tail[40];
      std::swprintf(tail, 40, L"~plk%04lX%08lX.tmp", GetCurrentProcessId() & 0xFFFF, ++serial);
      const HANDLE file = CreateFileW((folder + tail).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
  }

  CachedArchive& open_;
  std::string shownBase_;  // the destination as the caller named it, for the question
  std::wstring base_;
  std::uint64_t room_;  // what the volume holds beyond the members of known size
  Progress progress_;
  std::vector<MadeChain> made_;  // the folders made for files, in the order made
  std::set<std::wstring> kept_;  // the folders the archive holds as members
};

// What the failure box says of a member beyond its result, where the
// result's own words would mislead.
std::string Reason(Format format, const Member& member, int result) {
  if (member.split) return "ほかの分割書庫が必要です";
  if (result == ERROR_PASSWORD_FILE && member.cipher == Cipher::Unreadable) {
    return format == Format::Rar ? "RAR の暗号化には対応していません" : "この暗号化には対応していません";
  }
  return "";
}

// Writes the members `chosen`, each failure added to `failures`. The
// progress window is gone when it returns: its time is no gap in the run.
void WriteMembers(CachedArchive& open, const std::string& destination, const std::vector<std::size_t>& chosen,
                  bool whole, std::uint64_t total, std::uint64_t room, std::vector<Failure>& failures) {
  const Listing& listing = *open.listing;
  Extraction extraction(open, destination, total, room);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Member& member = listing.members[chosen[i]];
    // Links are not extracted with the rest, nor are they its failure.
    if (whole && member.link) continue;
    const int result = extraction.Write(chosen[i]);
    if (result != 0) failures.push_back({member.name, result, Reason(open.format, member, result)});
    if (result == ERROR_USER_CANCEL || extraction.progress().Cancelled()) {
      run.cancelled = true;
      if (result != ERROR_USER_CANCEL) failures.push_back({"", ERROR_USER_CANCEL});
      break;
    }
  }
  extraction.RemoveEmptyFolders();
}

// The user hears of a command's failures once, at its end, unless they
// asked for quiet for the rest of the run.
int Report(const std::string& archive, std::vector<Failure>& failures) {
  run.endedAt = GetTickCount();
  if (failures.empty()) return 0;
  if (!run.quiet) {
    run.quiet = ReportFailures(FileName(archive), failures);
    run.endedAt = GetTickCount();  // a box's time is no gap between commands
  }
  return failures.front().result;
}

}  // namespace

bool MakeFolders(const std::string& folder) { return MakeFoldersAt(LongPath(folder)); }

int ReportUnreadable(const std::string& path, const std::string& destination, bool whole, int result) {
  StartCommand(path, destination, whole);
  if (run.cancelled) return ERROR_USER_CANCEL;
  std::vector<Failure> failures{{"", result}};
  return Report(path, failures);
}

int ExtractChosen(CachedArchive& open, const std::string& destination, const std::vector<std::size_t>& chosen,
                  bool whole, const std::string& password) {
  const Listing& listing = *open.listing;
  // A new run knows no password, nor does the archive's reader.
  if (StartCommand(open.path, destination, whole)) {
    open.reader->ForgetPasswords();
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
    if (!m.folder && !m.link && m.cipher != Cipher::Unreadable && !m.unsupported)
      total += std::min<std::uint64_t>(m.size, UINT64_MAX - total);
  }
  const std::uint64_t free = FreeBytes(destination);
  if (total > free) {
    failures.push_back({"", ERROR_DISK_SPACE});
    return Report(open.path, failures);
  }
  // A password the caller gives is tried first, before any the user types.
  if (!password.empty()) {
    std::wstring given = Wide(password);
    if (std::find(run.passwords.begin(), run.passwords.end(), given) == run.passwords.end()) {
      run.passwords.push_front(given);
    }
    Wipe(given);
  }
  WriteMembers(open, EndsWithSeparator(destination) ? destination : destination + "\\", chosen, whole, total,
               free - total, failures);
  // What could be read is written; the rest is out of reach, and the box
  // says which: how many the archive declares, or those after the last
  // member listed.
  if (whole && listing.damaged) {
    failures.push_back({listing.unreached ? "届かなかった " + std::to_string(listing.unreached) + " 件のファイル"
                        : listing.members.empty() ? ""
                                                  : listing.members.back().name + " より後のファイル",
                        listing.damaged});
  }
  // A command for the whole archive is a run of its own, ended here.
  if (whole) {
    run.ForgetPasswords();
    open.reader->ForgetPasswords();
  }
  return Report(open.path, failures);
}

}  // namespace archivers
