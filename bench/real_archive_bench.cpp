// Real archives of many members through the archiver layer and the
// archivers (scripts/bench.sh makes them and times the native tools):
//   real_archive_bench.exe FOLDER [out=FOLDER] [NATIVE...]
// FOLDER holds big.zip and big.lzh (and one.zip, one.lzh, one.gza,
// one.bza, one_<method>.zip of zip's other methods, one_zipcrypto.zip and
// one_aes256.zip, one large member each, the last two with the password
// "secret"); it is written to, then emptied. Each NATIVE is
// "label=seconds", a native tool's best time on the same file in the same
// run, printed beside the figure it compares with. out=FOLDER: where the
// many-member extractions write (FOLDER itself by default).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archiver/archiver_set.h"
#include "win/test_support.h"
#include "timing.h"

using namespace plenkit;
using testing_support::DialogsDuring;
using testing_support::RemoveTree;

namespace {

// Count and walk, as the main window and the contents window do.
std::vector<std::string> List(ArchiverSet& set, const std::string& path) {
  std::vector<std::string> names;
  set.SelectKind(path);
  names.reserve(static_cast<std::size_t>(std::max(0, set.CountEntries(path))));
  const HARC archive = set.OpenArchive(path);
  ArchiveEntryInfo info;
  for (int r = set.FindFirstEntry(archive, info); r == 0; r = set.FindNextEntry(archive, info))
    names.push_back(info.name);
  set.CloseArchive(archive);
  return names;
}

bool Copy(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

// The file's size, or -1 when there is none.
long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: real_archive_bench FOLDER [label=seconds...]\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "\\";
  std::string scratch = folder;  // where the many-member extractions write
  std::map<std::string, double> native;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t eq = arg.find('=');
    if (arg.rfind("out=", 0) == 0) scratch = arg.substr(4) + "\\";
    else if (eq != std::string::npos) native[arg.substr(0, eq)] = std::atof(arg.c_str() + eq + 1);
  }
  ArchiverSet set;
  set.LoadArchivers();

  // Listing: two copies of each archive in turn, so that every listing reads
  // its archive anew (the stand-in keeps only the last one it read).
  for (const char* kind : {"zip", "lzh"}) {
    const std::string source = folder + "big." + kind;
    const std::string copies[2] = {folder + "a." + kind, folder + "b." + kind};
    if (!Copy(source, copies[0]) || !Copy(source, copies[1])) {
      std::printf("%s missing\n", source.c_str());
      return 1;
    }
    double best = 1e30;
    std::size_t count = 0;
    for (int round = 0; round < 10; ++round) {
      const auto start = Clock::now();
      count = List(set, copies[round % 2]).size();
      best = std::min(best, Seconds(start));
    }
    const char* tool = kind == std::string("zip") ? "unzip -l" : "bsdtar -tf";
    const double theirs = native.count(tool) ? native[tool] : 0;
    std::printf("listing %zu-member .%s: %.1f ms", count, kind, best * 1000);
    if (theirs > 0) std::printf(", %s natively %.1f ms: %.2fx", tool, theirs * 1000, best / theirs);
    std::printf("\n");
  }

