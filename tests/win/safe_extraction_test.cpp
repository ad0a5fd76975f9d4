// The archivers with a user's files at stake: members that fail their
// checks, claim more than they hold, or would land on the archive itself;
// the question before a file is replaced, the report of failures, the
// progress of long work, the zone mark; archives made to hang or crash.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>

#include "text/sjis_path.h"
#include "win/host_bridge.h"
#include "win/real_archives.h"
#include "win/window_support.h"

using namespace window_support;
using namespace testing_support;
using namespace real_archives;

namespace {

std::string Safety(const std::string& name) { return Folder() + "safety\\" + name; }

// A file at a path past MAX_PATH, through the long form the archivers use.
std::wstring Long(const std::string& path) {
  std::wstring wide(path.size(), L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, path.data(),
                                                           static_cast<int>(path.size()), &wide[0],
                                                           static_cast<int>(wide.size()))));
  return L"\\\\?\\" + wide;
}
std::string ReadLong(const std::string& path) {
  const HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(none)";
  std::string bytes(1 << 17, '\0');
  DWORD got = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes.substr(0, got);
}
void WriteLong(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(file);
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += text + "|";
  return all;
}

// The boxes that report failures, among all a command showed.
std::vector<std::string> Failures(const std::vector<std::string>& boxes) {
  std::vector<std::string> failures;
  for (const std::string& box : boxes) {
    if (box.find("書き出せませんでした") != std::string::npos) failures.push_back(box);
  }
  return failures;
}

// The question's buttons, and the failure box's "no more of this run".
constexpr int kReplace = 10, kSkip = 11, kReplaceAll = 12, kSkipAll = 13, kQuiet = 20;

}  // namespace

// Per archive, extracted whole into a folder holding victim.txt
// ("precious"), or beside itself: what is there afterwards, and what the box
// said. Every question is answered "replace".
TEST(SafeExtraction, NothingOfTheUsersIsLostToABadMember) {
  const struct {
    const char* archive;
    bool beside;
    const char* reason;  // in the failure box; null: no box
    std::vector<std::string> after;
  } cases[] = {
      {"crc.zip", false, "データが壊れています", {"victim.txt:8"}},
      {"crc_deflate.zip", false, "データが壊れています", {"victim.txt:8"}},
      {"crc0.lzh", false, "データが壊れています", {"victim.txt:8"}},
      {"crc5.lzh", false, "データが壊れています", {"victim.txt:8"}},
      {"crc.arj", false, "データが壊れています", {"victim.txt:8"}},
      {"crc.rar", false, "データが壊れています", {"victim.txt:8"}},
      {"crc.cab", false, "データが壊れています", {"victim.txt:8"}},
      {"overrun.zip", false, "データが壊れています", {"victim.txt:8"}},
      {"overrun.lzh", false, "データが壊れています", {"victim.txt:8"}},
      {"room.zip", false, "空き容量が足りません", {"victim.txt:8"}},
      {"self.zip", true, "書庫そのもの", {"self.zip:1034"}},
      {"case.zip", true, "書庫そのもの", {"case.zip:1034"}},
      {"self.arj", true, "書庫そのもの", {"self.arj:1027"}},
      // Names a device would answer to once a cut character is dropped: the
      // character is a substitute, and the name no device's.
      {"devices.arj",
       false,
       nullptr,
       {"AUX_:920", "COM1_:920", "NUL_:920", "good.txt:920", "victim.txt:8"}},
      {"trail.arj",
       false,
       nullptr,
       {"victim.txt:8", "\x83\x5c\\", "\x95\x5c\\", "\x95\x5c\\a.txt:920"}},
      // A "." part names the folder it stands in; a name longer than any
      // path Windows holds is refused, as is one 16,000 folders deep that
      // fits; redirections are links, never written.
      {"dot.zip", false, nullptr, {"a\\", "a\\b.txt:920", "victim.txt:8"}},
      {"toolong.zip", false, "使えない名前", {"victim.txt:8"}},
      {"deep.zip", false, "使えない名前", {"victim.txt:8"}},
      {"redirect.rar", false, nullptr, {"target.txt:920", "victim.txt:8"}},
  };
  Archivers a;
  a.answer = [](const std::string&) { return kReplace; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string folder = a.box.Path(c.archive) + "-out";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string archive = Safety(c.archive);
    if (c.beside) {
      archive = folder + "\\" + c.archive;
      CopyFileA(Safety(c.archive).c_str(), archive.c_str(), FALSE);
    } else {
      WriteBytes(folder + "\\victim.txt", "precious");
    }
    EXPECT_EQ(a.Extract(archive, folder + "\\") != 0, c.reason != nullptr);
    EXPECT_EQ(Tree(folder), c.after);
    EXPECT_EQ(ReadBytes(folder + "\\" + (c.beside ? c.archive : "victim.txt")),
              c.beside ? ReadBytes(Safety(c.archive)) : "precious");
    const std::vector<std::string> failures = Failures(a.boxes);
    ASSERT_EQ(failures.size(), c.reason ? 1u : 0u) << Joined(a.boxes);
    if (c.reason) {
      EXPECT_NE(failures[0].find(c.reason), std::string::npos) << failures[0];
    }
  }
  // The folders whose names end in a trail byte 0x5C are listed as folders.
  EXPECT_EQ(a.List(Safety("trail.arj"))[0].name, "\x95\x5c\\");
}

