// The archivers against mutated archives (scripts/soak.sh runs this):
//   soak.exe ARCHIVES WORK COUNT [SEED [.EXTENSION...]]
// For each format (or each extension named), COUNT archives made from the real ones in ARCHIVES
// (and its hostile, safety and bga folders) by flipping bytes, cutting them short or splicing two
// together, each written to a folder of its own under WORK and taken through what Plenkit does with
// an archive: count, open, walk, a whole extraction into a fresh folder, a print of the first
// member. The archivers' boxes are answered as they come.
//
// Every step has ten seconds, and the extraction 30 ms more for each
// member counted (Wine makes a file in a folder of thousands in a few
// milliseconds, looking through the folder for each new name: 2,661 names
// of 105 characters, alike but for their ends, took it over 13 ms each on
// a loaded machine), timed by a watchdog thread: a step that overruns is
// printed as a HANG with its archive, and the program ends at once with
// exit code 124, since the step may never return. A crash ends the program
// too; the script names the archive it was at from the "at" lines on the
// error output.
//
// WORK holds nothing but the folder of the archive under way: after each
// archive, anything else there, in the archive's folder beside the archive
// and its destination, or new at the root of C: (where a drive-relative
// name lands) is printed as OUTSIDE and counted, and so is an archive's
// folder that cannot be removed (LEFT: a file named as a device, say). The
// script makes WORK the root of a drive of its own, so that a name climbing
// out of its folder can land nowhere else.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

using namespace plenkit;
using namespace testing_support;

namespace {

constexpr int kHangExit = 124;

std::vector<std::string> Files(const std::string& folder, const std::string& extension) {
  std::vector<std::string> found;
  for (const char* sub : {"", "hostile\\", "safety\\", "bga\\"}) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + sub + "*" + extension).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (entry.nFileSizeLow <= (4u << 20) && !entry.nFileSizeHigh)
        found.push_back(folder + sub + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return found;
}

// The names in `folder` (with its closing "\"), "." and ".." aside.
std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

void Remove(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileA(path.c_str())) RemoveTree(path);
}

std::string Mutated(const std::vector<std::string>& bases, std::mt19937& random) {
  std::string bytes = ReadBytes(bases[random() % bases.size()]);
  if (bytes.empty()) return bytes;
  switch (random() % 3) {
    case 0:  // bytes flipped
      for (int n = 1 + random() % 8; n > 0; --n)
        bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
      break;
    case 1:  // cut short
      bytes.resize(random() % bytes.size());
      break;
    default: {  // the head of one spliced to the tail of another
      const std::string other = ReadBytes(bases[random() % bases.size()]);
      bytes = bytes.substr(0, random() % bytes.size()) +
              other.substr(other.empty() ? 0 : random() % other.size());
    }
  }
  return bytes;
}

