// What the archiver layer costs on top of the libraries it calls: each
// figure is the layer's time divided by the time of a loop that calls the
// stand-in's entry points directly, in the same run.
//   archiver_bench.exe FOLDER   (FOLDER is written to, then emptied)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "archiver/archiver_set.h"
#include "timing.h"

using namespace plenkit;

namespace {

template <typename Fn>
Fn Entry(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct Pair {
  double layer, direct;
};

// The best time of each loop over several rounds that alternate between
// them, so that neither gets the cold cache or a busy moment alone.
template <typename Layer, typename Direct>
Pair Compare(Layer layer, Direct direct) {
  Pair best{1e30, 1e30};
  for (int round = 0; round < 6; ++round) {
    auto start = Clock::now();
    direct();
    best.direct = std::min(best.direct, Seconds(start));
    start = Clock::now();
    layer();
    best.layer = std::min(best.layer, Seconds(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : ".\\";
  // The archives made here are descriptions, which the stand-ins read only
  // when asked to.
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", "1");
  ArchiverSet set;
  set.LoadArchivers();
  if (!set.available[Lzh]) {
    std::printf("UnLha32.Dll not found\n");
    return 1;
  }

  // 10,000 small archives, counted.
  std::vector<std::string> paths;
  for (int i = 0; i < 10000; ++i) {
    paths.push_back(folder + "a" + std::to_string(i) + ".lzh");
    std::ofstream(paths.back(), std::ios::binary) << "STANDIN\nentry x.txt\n";
  }
  auto count = Entry<int(WINAPI*)(LPCSTR)>(set.library[Lzh], "UnlhaGetFileCount");
  long long sink = 0;
  const Pair counting = Compare(
      [&] {
        for (const std::string& p : paths) {
          if (set.SelectKind(p)) sink += set.CountEntries(p);
        }
      },
      [&] {
        for (const std::string& p : paths) sink += count(p.c_str());
      });
  std::printf("SelectKind+CountEntries, 10000 archives: layer %.3f s, direct %.3f s, ratio %.3f\n",
              counting.layer, counting.direct, counting.layer / counting.direct);
  for (const std::string& p : paths) DeleteFileA(p.c_str());

  // A walk of 65,535 entries.
  const std::string big = folder + "big.lzh";
  {
    std::ofstream out(big, std::ios::binary);
    out << "STANDIN\n";
    for (int i = 0; i < 65535; ++i) out << "entry dir\\file" << i << ".txt\nsize " << i << "\n";
  }
  set.SelectKind(big);
  auto open = Entry<HARC(WINAPI*)(HWND, LPCSTR, DWORD)>(set.library[Lzh], "UnlhaOpenArchive");
  auto first = Entry<int(WINAPI*)(HARC, LPCSTR, void*)>(set.library[Lzh], "UnlhaFindFirst");
  auto next = Entry<int(WINAPI*)(HARC, void*)>(set.library[Lzh], "UnlhaFindNext");
  auto close = Entry<int(WINAPI*)(HARC)>(set.library[Lzh], "UnlhaCloseArchive");
  int entries = 0, seen = 0;
  const Pair walking = Compare(
      [&] {
        HARC h = set.OpenArchive(big);
        ArchiveEntryInfo info;
        seen = 0;
        for (int r = set.FindFirstEntry(h, info); r == 0; r = set.FindNextEntry(h, info)) ++seen;
        set.CloseArchive(h);
      },
      [&] {
        HARC h = open(nullptr, big.c_str(), 0);
        unsigned char record[IndividualInfoBytes];
        for (int r = first(h, "*.*", record); r == 0; r = next(h, record)) ++entries;
        close(h);
      });
  std::printf("walk of 65535 entries: layer %.3f s, direct %.3f s, ratio %.3f (%d entries seen)\n",
              walking.layer, walking.direct, walking.layer / walking.direct, seen);
  DeleteFileA(big.c_str());
  set.FreeArchivers();
  return sink + entries == 42 ? 2 : 0;  // keeps the loops from being optimised away
}
