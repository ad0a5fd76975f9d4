// Real archives, made by Debian's own tools at test time
// (scripts/make_archives.py), through the archiver layer: what the tools
// list, what they archived, and what a hostile archive may not do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

#include "archiver/archiver_set.h"
#include "win/real_archives.h"
#include "win/test_support.h"

using namespace plenkit;
using namespace testing_support;
using namespace real_archives;

namespace {

bool IsFolderName(const std::string& name) { return !name.empty() && name.back() == '\\'; }

bool Encrypted(const std::string& archive) {
  return archive == "crypto.zip" || archive == "rar4_encrypted.rar";
}

// Our listing of `path` against its tool's, a line per member: name, size,
// packed size ("-" where the tool does not say) and time.
void ExpectListedAsTheToolDid(Archivers& a, const std::string& path) {
  const std::vector<Row> tool = ToolListing(path);
  const std::vector<Listed> ours = a.List(path);
  ASSERT_EQ(ours.size(), tool.size());
  for (std::size_t i = 0; i < tool.size(); ++i) {
    // The DOS time keeps even seconds; the tools say as much as they know.
    std::string stamp = ours[i].stamp.substr(0, tool[i].stamp.size());
    std::string expected = tool[i].stamp;
    if (expected.size() == 14) expected[13] = static_cast<char>('0' + (expected[13] - '0') / 2 * 2);
    const std::string packed = tool[i].packed == "-" ? "-" : std::to_string(ours[i].packed);
    EXPECT_EQ(
        ours[i].name + " " + std::to_string(ours[i].size) + " " + packed + " " + stamp,
        tool[i].name + " " + std::to_string(tool[i].size) + " " + tool[i].packed + " " + expected);
  }
}

}  // namespace

TEST(RealArchives, ListAsTheirToolsDo) {
  const std::vector<std::string> archives = Made();
  ASSERT_GE(archives.size(), 25u) << "no archives in " << Folder()
                                  << ": run scripts/make_archives.py";
  Archivers a;
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    const std::string path = Folder() + archive;
    ASSERT_TRUE(a.set.SelectKind(path));
    EXPECT_EQ(a.set.CountEntries(path), static_cast<int>(ToolListing(path).size()));
    ExpectListedAsTheToolDid(a, path);
  }
}

// The whole archive at once, each member by its own command, and each text
// printed: the bytes the tool archived, every time.
TEST(RealArchives, ExtractAndPrintTheBytesThatWereArchived) {
  Archivers a;
  for (const std::string& archive : Made()) {
    SCOPED_TRACE(archive);
    const std::string path = Folder() + archive;
    const std::string whole = a.box.Path(archive + "-whole\\");
    const std::string one = a.box.Path(archive + "-one\\");
    const bool refused = Encrypted(archive);
    EXPECT_EQ(a.Extract(path, whole) != 0, refused);
    for (const Row& row : ToolListing(path)) {
      SCOPED_TRACE(row.name);
      if (IsFolderName(row.name)) {
        EXPECT_TRUE(IsFolder(whole + row.name));
        continue;
      }
      if (row.name == "testlink") {  // a link: never written
        EXPECT_FALSE(Exists(whole + row.name));
        continue;
      }
      EXPECT_EQ(a.Extract(path, one, row.name) != 0, refused);
      if (refused) {
        EXPECT_FALSE(Exists(whole + row.name) || Exists(one + row.name));
        continue;
      }
      const std::string original = Original(archive, row.name);
      ASSERT_EQ(original.size(), row.size);
      EXPECT_TRUE(ReadBytes(whole + row.name) == original);
      EXPECT_TRUE(ReadBytes(one + row.name) == original);
      if (row.name.find(".txt") != std::string::npos &&
          KindTable(KindOfFileName(archive)).printTemplate) {
        EXPECT_TRUE(a.set.ReadEntryText(path, row.name) == original);
      }
    }
  }
}

