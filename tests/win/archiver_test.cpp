// The archiver layer against the stand-in libraries: which library a file
// goes to, what each entry point receives, and what comes back.
#include <gtest/gtest.h>

#include <cstring>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

using namespace plenkit;
using testing_support::Sandbox;

namespace {

const char kThreeEntries[] =
    "STANDIN\n"
    "entry readme.txt\nsize 1536\npacked 800\nratio 523\ndate 0x2A21\ntime 0x6B5E\n"
    "text hello\\r\\n\n"
    "entry doc\\ソ表.txt\nsize 10\ntext ソ表\n"
    "entry empty\\\ndate 0\n";

struct Loaded {
  explicit Loaded(std::initializer_list<const char*> libraries = Sandbox::AllLibraries)
      : box(libraries) {
    set.LoadArchivers();
  }
  ~Loaded() { set.FreeArchivers(); }
  Sandbox box;
  ArchiverSet set;
};

}  // namespace

TEST(ArchiverSet, LoadsWhatIsThereAndSelectsByExtension) {
  Loaded all;
  for (bool flag : all.set.available) EXPECT_TRUE(flag);
  EXPECT_TRUE(all.set.SelectKind("BOOK.LZH"));
  EXPECT_EQ(all.set.currentKind, Lzh);
  EXPECT_TRUE(all.set.SelectKind("a.tar.gza"));
  EXPECT_EQ(all.set.currentKind, Bga);
  EXPECT_FALSE(all.set.SelectKind("C:\\old.zip\\notes"));
  EXPECT_EQ(all.set.currentKind, NoKind);
}

TEST(ArchiverSet, MissingLibraryRefusesItsKindWithoutACall) {
  Loaded some({"UnLha32.Dll", "UnZip32.Dll"});
  EXPECT_TRUE(some.set.available[Lzh]);
  EXPECT_FALSE(some.set.available[Rar]);
  EXPECT_EQ(some.set.library[Rar], nullptr);
  const std::string path = some.box.Archive("x.rar", kThreeEntries);

  EXPECT_FALSE(some.set.SelectKind(path));
  EXPECT_EQ(some.set.currentKind, NoKind);
  EXPECT_EQ(some.set.CountEntries(path), -1);
  EXPECT_EQ(some.set.OpenArchive(path), nullptr);
  EXPECT_EQ(some.set.RunArchiverCommand(path, some.box.Path("out\\"), ""), -1);
  EXPECT_EQ(some.set.ReadEntryText(path, "readme.txt"), "");
  EXPECT_TRUE(some.box.Calls().empty());
}

TEST(ArchiverSet, CountsThroughTheSelectedLibrary) {
  Loaded all;
  const std::string lzh = all.box.Archive("a.lzh", kThreeEntries);
  const std::string zip = all.box.Archive("b.zip", "STANDIN\ncount -1\nentry x\n");
  ASSERT_TRUE(all.set.SelectKind(lzh));
  EXPECT_EQ(all.set.CountEntries(lzh), 3);
  ASSERT_TRUE(all.set.SelectKind(zip));
  EXPECT_EQ(all.set.CountEntries(zip), -1);
  EXPECT_EQ(all.box.Calls(),
            (std::vector<std::string>{"UnlhaGetFileCount\t" + lzh, "UnZipGetFileCount\t" + zip}));
}

TEST(ArchiverSet, WalkFillsRecordsAndLeavesThemAloneAtTheEnd) {
  Loaded all;
  const std::string path = all.box.Archive("ソ表\\a.arj", kThreeEntries);
  ASSERT_TRUE(all.set.SelectKind(path));
  const HARC archive = all.set.OpenArchive(path);
  ASSERT_NE(archive, nullptr);

  ArchiveEntryInfo info;
  ASSERT_EQ(all.set.FindFirstEntry(archive, info), 0);
  EXPECT_STREQ(info.name, "readme.txt");
  EXPECT_EQ(info.uncompressedSize, 1536u);
  EXPECT_EQ(info.compressedSize, 800u);
  EXPECT_DOUBLE_EQ(info.ratio, 52.3);
  EXPECT_EQ(info.year, 2001);
  EXPECT_EQ(info.minute, 26);
  EXPECT_EQ(info.second, 60);

  ASSERT_EQ(all.set.FindNextEntry(archive, info), 0);
  EXPECT_STREQ(info.name, "doc\\ソ表.txt");
  ASSERT_EQ(all.set.FindNextEntry(archive, info), 0);
  EXPECT_STREQ(info.name, "empty\\");
  EXPECT_EQ(info.month, 0);

  const ArchiveEntryInfo before = info;
  EXPECT_NE(all.set.FindNextEntry(archive, info), 0);
  EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);
  all.set.CloseArchive(archive);

  const auto calls = all.box.Calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0], "UnarjOpenArchive\towner=0\tmode=0\t" + path);
  EXPECT_EQ(calls[1], "UnarjFindFirst\t*.*");
  EXPECT_EQ(calls[5], "UnarjCloseArchive");
}