  // Extraction: the whole archive in one command, against one command per
  // member in the listing's order (the contents window with every member
  // selected), and against the bare writing of the same files (folders,
  // CreateFile, WriteFile, CloseHandle): what Wine's file system costs
  // anyway. Five rounds, bare writes and the whole taking turns, each
  // round's ratio printed and their median the figure; one command per
  // member in the first two rounds. ext4 makes a file slowly for a while
  // after many were deleted (it passes over their inodes), which would
  // swing the bare figure twice over: bench.sh puts the output on a
  // tmpfs where it has one ("out=FOLDER").
  for (const char* kind : {"zip", "lzh"}) {
    const std::string path = folder + "big." + kind;
    const std::vector<std::string> names = List(set, path);
    const std::string out = scratch + "out";
    std::vector<double> ratios;
    double whole = 1e30, each = 1e30, bare = 1e30;
    std::string rounds;
    for (int round = 0; round < 5; ++round) {
      RemoveTree(out);
      auto start = Clock::now();
      const std::string text(300, 'x');
      for (const std::string& name : names) {
        const std::string file = out + "\\" + name;
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
          CreateDirectoryA(out.c_str(), nullptr);
          CreateDirectoryA(file.substr(0, file.rfind('\\')).c_str(), nullptr);
          h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
      }
      const double bareRound = Seconds(start);
      RemoveTree(out);
      start = Clock::now();
      set.SelectKind(path);
      const int wholeResult = set.RunArchiverCommand(path, out, "");
      const double wholeRound = Seconds(start);
      bare = std::min(bare, bareRound);
      whole = std::min(whole, wholeRound);
      ratios.push_back(wholeRound / bareRound);
      char figure[16];
      std::snprintf(figure, sizeof figure, "%s%.2fx", rounds.empty() ? "" : " ",
                    wholeRound / bareRound);
      rounds += figure;
      int failures = 0;
      if (round < 2) {
        RemoveTree(out);
        start = Clock::now();
        for (const std::string& name : names) {
          set.SelectKind(path);
          failures += set.RunArchiverCommand(path, out, name) != 0;
        }
        each = std::min(each, Seconds(start));
      }
      if (wholeResult != 0 || failures != 0)
        std::printf("extraction failed: %d, %d\n", wholeResult, failures);
    }
    RemoveTree(out);
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "extracting %zu-member .%s: whole %.0f ms, bare writes of the same files %.0f ms (bests); "
        "whole against bare by round %s: median %.2fx; one command per member %.0f ms: %.2fx the "
        "whole",
        names.size(), kind, whole * 1000, bare * 1000, rounds.c_str(), ratios[ratios.size() / 2],
        each * 1000, each / whole);
    const std::string tool = kind == std::string("zip") ? "unzip -o" : "bsdtar -xf";
    if (native.count(tool)) std::printf("; %s natively %.0f ms", tool.c_str(), native[tool] * 1000);
    std::printf("\n");
  }
  for (const char* name : {"a.zip", "b.zip", "a.lzh", "b.lzh"})
    DeleteFileA((folder + name).c_str());

  // One large member, the whole archive extracted, against a native tool on
  // the same data (its best time in this run, writing the file too): what
  // temporary files, check values, progress and the zone mark cost where
  // data dominates. gza and bza hold the very gzip and bzip2 streams the
  // native tools decompress.
  const struct {
    const char* file;
    const char* tool;
    double goal;  // 0: none set
  } large[] = {{"one.zip", "7zz zip", 0},
               {"one.lzh", "7zz lzh", 0},
               {"one.gza", "gzip -dc", 1.2},
               {"one.bza", "bzip2 -dc", 1.2},
               {"one_bzip2.zip", "7zz bzip2", 1.3},
               {"one_lzma.zip", "7zz lzma", 1.3},
               {"one_ppmd.zip", "7zz ppmd", 1.3},
               {"one_zstd.zip", "7zz zstd", 1.3},
               {"one_deflate64.zip", "7zz deflate64", 1.2}};
  long long plainSize = -1;
  for (const auto& l : large) {
    const std::string path = folder + l.file, out = folder + "one-out";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    double best = 1e30;
    int result = 0;
    for (int round = 0; round < 3; ++round) {
      RemoveTree(out);
      const auto start = Clock::now();
      set.SelectKind(path);
      result |= set.RunArchiverCommand(path, out + "\\", "");
      best = std::min(best, Seconds(start));
    }
    const long long size = FileSize(out + "\\one.txt");
    if (l.file == std::string("one.zip") && result == 0) plainSize = size;
    RemoveTree(out);
    std::printf("extracting one large member, %s: %.2f s", l.file, best);
    if (native.count(l.tool)) {
      std::printf(", %s natively %.2f s: %.2fx", l.tool, native[l.tool], best / native[l.tool]);
      if (l.goal > 0) std::printf(" (goal %.1fx)", l.goal);
    }
    if (result != 0 || (plainSize >= 0 && size != plainSize))
      std::printf(" (FAILED: 0x%X, %lld bytes)", static_cast<unsigned>(result), size);
    std::printf("\n");
  }

  // The same member encrypted, with its password on the command line as
  // the API's RAR and 7z libraries take it (the program asks in a box
  // instead), against 7-Zip natively on the same file: what decryption
  // adds, ZipCrypto by libarchive's own code, AES through Wine's bcrypt.
  using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
  const FARPROC unzip = set.library[Zip] ? GetProcAddress(set.library[Zip], "UnZip") : nullptr;
  const struct {
    const char* kind;
    const char* label;
    double goal;
  } encrypted[] = {{"zipcrypto", "ZipCrypto", 1.2}, {"aes256", "AES-256", 1.5}};
  for (const auto& e : encrypted) {
    const std::string path = folder + "one_" + e.kind + ".zip", out = folder + "one-out";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (!unzip) {
      std::printf("extracting one large member of .zip, %s: FAILED, UnZip32.Dll has no UnZip\n",
                  e.label);
      continue;
    }
    CommandFn command;
    std::memcpy(&command, &unzip, sizeof command);
    const std::string line = "-x -psecret \"" + path + "\" \"" + out + "\\\"";
    double best = 1e30;
    int result = 0;
    long long size = -1;
    std::vector<std::string> boxes;
    for (int round = 0; round < 3 && result == 0; ++round) {
      RemoveTree(out);
      char output[ExtractBufferSize] = {};
      // A box would wait for a user who is not there: the failure box is
      // closed, the progress window left to run, any other box cancelled.
      boxes = DialogsDuring(
          [&] {
            const auto start = Clock::now();
            result = command(nullptr, line.c_str(), output, sizeof output);
            best = std::min(best, Seconds(start));
          },
          [](const std::string& texts) {
            if (texts.find("書き出せませんでした") != std::string::npos) return IDOK;
            return texts.rfind("書庫: ", 0) == 0 ? 0 : IDCANCEL;
          });
      size = FileSize(out + "\\one.txt");
    }
    RemoveTree(out);
    const std::string tool = std::string("7zz ") + e.kind;
    const double theirs = native.count(tool) ? native[tool] : 0;
    std::printf("extracting one large member of .zip, %s, password on the command line: ", e.label);
    if (result != 0) {
      std::printf("FAILED, UnZip answered 0x%X", static_cast<unsigned>(result));
      for (std::string box : boxes) {
        std::replace_if(
            box.begin(), box.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; },
            ' ');
        std::printf(", its box saying \"%s\"", box.c_str());
      }
      if (theirs > 0) std::printf("; 7zz natively %.2f s", theirs);
    } else if (size != plainSize) {
      std::printf("FAILED, UnZip answered 0 but wrote %lld bytes of the %lld", size, plainSize);
    } else {
      std::printf("%.2f s", best);
      if (theirs > 0)
        std::printf(", 7zz natively %.2f s: %.2fx (goal %.1fx)", theirs, best / theirs, e.goal);
    }
    std::printf("\n");
  }
  set.FreeArchivers();
  return 0;
}