// Per format: names that climb out or name a drive or a device, the archive
// cut in half, a member declaring 4 GiB. Each fails, in its own time, with
// nothing outside the destination and no half-written member inside.
TEST(RealArchives, HostileOnesWriteNothingOutsideTheirDestination) {
  Archivers a;
  const char* const hostile[] = {
      "names.zip",      "names.lzh",     "names.cab",     "names.arj",     "names.rar",
      "huge.zip",       "huge.lzh",      "huge.cab",      "huge.arj",      "huge.rar",
      "truncated.zip",  "truncated.lzh", "truncated.cab", "truncated.arj", "truncated.rar",
      "truncated5.rar", "names.gza",     "huge.gza",      "truncated.gza"};
  for (const char* archive : hostile) {
    SCOPED_TRACE(archive);
    const std::string path = Folder() + "hostile\\" + archive;
    const std::string top = a.box.Path(std::string(archive) + "\\");
    const std::string destination = top + "a\\b\\";
    EXPECT_NE(a.Extract(path, destination), 0);
    for (const char* evil : {"evil1.txt", "evil2.txt", "evil3.txt", "evil4.txt", "evil5.txt"}) {
      EXPECT_FALSE(Exists(top + evil) || Exists(top + "a\\" + evil) ||
                   Exists(std::string("C:\\") + evil));
    }
    EXPECT_FALSE(Exists(destination + "huge.txt"));
    if (std::string(archive).compare(0, 5, "names") == 0) {
      EXPECT_EQ(ReadBytes(destination + "good.txt"), "bad\r\n");
    }
  }
}

// The stand-in keeps what it read of the last archive; a file rewritten in
// its place is read anew.
TEST(RealArchives, AChangedArchiveIsReadAnew) {
  Archivers a;
  const std::string path = a.box.Path("changing.zip");
  WriteBytes(path, ReadBytes(Folder() + "deflate.zip"));
  EXPECT_EQ(a.List(path).size(), ToolListing(Folder() + "deflate.zip").size());
  WriteBytes(path, ReadBytes(Folder() + "crypto.zip"));
  const std::vector<Listed> now = a.List(path);
  ASSERT_EQ(now.size(), 1u);
  EXPECT_NE(a.Extract(path, a.box.Path("out\\"), now[0].name), 0);
  DeleteFileA(path.c_str());
  EXPECT_EQ(a.set.CountEntries(path), -1);
}