TEST(ArchiverSet, OpenAndFindFailuresAreValues) {
  Loaded all;
  const std::string closed = all.box.Archive("a.zip", "STANDIN\nopen fail\nentry x\n");
  ASSERT_TRUE(all.set.SelectKind(closed));
  EXPECT_EQ(all.set.OpenArchive(closed), nullptr);

  const std::string refusing = all.box.Archive("b.zip", "STANDIN\nfindfirst 7\nentry x\n");
  const HARC archive = all.set.OpenArchive(refusing);
  ASSERT_NE(archive, nullptr);
  ArchiveEntryInfo info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(all.set.FindFirstEntry(archive, info), 7);
  EXPECT_EQ(info.name[0], 0x5A);
  all.set.CloseArchive(archive);
}

TEST(ArchiverSet, LongAndDoubleByteNamesArriveIntact) {
  Loaded all;
  const std::string longName = std::string(300, 'n') + ".txt";
  const std::string path = all.box.Archive(
      "a.lzh", "STANDIN\nentry " + longName + "\nentry ソ\\表\\x.txt\nentry 表\nfillname\n");
  ASSERT_TRUE(all.set.SelectKind(path));
  const HARC archive = all.set.OpenArchive(path);
  ArchiveEntryInfo info;
  ASSERT_EQ(all.set.FindFirstEntry(archive, info), 0);
  EXPECT_EQ(std::string(info.name), std::string(259, 'n'));
  ASSERT_EQ(all.set.FindNextEntry(archive, info), 0);
  EXPECT_STREQ(info.name, "ソ\\表\\x.txt");
  // No zero in the whole name area: cut at 259 bytes, on a character boundary.
  ASSERT_EQ(all.set.FindNextEntry(archive, info), 0);
  std::string doubled;
  for (int i = 0; i < 129; ++i) doubled += "表";
  EXPECT_EQ(std::string(info.name), doubled);
  all.set.CloseArchive(archive);
}

TEST(ArchiverSet, MissingEntryPointsGiveTheFailureValues) {
  Sandbox box({"UnLha32.Dll", "UnZip32.Dll"}, testing_support::OutputFolder() + "partial\\");
  ArchiverSet set;
  set.LoadArchivers();
  const std::string lzh = box.Archive("a.lzh", kThreeEntries);
  ASSERT_TRUE(set.SelectKind(lzh));
  EXPECT_EQ(set.CountEntries(lzh), -1);
  // The folder is made before the entry point is looked for, and stays.
  EXPECT_EQ(set.RunArchiverCommand(lzh, box.Path("made\\"), ""), -1);
  EXPECT_TRUE(testing_support::IsFolder(box.Path("made")));
  EXPECT_EQ(set.ReadEntryText(lzh, "readme.txt"), "");

  const std::string zip = box.Archive("b.zip", kThreeEntries);
  ASSERT_TRUE(set.SelectKind(zip));
  const HARC archive = set.OpenArchive(zip);
  ArchiveEntryInfo info{};
  EXPECT_EQ(set.FindFirstEntry(archive, info), 1);
  set.CloseArchive(archive);
  set.FreeArchivers();

  for (const std::string& call : box.Calls()) {
    EXPECT_EQ(call.rfind("UnlhaGetFileCount", 0), std::string::npos);
    EXPECT_EQ(call.rfind("UnZipFindFirst", 0), std::string::npos);
  }
}

namespace {

// The library search as a user meets it: no DLL directory chosen, and the
// folder of the archive current, with a library planted there.
struct LibrarySearch : ::testing::Test {
  LibrarySearch() : planted({"UnRar32.Dll"}) {
    SetDllDirectoryA(nullptr);
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(planted.Folder().c_str());
  }
  ~LibrarySearch() override {
    set.FreeArchivers();
    if (!besideProgram.empty()) DeleteFileA(besideProgram.c_str());
    SetCurrentDirectoryA(previous);
    SetDllDirectoryA(nullptr);
  }

  // A copy of a stand-in beside the test program, removed at the end.
  void PutBesideProgram(const char* library) {
    besideProgram = testing_support::ProgramFolder() + library;
    ASSERT_TRUE(CopyFileA((testing_support::OutputFolder() + library).c_str(),
                          besideProgram.c_str(), FALSE));
  }

  Sandbox planted;
  ArchiverSet set;
  char previous[MAX_PATH] = {};
  std::string besideProgram;
};

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH];
  return std::string(path, GetModuleFileNameA(module, path, MAX_PATH));
}

}  // namespace

TEST_F(LibrarySearch, LibraryPlantedInTheCurrentFolderIsNotLoaded) {
  // Without the archiver layer's care the ordinary search finds it.
  const HMODULE plain = LoadLibraryA("UnRar32.Dll");
  ASSERT_NE(plain, nullptr);
  FreeLibrary(plain);

  set.LoadArchivers();
  EXPECT_FALSE(set.available[Rar]);
  EXPECT_EQ(set.library[Rar], nullptr);
  EXPECT_FALSE(set.SelectKind(planted.Archive("a.rar", "STANDIN\nentry x\n")));
}

TEST_F(LibrarySearch, LibraryBesideTheProgramStillLoads) {
  PutBesideProgram("UnZip32.Dll");
  set.LoadArchivers();
  ASSERT_TRUE(set.available[Zip]);
  EXPECT_EQ(ModulePath(set.library[Zip]), besideProgram);
  EXPECT_FALSE(set.available[Rar]);
}
