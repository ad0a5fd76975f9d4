// The entry points other callers of the API look for first, through our
// archivers themselves: each answers as the API's libraries answer, and each
// record is filled whole; the boxes a command shows, what a print leaves in
// the caller's buffer, and what naming a link answers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "win/real_archives.h"
#include "win/test_support.h"

using namespace real_archives;
using testing_support::Sandbox;

namespace {

// The record as every caller of the API declares it.
#pragma pack(push, 1)
struct IndividualInfo {
  DWORD originalSize, compressedSize, crc;
  UINT flag, osType;
  WORD ratio, date, time;
  char fileName[513], padding[3], attribute[8], method[8];
};
#pragma pack(pop)
static_assert(sizeof(IndividualInfo) == 558, "the record's layout");

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

std::uint32_t Crc16(const std::string& bytes) {
  std::uint32_t crc = 0;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xA001 ^ (crc >> 1) : crc >> 1;
  }
  return crc;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// A window of the caller's thread that calls the archiver when a message
// comes, as any caller's window may while a box's modal loop hands it
// messages: the command, a print and a count on `archive`, and what they
// answered.
class Reentry {
 public:
  Reentry(const Library& library, const std::string& archive, const std::string& out)
      : library_(library), archive_(archive), out_(out) {
    WNDCLASSA type{};
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "PlenkitReentry";
    RegisterClassA(&type);
    window_ = CreateWindowA("PlenkitReentry", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Reentry() { DestroyWindow(window_); }
  Reentry(const Reentry&) = delete;
  Reentry& operator=(const Reentry&) = delete;

  // From another thread: the calls run on the window's thread, and this
  // answers what they answered. A call that does not come back (a box of
  // its own that nobody answers) is waited for five seconds, and no call
  // is made while one is under way.
  std::string CallFromTheBox() {
    if (pending_) return "a call still under way";
    pending_ = true;
    PostMessageA(window_, WM_APP, 0, 0);
    for (int waited = 0; pending_ && waited < 5000; waited += 10) Sleep(10);
    return pending_ ? "no answer within 5 s" : answers_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcA(window, message, wParam, lParam);
    auto* self = reinterpret_cast<Reentry*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const auto command = self->library_.Get<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>("");
    char output[64];
    const int x = command(nullptr, ("x \"" + self->archive_ + "\" \"" + self->out_ + "\"").c_str(),
                          output, sizeof output);
    const int p = command(nullptr, ("p \"" + self->archive_ + "\" \"readme.txt\"").c_str(), output,
                          sizeof output);
    const int count =
        self->library_.Get<int(WINAPI*)(LPCSTR)>("GetFileCount")(self->archive_.c_str());
    char answers[64];
    std::snprintf(answers, sizeof answers, "x %X, p %X, count %d", x, p, count);
    self->answers_ = answers;
    self->pending_ = false;
    return 0;
  }

  const Library& library_;
  std::string archive_, out_, answers_;
  std::atomic<bool> pending_{false};
  HWND window_;
};

// The text of a box's default button.
std::string DefaultButton(HWND box) {
  char text[64] = {};
  GetDlgItemTextA(box, LOWORD(SendMessageA(box, DM_GETDEFID, 0, 0)), text, sizeof text);
  return text;
}

}  // namespace

// GetVersion, GetRunning, QueryFunctionList and the owner window, in every
// library: the functions a library has are those it exports, no more.
TEST(ArchiverApi, EachLibraryTellsWhatItIsAndHas) {
  Sandbox box;
  Sandbox partial({"UnLha32.Dll"}, testing_support::OutputFolder() + "partial\\");
  // The functions asked about, by the API's numbers: the command, GetVersion,
  // cursor interval (none here), GetRunning, CheckArchive, ConfigDialog (none),
  // GetFileCount, QueryFunctionList, the walk, GetArcFileName (none), the owner.
  const int asked[] = {0, 1, 2, 8, 16, 17, 18, 19, 23, 24, 25, 26, 31, 32, 40};
  const struct {
    const Sandbox& from;
    const char* file;
    const char* prefix;
    const char* has;
  } libraries[] = {
      {box, "UnLha32.Dll", "Unlha", "110110111111110"},
      {box, "UnZip32.Dll", "UnZip", "110110111111110"},
      {box, "Cab32.Dll", "Cab", "110110111111110"},
      {box, "UnArj32j.Dll", "Unarj", "110110111111110"},
      {box, "UnRar32.Dll", "Unrar", "110110111111110"},
      {box, "Bga32.Dll", "Bga", "110110111111110"},
      // Without the command and GetFileCount.
      {partial, "UnLha32.Dll", "Unlha", "010110011111110"},
  };
  const HWND window =
      CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (const auto& l : libraries) {
    SCOPED_TRACE(l.file);
    const Library library(l.from, l.file, l.prefix);
    std::string has;
    for (int function : asked) has += library.Has(function) ? '1' : '0';
    EXPECT_EQ(has, l.has);
    EXPECT_EQ(library.Version(), 101);
    EXPECT_FALSE(library.Running());
    EXPECT_FALSE(library.SetOwner(nullptr));
    EXPECT_TRUE(library.SetOwner(window));
    EXPECT_TRUE(library.ClearOwner());
  }
  DestroyWindow(window);
}

// CheckArchive's modes: rapid reads the headers, basic wants all of them
// undamaged, full CRC decodes every member and checks it.
TEST(ArchiverApi, CheckArchiveLooksAsDeepAsItsModeSays) {
  Sandbox box;
  const struct {
    const char* file;
    const char* prefix;
    const char* archive;
    const char* sound;  // rapid, basic, full CRC, full CRC with a flag above the mode
  } cases[] = {
      {"UnZip32.Dll", "UnZip", "deflate.zip", "1111"},
      {"UnLha32.Dll", "Unlha", "lh5_level2.lzh", "1111"},
      {"Cab32.Dll", "Cab", "mszip.cab", "1111"},
      {"UnArj32j.Dll", "Unarj", "m4.arj", "1111"},
      {"UnRar32.Dll", "Unrar", "rar4_best.rar", "1111"},
      {"UnRar32.Dll", "Unrar", "formats\\rar3-solid.rar", "1111"},
      // Data that fails its check value; a member that cannot be checked.
      {"UnZip32.Dll", "UnZip", "safety\\crc.zip", "1100"},
      {"UnLha32.Dll", "Unlha", "safety\\crc5.lzh", "1100"},
      {"UnRar32.Dll", "Unrar", "safety\\crc.rar", "1100"},
      {"UnZip32.Dll", "UnZip", "crypto.zip", "1100"},
      {"UnZip32.Dll", "UnZip", "formats\\others.zip", "1100"},
      // Headers that end in damage; no archive of the format; no file.
      {"UnLha32.Dll", "Unlha", "hostile\\truncated.lzh", "1000"},
      {"UnZip32.Dll", "UnZip", "formats\\local_larger.zip", "1100"},
      {"UnZip32.Dll", "UnZip", "formats\\local_signature.zip", "1000"},
      {"UnZip32.Dll", "UnZip", "hostile\\truncated.zip", "0000"},
      {"UnLha32.Dll", "Unlha", "deflate.zip", "0000"},
      {"UnZip32.Dll", "UnZip", "missing.zip", "0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const Library library(box, c.file, c.prefix);
    std::string sound;
    for (int mode : {0, 1, 2, 2 | 64})
      sound += library.Check(Folder() + c.archive, mode) ? '1' : '0';
    EXPECT_EQ(sound, c.sound);
  }
}

// Every field of the record: the check value the archive keeps for the
// member's bytes, the system it was archived on, its attributes and method.
TEST(ArchiverApi, RecordsAreFilledWhole) {
  Sandbox box;
  enum { kNone, kCrc16, kCrc32 };
  const struct {
    const char* file;
    const char* prefix;
    const char* archive;
    const char* member;
    int check;
    const char* record;  // OS type, attributes, method
  } cases[] = {
      {"UnZip32.Dll", "UnZip", "deflate.zip", "readme.txt", kCrc32, "2 ----A Deflate"},
      {"UnZip32.Dll", "UnZip", "stored.zip", "readme.txt", kCrc32, "2 ----A Store"},
      {"UnZip32.Dll", "UnZip", "deflate.zip", "ソフト\\", kNone, "2 ---D- Store"},
      {"UnLha32.Dll", "Unlha", "lh5_level1.lzh", "readme.txt", kCrc16, "0 ----A -lh5-"},
      {"UnLha32.Dll", "Unlha", "lh7_level0.lzh", "readme.txt", kCrc16, "0 ----A -lh7-"},
      {"Cab32.Dll", "Cab", "mszip.cab", "readme.txt", kNone, "0 ----A MSZIP"},
      {"Cab32.Dll", "Cab", "stored.cab", "readme.txt", kNone, "0 ----A Store"},
      {"UnArj32j.Dll", "Unarj", "m4.arj", "readme.txt", kCrc32, "2 ----A Method4"},
      {"UnArj32j.Dll", "Unarj", "m0.arj", "readme.txt", kCrc32, "2 ----A Store"},
      {"UnRar32.Dll", "Unrar", "rar4_best.rar", "LibarchiveAddingTest.html", kCrc32,
       "2 ----A Best"},
      {"UnRar32.Dll", "Unrar", "rar4.rar", "test.txt", kCrc32, "2 ----A Store"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.archive) + " " + c.member);
    const Library library(box, c.file, c.prefix);
    const HANDLE archive = library.Get<HANDLE(WINAPI*)(HWND, LPCSTR, DWORD)>("OpenArchive")(
        nullptr, (Folder() + c.archive).c_str(), 0);
    ASSERT_NE(archive, nullptr);
    const auto next = library.Get<int(WINAPI*)(HANDLE, void*)>("FindNext");
    IndividualInfo info;
    int found =
        library.Get<int(WINAPI*)(HANDLE, LPCSTR, void*)>("FindFirst")(archive, "*.*", &info);
    while (found == 0 && std::strcmp(info.fileName, c.member) != 0) found = next(archive, &info);
    library.Get<int(WINAPI*)(HANDLE)>("CloseArchive")(archive);
    ASSERT_EQ(found, 0);
    const std::string original =
        c.check == kNone ? "" : Original(std::string(c.archive), std::string(c.member));
    const std::uint32_t crc = c.check == kCrc32   ? Crc32(original)
                              : c.check == kCrc16 ? Crc16(original)
                                                  : 0;
    EXPECT_EQ(Hex(info.crc) + " " + std::to_string(info.osType) + " " + info.attribute + " " +
                  info.method,
              Hex(crc) + " " + c.record);
  }
}

// With an owner window set, the archiver's boxes are that window's. Each
// box has the library's file name for its caption and its own default
// button. While a box asks, the library is running: a call that comes
// meanwhile, from a window of the caller's whose message the box's loop
// dispatches, answers ERROR_ALREADY_RUNNING (0x801F) and writes nothing.
TEST(ArchiverApi, BoxesBelongToTheOwnerWindow) {
  Archivers a;
  const Library library(a.box, "UnZip32.Dll", "UnZip");
  const HWND window = CreateWindowA("STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                    nullptr, nullptr, nullptr);
  const std::string archive = Folder() + "deflate.zip", out = a.box.Path("out\\");
  ASSERT_EQ(a.Extract(archive, out), 0);
  Reentry reentry(library, archive, a.box.Path("again\\"));
  const DWORD ui = GetCurrentThreadId();
  std::vector<std::string> seen;
  a.answer = [&](const std::string& texts) {
    if (Archivers::IsProgress(texts)) return 0;
    const HWND box = testing_support::FirstOf(
        testing_support::ThreadWindows(ui, testing_support::VisibleOfClass("#32770")));
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof caption);
    seen.push_back(std::string(GetWindow(box, GW_OWNER) == window ? "owned" : "not owned") + ", " +
                   caption + ", " + DefaultButton(box) +
                   (library.Running() ? ", running: " : ", idle: ") + reentry.CallFromTheBox());
    return IDCANCEL;
  };
  EXPECT_TRUE(library.SetOwner(window));
  Sleep(1100);  // a command of its own, not one of the run above
  EXPECT_NE(a.Extract(archive, out), 0);
  EXPECT_TRUE(library.ClearOwner());
  Sleep(1100);
  EXPECT_NE(a.Extract(archive, out), 0);
  // The question, then the failure box saying it was cancelled.
  const std::string busy = "x 801F, p 801F, count -1";
  EXPECT_EQ(seen, (std::vector<std::string>{"owned, UnZip32.Dll, スキップ, running: " + busy,
                                            "owned, UnZip32.Dll, OK, running: " + busy,
                                            "not owned, UnZip32.Dll, スキップ, running: " + busy,
                                            "not owned, UnZip32.Dll, OK, running: " + busy}));
  EXPECT_FALSE(library.Running());
  EXPECT_FALSE(testing_support::Exists(a.box.Path("again")));
  DestroyWindow(window);
}

// The failure box names 16 members at most, then how many more failed.
TEST(ArchiverApi, FailureBoxNamesSixteenMembersAtMost) {
  const struct {
    const char* archive;
    const char* copy;   // the archive's name where the command finds it
    const char* shown;  // ... and in the box
    const char* more;   // after the first 16 members' lines
  } cases[] = {
      {"crc16.zip", "crc16.zip", "crc16.zip", ""},
      {"crc17.zip", "crc17.zip", "crc17.zip", "ほか 1 件\n"},
      {"crc20.zip", "crc20.zip", "crc20.zip", "ほか 4 件\n"},
      // A character cut short (a lead byte before a blank) shows as "?".
      {"crc16.zip", "cut\x81 16.zip", "cut? 16.zip", ""},
  };
  Archivers a;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    const std::string copy = a.box.Path(c.copy);
    CopyFileA((Folder() + "boxes\\" + c.archive).c_str(), copy.c_str(), FALSE);
    std::string expected =
        std::string("書庫 ") + c.shown + " から、次のファイルを書き出せませんでした。\n\n";
    for (int i = 1; i <= 16; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "m%02d.txt：データが壊れています\n", i);
      expected += line;
    }
    expected += std::string(c.more) + "\nOK\nこの書庫の残りは知らせない\n";
    EXPECT_EQ(a.Extract(copy, copy + "-out\\"), 0x800C);
    EXPECT_EQ(a.boxes, std::vector<std::string>{expected});
  }
}