// lhasa's own test suite (scripts/make_archives.py fetches it and has lhasa
// extract each archive): every archive lhasa extracts, PMarc's too, ours
// extracts to the same files, byte for byte and with the same times, letter
// case aside (DOS tools wrote names in capitals, which lhasa lowers). Links
// are never written here; lhasa makes them. The archives lhasa fails on are
// compared with nothing; which they are is held too, so that fewer
// comparisons do not pass unseen.
TEST(RealArchives, LhasaSuiteComesOutAsLhasaMakesIt) {
  Archivers a;
  FILETIME started;
  GetSystemTimeAsFileTime(&started);
  const ULONGLONG now =
      ((ULONGLONG(started.dwHighDateTime) << 32 | started.dwLowDateTime) / 20000000) - 1800;
  // A member that keeps no date (LArc's, PMarc's of CP/M and MSX) is
  // written here as of 1980-01-01, local time; lhasa leaves the time of
  // extraction. Both are undated.
  FILETIME local, earliest;
  DosDateTimeToFileTime(0x21, 0, &local);
  LocalFileTimeToFileTime(&local, &earliest);
  const ULONGLONG undated =
      (ULONGLONG(earliest.dwHighDateTime) << 32 | earliest.dwLowDateTime) / 20000000;
  // Each file under `folder`, its relative name in capitals: bytes and time.
  std::function<void(const std::string&, const std::string&, std::map<std::string, std::string>&)>
      files = [&](const std::string& folder, const std::string& prefix,
                  std::map<std::string, std::string>& found) {
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
          const std::string name = entry.cFileName;
          if (name == "." || name == "..") continue;
          std::string key = prefix + name;
          CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
          if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files(folder + name + "\\", key + "\\", found);
          } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            const ULONGLONG written = (ULONGLONG(entry.ftLastWriteTime.dwHighDateTime) << 32 |
                                       entry.ftLastWriteTime.dwLowDateTime) /
                                      20000000;  // DOS's two seconds
            // lhasa's names may end in a dot, which only a path taken as it
            // stands ("\\?\", whole) keeps.
            char whole[MAX_PATH];
            GetFullPathNameA(folder.c_str(), MAX_PATH, whole, nullptr);
            found[key] =
                (written > now || written == undated ? "undated" : std::to_string(written)) + ":" +
                ReadBytes("\\\\?\\" + std::string(whole) + name);
          }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
      };
  std::istringstream list(ReadBytes(Folder() + "lhasa-suite.txt"));
  int archives = 0, extracted = 0, same = 0;
  std::string differ, lhasaFails;
  for (std::string line; std::getline(list, line);) {
    ++archives;
    const std::string archive = line.substr(0, line.find('\t'));
    const std::string path = Folder() + "lhasa\\" + archive, out = a.box.Path(archive + "\\");
    if (line.substr(line.find('\t') + 1) != "ok") {
      lhasaFails += archive + " ";
      continue;
    }
    ++extracted;
    a.Extract(path, out);
    std::map<std::string, std::string> ours, theirs;
    files(out, "", ours);
    files(path + ".ref\\", "", theirs);
    if (ours == theirs) {
      ++same;
      continue;
    }
    // What alone differs: ":time" where the names and each one's bytes
    // agree, ":names" where the files agree, times and bytes, but not their
    // names.
    const auto contents = [](const std::map<std::string, std::string>& found, bool times) {
      std::vector<std::string> all;
      for (const auto& [name, file] : found) {
        all.push_back(times ? file : name + file.substr(file.find(':')));
      }
      std::sort(all.begin(), all.end());
      return all;
    };
    differ += archive + (contents(ours, false) == contents(theirs, false) ? ":time "
                         : contents(ours, true) == contents(theirs, true) ? ":names "
                                                                          : " ");
  }
  std::printf(
      "lhasa's suite: %d archives; lhasa extracts %d, %d of them come out the same here\n"
      "lhasa fails on (compared with nothing): %s\n",
      archives, extracted, same, lhasaFails.c_str());
  EXPECT_EQ(std::to_string(extracted) + " extracted, " + std::to_string(same) + " the same",
            "163 extracted, 160 the same");
  // PMarc's mtcd.pma dates its members in a month 0, which here, as every
  // date that is none, is 1980-01-01, and lhasa's mktime makes December of
  // the year before. A name's dot at the end, which Windows would drop, is
  // "_" here, and so are the control characters lhasa drops.
  EXPECT_EQ(differ,
            "pmarc124_mtcd.pma.lzh:time pmarc2_pm2.pma.lzh:names regression_badterm.lzh:names ");
  // LHark's -lh7- is not lha's, and fails its CRC in lhasa; two level-0
  // archives of a folder give it nothing to write; it stops at links that
  // lead away and at data that ends early.
  EXPECT_EQ(lhasaFails,
            "lha_osk_201_h0_subdir.lzh lha_unix114i_h0_subdir.lzh lhark04d_lh7.lzh "
            "lhark04d_lh7_long.lzh regression_symlink2.lzh regression_symlink3.lzh "
            "regression_truncated.lzh ");
}