// Times each step from a thread of its own, so that a step that never
// returns is caught as surely as a slow one.
class Watchdog {
 public:
  explicit Watchdog(DWORD limit) : limit_(limit), thread_([this] { Watch(); }) {}
  ~Watchdog() {
    stop_ = true;
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Runs `step` with the watchdog's limit and `more` milliseconds.
  template <typename Step>
  void Run(const std::string& archive, const char* what, Step step, ULONGLONG more = 0) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      archive_ = archive, what_ = what, startedAt_ = GetTickCount64(), allowed_ = limit_ + more;
    }
    step();
    std::lock_guard<std::mutex> lock(mutex_);
    what_ = nullptr;
  }

 private:
  void Watch() {
    while (!stop_) {
      Sleep(100);
      std::lock_guard<std::mutex> lock(mutex_);
      if (what_ && GetTickCount64() - startedAt_ > allowed_) {
        std::printf("HANG %s (%s: still running after %.1f s)\n", archive_.c_str(), what_,
                    allowed_ / 1000.0);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), kHangExit);
      }
    }
  }

  const DWORD limit_;
  std::mutex mutex_;
  std::string archive_;
  const char* what_ = nullptr;
  ULONGLONG startedAt_ = 0, allowed_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: soak ARCHIVES WORK COUNT [SEED [.EXTENSION...]]\n");
    return 2;
  }
  const std::string archives = std::string(argv[1]) + "\\", work = std::string(argv[2]) + "\\";
  const int count = std::atoi(argv[3]);
  std::mt19937 random(argc > 4 ? std::atoi(argv[4]) : 1);
  ArchiverSet set;
  set.LoadArchivers();
  Watchdog watchdog(10000);
  // What C: held at the start, and what was found and could not be removed.
  std::set<std::string> known;
  for (const std::string& entry : Entries("C:\\")) known.insert("C:\\" + entry);
  int findings = 0;
  // The archivers' boxes: questions (a replace, a password) skipped,
  // failures acknowledged, progress left alone.
  const auto answer = [](const std::string& texts) {
    if (texts.rfind("書庫: ", 0) == 0) return 0;
    const bool question = texts.find("置き換えますか") != std::string::npos ||
                          texts.find("パスワードが必要です") != std::string::npos;
    return question ? 11 : IDOK;
  };
  std::vector<std::string> extensions(argv + std::min(argc, 5), argv + argc);
  if (extensions.empty()) extensions = {".zip", ".lzh", ".cab", ".rar", ".arj", ".gza", ".bza"};
  for (const std::string& extension : extensions) {
    const std::vector<std::string> bases = Files(archives, extension);
    const ArchiverKind kind = KindOfFileName(extension);
    const auto command = reinterpret_cast<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(
        reinterpret_cast<void*>(GetProcAddress(set.library[kind], KindTable(kind).prefix)));
    int listed = 0, extracted = 0, outside = 0;
    for (int i = 0; i < count; ++i) {
      const std::string name = std::to_string(i) + extension, folder = work + name,
                        archive = std::string("a") + extension, path = folder + "\\" + archive;
      CreateDirectoryA(folder.c_str(), nullptr);
      WriteBytes(path, Mutated(bases, random));
      std::fprintf(stderr, "at %s\n", path.c_str());
      std::string first;
      int members = -1, result = 0;
      DialogsDuring(
          [&] {
            set.SelectKind(path);
            watchdog.Run(path, "count", [&] { members = set.CountEntries(path); });
            watchdog.Run(path, "walk", [&] {
              if (const HARC handle = set.OpenArchive(path)) {
                ArchiveEntryInfo info;
                for (int r = set.FindFirstEntry(handle, info); r == 0;
                     r = set.FindNextEntry(handle, info)) {
                  if (first.empty()) first = info.name;
                }
                set.CloseArchive(handle);
              }
            });
            watchdog.Run(
                path, "extraction",
                [&] { result = set.RunArchiverCommand(path, folder + "\\out\\", ""); },
                30ull * std::max(0, members));
            watchdog.Run(path, "print", [&] {
              std::vector<char> output(640400);
              const std::string line = std::string(kind == Lzh || kind == Arj ? "p" : "-p") +
                                       " \"" + path + "\" \"" + first + "\"";
              if (command && !first.empty()) command(nullptr, line.c_str(), output.data(), 640000);
            });
          },
          answer);
      listed += members >= 0;
      extracted += result == 0;
      // The archive and its destination, nothing else, and nothing left
      // anywhere else. What is found is told once: removed, or remembered.
      std::vector<std::string> strays;
      for (const std::string& entry : Entries(folder + "\\")) {
        if (entry != "out" && entry != archive) strays.push_back(folder + "\\" + entry);
      }
      for (const std::string& entry : Entries(work)) {
        if (entry != name && !known.count(work + entry)) strays.push_back(work + entry);
      }
      for (const std::string& entry : Entries("C:\\")) {
        if (!known.count("C:\\" + entry)) strays.push_back("C:\\" + entry);
      }
      for (const std::string& stray : strays) {
        ++outside, std::printf("OUTSIDE %s (from %s)\n", stray.c_str(), path.c_str());
        if (stray.compare(0, 3, "C:\\") == 0) known.insert(stray);
        else Remove(stray);
        if (Exists(stray)) known.insert(stray);
      }
      RemoveTree(folder);
      // Only what an archiver should never write stands in the way: a
      // device's name, say.
      if (Exists(folder)) {
        ++outside, std::printf("LEFT %s: it cannot be removed\n", folder.c_str());
        known.insert(folder);
      }
    }
    std::printf(
        "%s: %d mutated archives, %d listed, %d extracted whole; %d files outside their "
        "folder\n",
        extension.c_str(), count, listed, extracted, outside);
    std::fflush(stdout);
    findings += outside;
  }
  set.FreeArchivers();
  return findings ? 1 : 0;
}
