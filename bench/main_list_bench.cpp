// A drop of many archives on the main window, against the work the same
// files need whatever the list does (SelectKind, FindFirstFileA and
// CountEntries for each), in one run; then a drop twice as large.
//   main_list_bench.exe FOLDER [COUNT]   (FOLDER is written to, then emptied)
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Trobixmain.h"
#include "Trobixprog.h"
#include "toolkit/application.h"
#include "timing.h"

namespace {

double Baseline(const std::vector<std::string>& paths) {
  plenkit::ArchiverSet set;
  set.LoadArchivers();
  const auto start = Clock::now();
  for (const std::string& path : paths) {
    if (!set.SelectKind(path)) continue;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    set.CountEntries(path);
  }
  const double seconds = Seconds(start);
  set.FreeArchivers();
  return seconds;
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) names += path + '\0';
  names += '\0';
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  std::copy(names.begin(), names.end(), reinterpret_cast<char*>(header + 1));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// A fresh main window each time, as a user's drop finds it; answers the
// seconds the drop took and the rows it made.
double Drop(const std::vector<std::string>& paths, int& rows) {
  StartForms(false);
  toolkit::App.ProcessMessages();
  const HDROP drop = MakeDrop(paths);
  const auto start = Clock::now();
  SendMessageA(Main->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  const double seconds = Seconds(start);
  rows = Main->LV.Count();
  DestroyWindow(Main->Handle());
  DestroyWindow(Prog->Handle());
  toolkit::App.ProcessMessages();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : ".\\";
  // The archives made here are descriptions, which the stand-ins read only
  // when asked to.
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", "1");
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
  toolkit::App.Initialize(GetModuleHandleA(nullptr));
  toolkit::App.SetTitle("Plenkit");
  toolkit::App.SetCommandLine("main_list_bench.exe");

  std::vector<std::string> paths;
  for (int i = 0; i < 2 * count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "archive%05d.lzh", i);
    paths.push_back(folder + name);
    std::ofstream(paths.back(), std::ios::binary) << "STANDIN\nentry x.txt\n";
  }
  const std::vector<std::string> half(paths.begin(), paths.begin() + count);

  // One pass first, so that no round meets the files cold; then alternating
  // rounds, whose best keeps a busy moment out.
  Baseline(paths);
  double base = 1e9, baseLarge = 1e9, small = 1e9, large = 1e9;
  int smallRows = 0, largeRows = 0;
  for (int round = 0; round < 3; ++round) {
    base = std::min(base, Baseline(half));
    small = std::min(small, Drop(half, smallRows));
    baseLarge = std::min(baseLarge, Baseline(paths));
    large = std::min(large, Drop(paths, largeRows));
  }
  std::printf(
      "drop of %d archives: %.2f s (%d rows); SelectKind + FindFirstFileA + "
      "CountEntries alone: %.2f s; ratio %.2f (goal <= 3)\n",
      count, small, smallRows, base, small / base);
  std::printf(
      "drop of %d archives: %.2f s (%d rows); against %d: ratio %.2f (goal <= 2.3); "
      "the same work alone: %.2f s, %.2f times that of %d\n",
      2 * count, large, largeRows, count, large / small, baseLarge, baseLarge / base, count);
  for (const std::string& path : paths) DeleteFileA(path.c_str());
  return 0;
}