// Quantum cabinets from the test suites of libmspack and cabextract
// (scripts/make_archives.py fetches them and has cabextract extract each):
// each listed and extracted whole, writing what cabextract wrote, byte for
// byte, and nothing where cabextract refuses it.
TEST(RealArchives, QuantumCabinetsComeOutAsCabextractMakesThem) {
  const struct {
    const char* archive;
    int count, result;
  } cases[] = {
      {"mszip_lzx_qtm.cab", 3, 0},            // beside an MSZIP and an LZX folder
      {"qtm_split.cab", 2, 0},                // its one file listed as two
      {"cve-2010-2801-qtm-flush.cab", 1, 0},  // sixteen frames
      {"qtm-max-size-block.cab", 1, 0x800C},  // ERROR_FILE_CRC
      // A file at 255 of a folder whose first file begins at 0: libarchive
      // lists nothing, and the headers are damaged (ERROR_HEADER_BROKEN).
      {"cve-2014-9556-qtm-infinite-loop.cab", -1, 0x8017},
  };
  const auto row = [](const char* archive, int count, int result, bool same) {
    char text[160];
    std::snprintf(text, sizeof text, "%s: %d listed, %X, %s", archive, count, result,
                  same ? "as cabextract wrote" : "not as cabextract wrote");
    return std::string(text);
  };
  // Whether `out` holds the files `ref` holds, and nothing else.
  const auto same = [](const std::string& out, const std::string& ref) {
    bool same = Tree(out) == Tree(ref);
    for (std::string file : Tree(ref)) {
      file.erase(file.rfind(':'));
      same = same && ReadBytes(out + "\\" + file) == ReadBytes(ref + "\\" + file);
    }
    return same;
  };
  Archivers a;
  for (const auto& c : cases) {
    const std::string path = Folder() + "cabextract\\" + c.archive, out = a.box.Path(c.archive);
    a.set.SelectKind(path);
    const int count = a.set.CountEntries(path), result = a.Extract(path, out + "\\");
    EXPECT_EQ(row(c.archive, count, result, same(out, path + ".ref")),
              row(c.archive, c.count, c.result, true));
  }
  // One file at a time, the second first: the first is passed over on the
  // way to it, then the folder is decoded anew for the first.
  const std::string split = Folder() + "cabextract\\qtm_split.cab", one = a.box.Path("one");
  a.set.SelectKind(split);
  const int second = a.Extract(split, one + "\\", "second.txt");
  const int first = a.Extract(split, one + "\\", "first.txt");
  EXPECT_EQ(std::to_string(second) + " " + std::to_string(first) + ", " +
                (same(one, split + ".ref") ? "as" : "not as") + " cabextract wrote",
            "0 0, as cabextract wrote");
  std::istringstream suite(ReadBytes(Folder() + "cabextract-suite.txt"));
  std::string refused;
  for (std::string line; std::getline(suite, line);) {
    if (line.substr(line.find('\t') + 1) != "ok") refused += line.substr(0, line.find('\t')) + " ";
  }
  EXPECT_EQ(refused, "cve-2014-9556-qtm-infinite-loop.cab qtm-max-size-block.cab ");
}