// A print copies at most `size` - 1 bytes of the member, then a zero, and
// writes nothing from `size` on; a buffer of no bytes gets nothing.
TEST(ArchiverApi, PrintingStopsShortOfTheBuffersEnd) {
  Sandbox box;
  const struct {
    const char* file;
    const char* prefix;
    const char* archive;
    const char* member;
  } cases[] = {
      {"UnZip32.Dll", "UnZip", "deflate.zip", "readme.txt"},
      {"UnLha32.Dll", "Unlha", "lh5_level2.lzh", "readme.txt"},
      {"Cab32.Dll", "Cab", "mszip.cab", "readme.txt"},
      {"UnArj32j.Dll", "Unarj", "m4.arj", "readme.txt"},
      {"UnRar32.Dll", "Unrar", "rar4_best.rar", "LibarchiveAddingTest.html"},
  };
  constexpr std::size_t kMargin = 64;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const Library library(box, c.file, c.prefix);
    const auto command = library.Get<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>("");
    const std::string original = Original(c.archive, c.member);
    const std::string line = "p \"" + Folder() + c.archive + "\" \"" + std::string(c.member) + "\"";
    const DWORD whole = static_cast<DWORD>(original.size());
    for (const DWORD size : {0ul, 1ul, 2ul, 1000ul, whole - 1ul, whole, whole + 1ul, whole + 2ul}) {
      std::string output(size + kMargin, 'X');
      const int result = command(nullptr, line.c_str(), output.data(), size);
      const std::size_t given = size == 0 ? 0 : std::min<std::size_t>(size - 1, whole);
      const std::string expected = size == 0 ? "" : original.substr(0, given) + '\0';
      EXPECT_EQ(std::to_string(result) + ":" + output.substr(0, expected.size()) + "|" +
                    output.substr(size),
                "0:" + expected + "|" + std::string(kMargin, 'X'))
          << "size " << size;
    }
  }
}