// The question names both files; "all" lasts for the run of commands, as
// the contents window sends one per member; cancel writes nothing more.
TEST(SafeExtraction, ReplacingAsksAndAllLastsTheRun) {
  Archivers a;
  const std::string archive = Folder() + "deflate.zip", out = a.box.Path("out\\");
  ASSERT_EQ(a.Extract(archive, out), 0);
  std::vector<std::string> files;
  for (const Row& row : ToolListing(archive)) {
    if (row.name.back() != '\\') files.push_back(row.name);
  }
  ASSERT_GE(files.size(), 5u);
  const auto age = [&] {
    for (const std::string& file : files) WriteBytes(out + file, "old");
  };
  const auto olds = [&] {
    std::string which;
    for (const std::string& file : files) which += ReadBytes(out + file) == "old" ? "o" : "n";
    return which;
  };
  const auto answering = [&](std::vector<int> buttons) {
    a.answer = [buttons, n = std::size_t(0)](const std::string& texts) mutable {
      if (Archivers::IsProgress(texts)) return 0;
      if (n == 0) window_support::SaveScreenshot(GetDesktopWindow(), "replace_question");
      return n < buttons.size() ? buttons[n++] : IDOK;
    };
  };

  age();
  answering({kSkip, kReplace, kReplaceAll});
  EXPECT_EQ(a.Extract(archive, out), 0);
  EXPECT_EQ(a.boxes.size(), 3u) << testing::PrintToString(a.boxes);
  EXPECT_EQ(olds(), "o" + std::string(files.size() - 1, 'n'));
  EXPECT_NE(a.boxes[0].find(out + files[0]), std::string::npos) << a.boxes[0];
  EXPECT_NE(a.boxes[0].find("3 バイト"), std::string::npos) << a.boxes[0];

  // One command per member, as the contents window sends them: one
  // question for the whole run.
  age();
  answering({kSkipAll});
  std::size_t questions = 0;
  for (const std::string& file : files) {
    EXPECT_EQ(a.Extract(archive, out, file), 0);
    questions += a.boxes.size();
  }
  EXPECT_EQ(questions, 1u);
  EXPECT_EQ(olds(), std::string(files.size(), 'o'));

  // Cancel: that command and the rest of its run write nothing, and ask
  // nothing more; the box says it was cancelled.
  Sleep(1100);  // the run above has ended
  answering({IDCANCEL});
  std::vector<std::string> boxes;
  for (const std::string& file : files) {
    EXPECT_NE(a.Extract(archive, out, file), 0);
    boxes.insert(boxes.end(), a.boxes.begin(), a.boxes.end());
  }
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find(files[0] + "：中止しました"), std::string::npos) << boxes[1];
  EXPECT_EQ(olds(), std::string(files.size(), 'o'));
}