// The corners of zip and rar: each archive listed, extracted whole, and
// what that wrote.
TEST(RealArchives, FormatCornersAnswerWhatTheyAre) {
  const struct {
    const char* archive;
    int count, result;
    std::vector<std::string> written;
  } cases[] = {
      // Python's bzip2 and LZMA (an empty member too: LZMA's end mark alone)
      // beside deflate; WavPack and IBM's TERSE are listed and not decoded:
      // ERROR_METHOD.
      {"methods.zip", 4, 0, {"bzip2.txt:920", "deflate.txt:920", "empty.txt:0", "lzma.txt:920"}},
      {"others.zip", 3, 0x8009, {"good.txt:5"}},
      // Deflate64, which our own code decodes: matches from beyond 32 KiB,
      // over a megabyte; behind a self-extracting program too.
      {"deflate64.zip", 2, 0, {"far.bin:1228800", "small.txt:920"}},
      {"sfx_deflate64.zip", 2, 0, {"far.bin:1228800", "small.txt:920"}},
      {"empty.zip", 0, 0, {}},
      // Without the password nothing is listed, and nothing written:
      // ERROR_PASSWORD_FILE.
      {"headers_encrypted.rar", -1, 0x800A, {}},
      {"partially_encrypted.rar", 2, 0x800A, {"bar.txt:16"}},
      // A chapter archive: its file once, at its latest version; no label.
      {"chapters.arj", 1, 0, {"a.txt:4"}},
      // A hard link lists as a link and is not written.
      {"hardlink.arj", 2, 0, {"a.txt:4"}},
      // Solid RAR, LZ and PPMd; service headers between members; a member
      // that goes on in the next volume.
      {"rar3-solid.rar", 2, 0, {"stest1.txt:2048", "stest2.txt:2048"}},
      {"rar5-solid.rar", 2, 0, {"stest1.txt:2048", "stest2.txt:2048"}},
      // "уииоотивл.txt" in Shift-JIS; the other name's letters are not in it.
      {"unicode.rar",
       2,
       0,
       {"____.txt:2", "\x84\x85\x84y\x84y\x84\x80\x84\x80\x84\x84\x84y\x84r\x84|.txt:2"}},
      {"rar3-owner.rar", 2, 0, {"owner1.txt:2", "owner2.txt:2"}},
      {"rar3-vols.part1.rar", 1, 0x8023, {}},  // ERROR_NOT_SUPPORT
      // zip as unzip reads it: the central directory's sizes and check
      // values, any local extra field; nothing without a central directory.
      {"extra_differs.zip", 1, 0, {"a.txt:300"}},
      {"extra_padded.zip", 1, 0, {"a.txt:300"}},
      {"comment_short.zip", 1, 0, {"a.txt:300"}},
      {"central_signature.zip", -1, 0x8017, {}},  // ERROR_HEADER_BROKEN: a zip, damaged
      {"local_larger.zip", 1, 0x800C, {}},        // ERROR_FILE_CRC
      {"local_signature.zip", 1, 0x8017, {}},     // listed from the directory; its header damaged
      // Cabinets as cabextract reads them.
      {"short_blocks.cab", 1, 0, {"a.txt:1600"}},
      {"reserve.cab", 1, 0, {"a.txt:1600"}},
  };
  Archivers a;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string path = Folder() + "formats\\" + c.archive, out = a.box.Path(c.archive);
    a.set.SelectKind(path);
    EXPECT_EQ(a.set.CountEntries(path), c.count);
    EXPECT_EQ(a.Extract(path, out + "\\"), c.result);
    EXPECT_EQ(Tree(out), c.written);
  }
  // What 7zz extracts of the Deflate64 members, byte for byte.
  for (const char* file : {"far.bin", "small.txt"}) {
    EXPECT_TRUE(ReadBytes(a.box.Path("deflate64.zip") + "\\" + file) ==
                ReadBytes(Folder() + "formats\\deflate64.ref\\" + file))
        << file;
  }
  // A self-extracting program before a zip: the members and their packed
  // sizes are those of the zip alone.
  std::vector<std::string> sfx, plain;
  for (const Listed& row : a.List(Folder() + "formats\\sfx.zip"))
    sfx.push_back(row.name + std::to_string(row.packed));
  for (const Listed& row : a.List(Folder() + "deflate.zip"))
    plain.push_back(row.name + std::to_string(row.packed));
  EXPECT_EQ(sfx, plain);
  // A solid archive's second member alone: the first is decoded on the way.
  const std::string solid = Folder() + "formats\\rar3-solid.rar";
  a.set.SelectKind(solid);
  EXPECT_EQ(a.Extract(solid, a.box.Path("second\\"), "stest2.txt"), 0);
  EXPECT_EQ(Tree(a.box.Path("second")), std::vector<std::string>{"stest2.txt:2048"});
}

