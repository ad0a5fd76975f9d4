// Lists the entries of the archives named on the command line through the
// archiver layer, the way the contents window will show them.
#include <cstdio>

#include "archiver/archiver_set.h"
#include "text/number_text.h"
#include "text/sjis_path.h"

using namespace plenkit;

int main(int argc, char** argv) {
  ArchiverSet set;
  set.LoadArchivers();
  std::string formats;
  for (int k = 0; k < KindCount; ++k) {
    if (set.available[k]) formats += KindTable(static_cast<ArchiverKind>(k)).label;
  }
  std::printf("formats: %s\n", formats.c_str());

  for (int i = 1; i < argc; ++i) {
    const std::string path = argv[i];
    if (!set.SelectKind(path)) {
      std::printf("\n%s: no archiver for this name\n", path.c_str());
      continue;
    }
    std::printf("\n%s (%d entries)\n", FileNamePart(path).c_str(), set.CountEntries(path));
    const HARC archive = set.OpenArchive(path);
    if (!archive) continue;
    ArchiveEntryInfo info;
    for (int r = set.FindFirstEntry(archive, info); r == 0; r = set.FindNextEntry(archive, info)) {
      std::printf("  %-28s %sKB %sKB %s%% %s\n", info.name,
                  FormatFixed(info.uncompressedSize * 0.001, 9, 2, '.').c_str(),
                  FormatFixed(info.compressedSize * 0.001, 9, 2, '.').c_str(),
                  FormatFixed(info.ratio, 5, 1, '.').c_str(),
                  FormatDateTime(info.year, info.month, info.day, info.hour, info.minute, '/', ':')
                      .c_str());
    }
    set.CloseArchive(archive);
  }
  set.FreeArchivers();
  return 0;
}