// A run of failing commands tells of its failures once per command, until
// the user asks for quiet.
TEST(SafeExtraction, FailuresAreToldUntilTheUserAsksForQuiet) {
  Archivers a;
  const std::string archive = Safety("damaged.arj"), out = a.box.Path("out\\");
  std::vector<std::size_t> boxes;
  a.answer = [](const std::string&) {
    window_support::SaveScreenshot(GetDesktopWindow(), "failure_box");
    return kQuiet;
  };
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    EXPECT_EQ(a.Extract(archive, out, name), 0x800C);  // ERROR_FILE_CRC
    boxes.push_back(a.boxes.size());
  }
  EXPECT_EQ(boxes, (std::vector<std::size_t>{1, 0, 0}));
  EXPECT_TRUE(Tree(a.box.Path("out")).empty());
}

// Long work shows the archiver's progress; its cancel leaves no half file.
TEST(SafeExtraction, LongWorkShowsProgressAndCancelLeavesNothingHalf) {
  Archivers a;
  std::string progress;
  a.answer = [&](const std::string& texts) {
    if (!Archivers::IsProgress(texts)) return IDOK;
    progress = texts;
    window_support::SaveScreenshot(GetDesktopWindow(), "progress_window");
    return IDCANCEL;
  };
  EXPECT_EQ(a.Extract(Safety("long.zip"), a.box.Path("out\\")), 0x8020);  // ERROR_USER_CANCEL
  EXPECT_EQ(progress, "書庫: long.zip\nzeros.bin\n\nキャンセル\n");
  EXPECT_NE(Joined(Failures(a.boxes)).find("zeros.bin：中止しました"), std::string::npos)
      << Joined(a.boxes);
  EXPECT_TRUE(Tree(a.box.Path("out")).empty());
}

// A downloaded archive's zone mark goes onto every file it gives, whatever
// its size and however long the file's path; an archive without one gives
// none.
TEST(SafeExtraction, TheZoneMarkTravels) {
  Archivers a;
  const std::string mark = "[ZoneTransfer]\r\nZoneId=3\r\n";
  const std::string browsers =
      mark + "HostUrl=https://example.jp/" + std::string(5000, 'u') + "\r\n";
  const struct {
    const char* source;
    std::string mark, given;
  } cases[] = {
      {"stored.zip", mark, mark},
      {"stored.zip", "", ""},
      // A browser's long mark whole; one beyond any browser's is the Internet's zone.
      {"stored.zip", browsers, browsers},
      {"stored.zip", mark + std::string(70000, 'x'), mark},
      // The first member's path passes MAX_PATH: it and the next are marked.
      {"safety\\longname.zip", mark, mark},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " " + std::to_string(c.mark.size()));
    const std::string archive = a.box.Path(std::to_string(++n) + ".zip");
    CopyFileA((Folder() + c.source).c_str(), archive.c_str(), FALSE);
    if (!c.mark.empty()) WriteBytes(archive + ":Zone.Identifier", c.mark);
    const std::string out = archive + "-out\\";
    ASSERT_EQ(a.Extract(archive, out), 0);
    for (const Listed& member : a.List(archive)) {
      if (member.name.back() == '\\') continue;
      EXPECT_EQ(ReadLong(out + member.name + ":Zone.Identifier"),
                c.given.empty() ? "(none)" : c.given)
          << member.name;
    }
  }
}

// A user's file past MAX_PATH is asked about like any other; a member named
// with another file's short name never lands on that file.
TEST(SafeExtraction, NoFileIsReplacedUnasked) {
  Archivers a;
  a.answer = [](const std::string& texts) { return Archivers::IsProgress(texts) ? 0 : kSkip; };
  const std::string out = a.box.Path("long\\");
  const std::string deep =
      out + std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\long.txt";
  ASSERT_EQ(a.Extract(Safety("longname.zip"), out), 0);
  WriteLong(deep, "precious");
  EXPECT_EQ(a.Extract(Safety("longname.zip"), out), 0);
  EXPECT_EQ(a.boxes.size(), 2u) << Joined(a.boxes);  // long.txt, then short.txt
  EXPECT_EQ(ReadLong(deep), "precious");

  const std::string folder = a.box.Path("alias\\"), file = folder + "longfilename.txt";
  CreateDirectoryA(folder.c_str(), nullptr);
  WriteBytes(file, "precious");
  char alias[MAX_PATH] = {};
  GetShortPathNameA(file.c_str(), alias, MAX_PATH);
  const std::string shortName = std::string(alias).substr(std::string(alias).rfind('\\') + 1);
  ASSERT_NE(shortName, "longfilename.txt");
  const std::string zip = a.box.Path("alias.zip");
  host_bridge::RunShell(
      "python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], \"w\").writestr(sys.argv[2], "
      "\"member\")' " +
      host_bridge::ShellPath(zip) + " '" + shortName + "'");
  a.answer = [](const std::string& texts) { return Archivers::IsProgress(texts) ? 0 : kReplace; };
  EXPECT_EQ(a.Extract(zip, folder), 0);
  EXPECT_TRUE(a.boxes.empty()) << Joined(a.boxes);
  const std::size_t dot = shortName.rfind('.');
  EXPECT_EQ(ReadBytes(file) + " " +
                ReadBytes(folder + shortName.substr(0, dot) + " (2)" + shortName.substr(dot)),
            "precious member");
}