// zip's shrink, reduce and implode, which our own code decodes: PKZIP's
// archives from commons-compress's tests (both windows, both tree counts, a
// shrunk member among imploded ones), our own shrink that widens its codes
// to 13 bits and clears its table partly, our own reduce at each factor
// (which only we read here), and two damaged. Each is counted, extracted
// whole, and must write its .ref (unzip's extraction, the bytes reduced, or
// nothing at all), byte for byte.
TEST(RealArchives, LegacyZipMethodsComeOutWhole) {
  const struct {
    const char* archive;
    int count, result;
  } cases[] = {
      {"SHRUNK.ZIP", 2, 0},
      {"imploding-4Kdict-2trees.zip", 1, 0},
      {"imploding-8Kdict-3trees.zip", 1, 0},
      {"moby-imploded.zip", 135, 0},
      {"long_shrink.zip", 1, 0},
      {"reduce1.zip", 1, 0},
      {"reduce2.zip", 1, 0},
      {"reduce3.zip", 1, 0},
      {"reduce4.zip", 1, 0},
      {"damaged_implode.zip", 1, 0x800C},  // ERROR_FILE_CRC: a byte of its data changed
      {"short_shrink.zip", 1, 0x800C},     // its data cut to less than its codes need
  };
  Archivers a;
  for (const auto& c : cases) {
    const std::string path = Folder() + "legacy\\" + c.archive, out = a.box.Path(c.archive),
                      ref = path + ".ref";
    a.set.SelectKind(path);
    // The count, the result, and each file written, marked where unlike the .ref's.
    std::string ours = std::to_string(a.set.CountEntries(path)) + " " +
                       std::to_string(a.Extract(path, out + "\\")),
                expected = std::to_string(c.count) + " " + std::to_string(c.result);
    for (const std::string& file : Tree(out)) {
      const std::string name = file.substr(0, file.rfind(':'));
      ours += " " + file +
              (ReadBytes(out + "\\" + name) == ReadBytes(ref + "\\" + name) ? "" : " unlike");
    }
    for (const std::string& file : Tree(ref)) expected += " " + file;
    EXPECT_EQ(ours, expected) << c.archive;
  }
}

// gza and bza, which no tool here makes: archives of our own writer,
// checked once against an independent reader. Each is listed as its .list
// says and extracted whole, writing what its .ref holds, byte for byte,
// and answering as its damage says.
TEST(RealArchives, GzaAndBzaAnswerWhatTheyHold) {
  const struct {
    const char* archive;
    int result;
  } cases[] = {
      {"stored.gza", 0},
      {"stored.bza", 0},
      {"gzip_headers.gza", 0},
      {"sjis.gza", 0},
      {"sjis.bza", 0},
      {"sfx.gza", 0},
      {"sfx_far.gza", 0x8019},       // beyond where a stub may reach: ERROR_NOT_ARC_FILE
      {"bad_checksum.gza", 0x8016},  // ERROR_HEADER_CRC, after the member before it
      {"bad_crc.gza", 0x800C},       // ERROR_FILE_CRC, the others written
      {"bad_isize.gza", 0x800C},
      {"size_lies.gza", 0x800C},
      {"size_short.gza", 0x800C},
      {"bad_data.bza", 0x800C},
      {"truncated.gza", 0x800C},
      {"truncated.bza", 0x800C},
      {"trailing.gza", 0x8017},  // ERROR_HEADER_BROKEN, after every member
  };
  Archivers a;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string path = Folder() + "bga\\" + c.archive, out = a.box.Path(c.archive),
                      ref = path + ".ref";
    a.set.SelectKind(path);
    ExpectListedAsTheToolDid(a, path);
    EXPECT_EQ(a.Extract(path, out + "\\"), c.result);
    EXPECT_EQ(Tree(out), Tree(ref));
    for (std::string file : Tree(ref)) {
      if (IsFolderName(file)) continue;
      file.erase(file.rfind(':'));
      EXPECT_TRUE(ReadBytes(out + "\\" + file) == ReadBytes(ref + "\\" + file)) << file;
    }
  }
  // Plenkit prints no member of this kind; another caller may.
  Library bga(a.box, "Bga32.Dll", "Bga");
  const std::string tree = Folder() + "tree.bza";
  std::string text(4096, '\0');
  EXPECT_EQ(
      bga.Command("p \"" + tree + "\" \"readme.txt\"", &text[0], static_cast<DWORD>(text.size())),
      0);
  EXPECT_EQ(text.c_str(), Original("tree.bza", "readme.txt"));
}