// A link is never written nor printed: naming it answers ERROR_NOT_SUPPORT
// (0x8023), says why in the failure box, and writes nothing.
TEST(ArchiverApi, NamingALinkIsRefused) {
  const struct {
    const char* file;
    const char* prefix;
    const char* folder;
    const char* archive;
    const char* link;
  } cases[] = {
      {"UnZip32.Dll", "UnZip", "boxes\\", "link.zip", "link.txt"},
      {"UnLha32.Dll", "Unlha", "lhasa\\", "lha_unix114i_h1_symlink3.lzh", "subdir\\symlink"},
      {"UnArj32j.Dll", "Unarj", "formats\\", "hardlink.arj", "b.txt"},
      {"UnRar32.Dll", "Unrar", "", "rar4.rar", "testlink"},
  };
  Archivers a;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string path = Folder() + c.folder + c.archive, out = a.box.Path(c.archive) + "\\";
    const int extracted = a.Extract(path, out, c.link);
    const Library library(a.box, c.file, c.prefix);
    char output[64] = "untouched";
    const int printed = library.Get<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>("")(
        nullptr, ("p \"" + path + "\" \"" + c.link + "\"").c_str(), output, sizeof output);
    char row[64];
    std::snprintf(row, sizeof row, "x %X, p %X \"%s\", wrote:", extracted, printed, output);
    std::string seen = row;
    for (const std::string& file : Tree(out)) seen += " " + file;
    for (const std::string& box : a.boxes) seen += "\n" + box;
    EXPECT_EQ(seen, std::string("x 8023, p 8023 \"\", wrote:\n書庫 ") + c.archive +
                        " から、次のファイルを書き出せませんでした。\n\n" + c.link +
                        "：この形式の展開には対応していません\n\nOK\nこの書庫の残りは知らせない\n");
  }
}