// Listings never decode, and cost what the names cost, however deep or
// foreign: under a second a megabyte, and far under half a gigabyte.
TEST(SafeExtraction, HostileListingsCostLittle) {
  Archivers a;
  const struct {
    const char* archive;
    int count;
  } cases[] = {
      {"deep.zip", 1},
      {"foreign.zip", 4000},
      {"badbytes.lzh", 4000},
      {"mac.lzh", 20000},
      {"solid_damaged.rar", 4},  // its first member's data fails its check: a
                                 // listing that decodes stops there
      {"redirect.rar", 3},
  };
  // Windows 7's kernel32 has it; the headers offer it from Windows 7 on.
  using MemoryInfo = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  const auto memoryInfo = reinterpret_cast<MemoryInfo>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  ASSERT_NE(memoryInfo, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string path = Safety(c.archive);
    // Wine's peak working set is a true peak; its peak page file use is not.
    PROCESS_MEMORY_COUNTERS before{}, after{};
    memoryInfo(GetCurrentProcess(), &before, sizeof before);
    const DWORD started = GetTickCount();
    a.set.SelectKind(path);
    EXPECT_EQ(a.set.CountEntries(path), c.count);
    const double seconds = (GetTickCount() - started) / 1000.0,
                 megabytes = ReadBytes(path).size() / 1e6;
    memoryInfo(GetCurrentProcess(), &after, sizeof after);
    EXPECT_LT(seconds, std::max(0.5, megabytes));
    EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, SIZE_T{512} << 20);
  }
}

// Archives made to hang or crash the archiver answer quickly, with failure.
// Here each answer takes a few milliseconds; a walk of every block the
// cabinet's folders claim takes about 4 s a call, and a read of the whole
// 800 MiB, not cached yet, 1.6 s. The bounds sit far from both.
TEST(SafeExtraction, HostileArchivesAnswerFailureQuickly) {
  using Clock = std::chrono::steady_clock;
  const auto within = [](Clock::time_point started, std::chrono::milliseconds bound) {
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    return took < bound ? testing::AssertionSuccess()
                        : testing::AssertionFailure() << "took " << took.count() << " ms";
  };
  Archivers a;
  // 2,000 folders that claim one chain of 65,535 blocks, in half a megabyte.
  // The walk of the blocks gives up once it has read as many as the file
  // could hold, and libarchive refuses folders that do not follow one
  // another: a cabinet, damaged before its first member.
  const std::string chain = Safety("chain.cab");
  auto started = Clock::now();
  a.set.SelectKind(chain);
  EXPECT_EQ(a.set.CountEntries(chain), -1);
  EXPECT_EQ(a.set.OpenArchive(chain), nullptr);
  EXPECT_EQ(a.Extract(chain, a.box.Path("chain\\")), 0x8017);  // ERROR_HEADER_BROKEN
  EXPECT_TRUE(within(started, std::chrono::milliseconds(1000)));
  EXPECT_TRUE(Tree(a.box.Path("chain")).empty());

  // 800 MiB of zeros named .arj: the signature says no at once.
  const std::string zeros = a.box.Path("zeros.arj");
  const HANDLE file =
      CreateFileA(zeros.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 800LL << 20;
  SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  a.set.SelectKind(zeros);
  started = Clock::now();
  EXPECT_EQ(a.set.CountEntries(zeros), -1);
  EXPECT_EQ(a.set.OpenArchive(zeros), nullptr);
  EXPECT_TRUE(within(started, std::chrono::milliseconds(250)));

  // A walk with no record to fill ends in failure.
  using FindFirst = int(WINAPI*)(HANDLE, const char*, void*);
  using FindNext = int(WINAPI*)(HANDLE, void*);
  const std::string zip = Folder() + "deflate.zip";
  a.set.SelectKind(zip);
  const HANDLE archive = a.set.OpenArchive(zip);
  ASSERT_NE(archive, nullptr);
  const HMODULE library = GetModuleHandleA("UnZip32.Dll");
  const auto entry = [library](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library, name));
  };
  EXPECT_EQ(reinterpret_cast<FindFirst>(entry("UnZipFindFirst"))(archive, "*.*", nullptr), -1);
  EXPECT_EQ(reinterpret_cast<FindNext>(entry("UnZipFindNext"))(archive, nullptr), -1);
  a.set.CloseArchive(archive);

  // A description is an archive only where the tests ask for one, and its
  // names are held to the same rules.
  const std::string described =
      a.box.Archive("d.lzh", "STANDIN\nentry ..\\..\\evil.txt\ntext x\nentry ok.txt\n");
  EXPECT_EQ(a.Extract(described, a.box.Path("deep\\er\\")), 0x8049);  // ERROR_INVALID_PATH
  EXPECT_FALSE(Exists(a.box.Path("evil.txt")));
  EXPECT_TRUE(Exists(a.box.Path("deep\\er\\ok.txt")));
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", nullptr);
  a.set.SelectKind(described);
  EXPECT_EQ(a.set.CountEntries(described), -1);
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", "1");
}

