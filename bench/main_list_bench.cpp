// Adding many archives to the main window's list: AddArchive with its
// duplicate scan, then UpdateTotals, against the directory searches alone
// that the same adds need, in the same run.
//   main_list_bench.exe FOLDER [COUNT]   (FOLDER is written to, then emptied)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Trobixmain.h"
#include "toolkit/application.h"

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : ".\\";
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
  toolkit::App.Initialize(GetModuleHandleA(nullptr));
  Main = new TMain();
  Main->Archivers.LoadArchivers();

  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back(folder + "archive" + std::to_string(i) + ".lzh");
    std::ofstream(paths.back(), std::ios::binary) << "STANDIN\nentry x.txt\n";
  }

  auto start = Clock::now();
  for (const std::string& path : paths) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }
  const double searches = Seconds(start);

  start = Clock::now();
  Main->LV.SetRedraw(false);
  for (const std::string& path : paths) Main->AddArchive(path);
  Main->LV.SetRedraw(true);
  Main->UpdateTotals();
  const double adding = Seconds(start);

  std::printf("AddArchive x %d + UpdateTotals: %.2f s; FindFirstFileA alone: %.2f s; ratio %.1f "
              "(%d rows)\n",
              count, adding, searches, adding / searches, Main->LV.Count());
  DestroyWindow(Main->Handle());
  for (const std::string& path : paths) DeleteFileA(path.c_str());
  return 0;
}
