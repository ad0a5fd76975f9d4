// The archivers against mutated archives (scripts/soak.sh runs this):
//   soak.exe ARCHIVES WORK COUNT [SEED]
// For each format, COUNT archives made from the real ones in ARCHIVES (and
// its hostile and safety folders) by flipping bytes, cutting them short or
// splicing two together, each written to a folder of its own under WORK and
// taken through what Plenkit does with an archive: count, open, walk, a
// whole extraction into a fresh folder, a print of the first member. Every
// step has ten seconds; the archivers' boxes are answered as they come. One
// line per format, then the findings: a hang or a file outside its folder
// is printed and counted; a crash ends the program, and the script names
// the archive it was at.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

using namespace plenkit;
using namespace testing_support;

namespace {

std::vector<std::string> Files(const std::string& folder, const std::string& extension) {
  std::vector<std::string> found;
  for (const char* sub : {"", "hostile\\", "safety\\"}) {
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

// Runs `step`; false when it took longer than its time.
template <typename Step>
bool InTime(Step step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::steady_clock::now() - start < std::chrono::seconds(10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: soak ARCHIVES WORK COUNT [SEED]\n");
    return 2;
  }
  const std::string archives = std::string(argv[1]) + "\\", work = std::string(argv[2]) + "\\";
  const int count = std::atoi(argv[3]);
  std::mt19937 random(argc > 4 ? std::atoi(argv[4]) : 1);
  ArchiverSet set;
  set.LoadArchivers();
  int findings = 0;
  // The archivers' boxes: questions skipped, failures acknowledged, progress left alone.
  const auto answer = [](const std::string& texts) {
    if (texts.rfind("書庫: ", 0) == 0) return 0;
    return texts.find("置き換えますか") != std::string::npos ? 11 : IDOK;
  };
  for (const char* extension : {".zip", ".lzh", ".cab", ".rar", ".arj"}) {
    const std::vector<std::string> bases = Files(archives, extension);
    const ArchiverKind kind = KindOfFileName(extension);
    const auto command = reinterpret_cast<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(
        reinterpret_cast<void*>(GetProcAddress(set.library[kind], KindTable(kind).prefix)));
    int listed = 0, extracted = 0, hangs = 0, outside = 0;
    for (int i = 0; i < count; ++i) {
      const std::string folder = work + std::to_string(i) + extension,
                        path = folder + "\\a" + extension;
      CreateDirectoryA(folder.c_str(), nullptr);
      WriteBytes(path, Mutated(bases, random));
      std::fprintf(stderr, "at %s\n", path.c_str());
      bool timely = true;
      std::string first;
      int members = -1, result = 0;
      DialogsDuring(
          [&] {
            set.SelectKind(path);
            timely &= InTime([&] { members = set.CountEntries(path); });
            timely &= InTime([&] {
              if (const HARC handle = set.OpenArchive(path)) {
                ArchiveEntryInfo info;
                for (int r = set.FindFirstEntry(handle, info); r == 0;
                     r = set.FindNextEntry(handle, info)) {
                  if (first.empty()) first = info.name;
                }
                set.CloseArchive(handle);
              }
            });
            timely &=
                InTime([&] { result = set.RunArchiverCommand(path, folder + "\\out\\", ""); });
            timely &= InTime([&] {
              std::vector<char> output(640400);
              const std::string line = std::string(kind == Lzh || kind == Arj ? "p" : "-p") +
                                       " \"" + path + "\" \"" + first + "\"";
              if (command && !first.empty()) command(nullptr, line.c_str(), output.data(), 640000);
            });
          },
          answer);
      listed += members >= 0;
      extracted += result == 0;
      if (!timely) ++hangs, std::printf("HANG %s\n", path.c_str());
      // The archive and its destination, nothing else.
      WIN32_FIND_DATAA entry;
      const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
      do {
        const std::string name = entry.cFileName;
        if (name != "." && name != ".." && name != "out" && name != std::string("a") + extension) {
          ++outside, std::printf("OUTSIDE %s\\%s\n", folder.c_str(), name.c_str());
        }
      } while (search != INVALID_HANDLE_VALUE && FindNextFileA(search, &entry));
      if (search != INVALID_HANDLE_VALUE) FindClose(search);
      RemoveTree(folder);
    }
    std::printf(
        "%s: %d mutated archives, %d listed, %d extracted whole; %d hangs, %d files outside their "
        "folder\n",
        extension, count, listed, extracted, hangs, outside);
    std::fflush(stdout);
    findings += hangs + outside;
  }
  set.FreeArchivers();
  return findings ? 1 : 0;
}