// Names from every origin: what the listing says is the name on disk, the
// name a command asks for, and the member a print prints.
TEST(MemberNamesFromEveryOrigin, ListedAsOnDiskAndAskedForByThatName) {
  const struct {
    const char* archive;
    std::vector<std::string> names;
  } cases[] = {
      {"mac.zip", {"世界.txt", "パパ\\ブック.txt"}},  // UTF-8 unmarked, decomposed
      {"flagged.zip",
       {"日本語.txt", "__for_Dollar.txt", "____.txt", "dir_yen.txt", "invoice_fdp.exe",
        "Readme.txt", "README (2).txt"}},
      {"unicode_path.zip", {"ドイツ.txt"}},
      {"cp437.zip", {"caf_.txt", "Σ sum _\\x.txt"}},
      {"linux.zip", {"花子.txt", "plain.txt"}},
      {"sjis.rar", {"表示.txt", "ソフト\\能力.txt"}},
      {"broken.lzh", {"a.txt", "_ bad.txt", "表.txt"}},
      {"utf8.cab", {"日本語.txt", "_.txt"}},
  };
  Archivers a;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string archive = Folder() + "names\\" + c.archive,
                      out = a.box.Path(c.archive) + "\\";
    std::vector<std::string> listed, onDisk;
    for (const Listed& row : a.List(archive)) listed.push_back(row.name);
    EXPECT_EQ(listed, c.names);
    EXPECT_EQ(a.Extract(archive, out), 0) << Joined(a.boxes);
    for (const std::string& name : c.names) {
      onDisk.push_back(name + ":14");
      for (std::size_t i = 0; i < name.size(); ++i) {  // the folders on the way
        if (plenkit::IsLeadByte(static_cast<unsigned char>(name[i]))) ++i;
        else if (name[i] == '\\') onDisk.push_back(name.substr(0, i + 1));
      }
    }
    std::sort(onDisk.begin(), onDisk.end());
    onDisk.erase(std::unique(onDisk.begin(), onDisk.end()), onDisk.end());
    EXPECT_EQ(Tree(a.box.Path(c.archive)), onDisk);
    for (const std::string& name : c.names) {
      EXPECT_EQ(a.Extract(archive, out + "one\\", name), 0) << name;
      EXPECT_EQ(ReadBytes(out + "one\\" + name), "named member\r\n") << name;
      if (plenkit::KindTable(plenkit::KindOfFileName(archive)).printTemplate) {
        EXPECT_EQ(a.set.ReadEntryText(archive, name), "named member\r\n") << name;
      }
    }
  }
}
