// The contents window against two measures of the same archive, in one run:
// its listing against the bare walk through the archiver layer, and the
// whole window, from construction to its first whole drawing, against its
// floor (view_floor.h), which pays Wine's part of it all the same.
//   view_bench.exe FOLDER            (FOLDER is written to, then emptied)
//   view_bench.exe FOLDER --look     (both windows of 10,000 entries side by
//                                     side for a minute, to be looked at)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Trobixmain.h"
#include "Trobixview.h"
#include "toolkit/application.h"
#include "timing.h"
#include "view_floor.h"

namespace {

// The sizes measured, and the rounds of each measure at each size, of
// which the best is reported: the smaller size takes more, being over
// sooner and more easily upset by a busy moment.
struct Size {
  int entries, rounds;
};
constexpr Size kSizes[] = {{10000, 15}, {65535, 7}};

// A description of `count` entries, which the stand-ins read as an archive.
void WriteEntries(const std::string& path, int count) {
  std::ofstream out(path, std::ios::binary);
  out << "STANDIN\n# " << path << "\n";
  for (int i = 0; i < count; ++i) {
    out << "entry folder\\file" << i << ".txt\nsize " << i * 37 << "\npacked " << i * 11
        << "\nratio " << i % 1000 << "\n";
  }
}

double BareWalk(plenkit::ArchiverSet& set, const std::string& path, int& entries) {
  const auto start = Clock::now();
  entries = 0;
  set.SelectKind(path);
  const plenkit::HARC archive = set.OpenArchive(path);
  plenkit::ArchiveEntryInfo info;
  for (int result = set.FindFirstEntry(archive, info); result == 0;
       result = set.FindNextEntry(archive, info)) {
    ++entries;
  }
  set.CloseArchive(archive);
  return Seconds(start);
}

// One window's showing of an archive, in seconds: made and shown empty, then
// its rows listed, then all of it drawn.
struct Showing {
  double shown = 1e9, listing = 1e9, painting = 1e9, whole = 1e9;
  int rows = 0;

  // Each figure the best of the two: a busy moment is kept out of each.
  void KeepBest(const Showing& other) {
    shown = std::min(shown, other.shown);
    listing = std::min(listing, other.listing);
    painting = std::min(painting, other.painting);
    whole = std::min(whole, other.whole);
    rows = other.rows;
  }
};

double Median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Times a window from its construction to its first whole drawing: `make`
// answers it made and shown, `list` fills it and answers its rows.
template <typename Make, typename List>
Showing Time(Make make, List list) {
  Showing showing;
  const auto start = Clock::now();
  const HWND window = make();
  showing.shown = Seconds(start);
  showing.rows = list();
  const double listed = Seconds(start);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  showing.whole = Seconds(start);
  showing.listing = listed - showing.shown;
  showing.painting = showing.whole - listed;
  return showing;
}

TView* MakeContentsWindow(TMain& main, const std::string& path) {
  auto* view = new TView(main, path);
  view->Show();
  return view;
}

Showing ContentsWindow(TMain& main, const std::string& path) {
  TView* view = nullptr;
  const Showing showing = Time(
      [&] {
        view = MakeContentsWindow(main, path);
        return view->Handle();
      },
      [&] {
        view->AppIdle();
        return view->LV.Count();
      });
  DestroyWindow(view->Handle());
  return showing;
}

Showing Floor(TMain& main, const std::string& path) {
  std::unique_ptr<FloorWindow> floor;
  return Time(
      [&] {
        floor = std::make_unique<FloorWindow>(main.Handle());
        floor->Show();
        return floor->Handle();
      },
      [&] { return floor->ListEntries(main.Archivers, path); });
}

void Report(const char* name, const Showing& s) {
  std::printf(
      "  %-15s made and shown %.3f s, listing %.3f s, drawing %.3f s; whole %.3f s (%d rows)\n",
      name, s.shown, s.listing, s.painting, s.whole, s.rows);
}

// Both windows of the same entries side by side until they are closed or a
// minute has passed.
void Look(TMain& main, const std::string& folder) {
  const std::string path = folder + "look.lzh";
  WriteEntries(path, 10000);
  TView* view = MakeContentsWindow(main, path);
  view->AppIdle();
  FloorWindow floor(main.Handle());
  floor.Show();
  floor.ListEntries(main.Archivers, path);
  const int width = view->Width();
  view->SetBounds(8, 8, width, view->Height());
  SetWindowPos(floor.Handle(), nullptr, 16 + width, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  // The contents window frees itself when closed: only its handle is kept.
  const HWND contents = view->Handle();
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000 && IsWindow(floor.Handle()) && IsWindow(contents)) {
    toolkit::App.ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
  if (IsWindow(contents)) DestroyWindow(contents);
  DeleteFileA(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : ".\\";
  // The archives made here are descriptions, which the stand-ins read only
  // when asked to.
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", "1");
  toolkit::App.Initialize(GetModuleHandleA(nullptr));
  toolkit::App.SetTitle("Plenkit");
  StartForms(false);
  Main->Archivers.LoadArchivers();
  if (argc > 2 && std::strcmp(argv[2], "--look") == 0) {
    Look(*Main, folder);
    DestroyWindow(Main->Handle());
    return 0;
  }

  for (const auto [count, rounds] : kSizes) {
    // An archive of the same entries for each measure, taken in turn: an
    // archiver keeps the archive it read last, so each measure starts cold.
    const std::string walked = folder + "walked" + std::to_string(count) + ".lzh";
    const std::string listed = folder + "listed" + std::to_string(count) + ".lzh";
    const std::string floored = folder + "floor" + std::to_string(count) + ".lzh";
    for (const std::string& made : {walked, listed, floored}) WriteEntries(made, count);
    double walk = 1e9;
    int entries = 0;
    Showing contents, floor;
    // Each round's own ratios too: measures taken moments apart share the
    // machine's load, where the best of each may come from different moments.
    std::vector<double> listingRatios, wholeRatios;
    for (int round = 0; round < rounds; ++round) {
      const double walkNow = BareWalk(Main->Archivers, walked, entries);
      walk = std::min(walk, walkNow);
      // The two windows take turns at going first; what either leaves
      // behind is handled before the next measure.
      Showing contentsNow, floorNow;
      for (int turn = 0; turn < 2; ++turn) {
        if ((round + turn) % 2 == 0) {
          contentsNow = ContentsWindow(*Main, listed);
        } else {
          floorNow = Floor(*Main, floored);
        }
        toolkit::App.ProcessMessages();
      }
      contents.KeepBest(contentsNow);
      floor.KeepBest(floorNow);
      listingRatios.push_back(contentsNow.listing / walkNow);
      wholeRatios.push_back(contentsNow.whole / floorNow.whole);
    }
    std::printf("%d entries, best of %d rounds: bare walk %.3f s (%d entries)\n", count, rounds,
                walk, entries);
    Report("contents window", contents);
    Report("floor", floor);
    std::printf(
        "  listing alone against the bare walk: the bests %.2fx, the rounds' median %.2fx "
        "(goal <= 3)\n",
        contents.listing / walk, Median(listingRatios));
    std::printf(
        "  whole window against the floor: the bests %.2fx, the rounds' median %.2fx "
        "(goal <= 1.3); against the bare walk %.2fx\n",
        contents.whole / floor.whole, Median(wholeRatios), contents.whole / walk);
    for (const std::string& made : {walked, listed, floored}) DeleteFileA(made.c_str());
  }
  DestroyWindow(Main->Handle());
  return 0;
}
