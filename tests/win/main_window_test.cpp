// The real main window under Wine: its layout, the settings file, and the
// archive list filled from the command line.
#include <gtest/gtest.h>

#include "Trobixmain.h"
#include "toolkit/application.h"
#include "win/main_window_fixture.h"
#include "../../resources/main_layout.h"

using namespace window_support;

class MainWindow : public MainWindowFixture {};

// --- Layout and start-up

TEST_F(MainWindow, FirstRunIsCentredAtTheDesignedSize) {
  TMain& main = Start();
  EXPECT_EQ(main.Width(), main_layout::Form.width);
  EXPECT_EQ(main.Height(), main_layout::Form.height);
  EXPECT_EQ(main.Left(), 305);
  EXPECT_EQ(main.Top(), 260);  // (768 - 247) / 2 = 260.5, truncated
  char caption[64];
  GetWindowTextA(main.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Plenkit");
  for (int i = 0; i < static_cast<int>(std::size(main_layout::Columns)); ++i) {
    EXPECT_EQ(main.LV.ColumnWidth(i), main_layout::Columns[i].width) << i;
  }
}

TEST_F(MainWindow, ToolbarCarriesItsButtonsByTag) {
  TMain& main = Start();
  const toolkit::SpeedButton* buttons[] = {
      &main.SpeedButton1, &main.SpeedButton2, &main.SpeedButton3, &main.SpeedButton4,
      &main.SpeedButton5, &main.SpeedButton6, &main.SpeedButton7, &main.SpeedButton8};
  for (int i = 0; i < 8; ++i) {
    const toolkit::Bounds& designed = main_layout::Buttons[i].bounds;
    EXPECT_EQ(buttons[i]->tag, i);
    RECT r;
    GetWindowRect(buttons[i]->Handle(), &r);
    MapWindowPoints(nullptr, main.Panel1.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, designed.left) << i;
    EXPECT_EQ(r.right - r.left, designed.width);
    EXPECT_EQ(r.bottom - r.top, designed.height);
  }
  char caption[64];
  GetWindowTextA(main.CB.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, main_layout::CBCaption);
  EXPECT_FALSE(main.CB.Checked());
}

TEST_F(MainWindow, TallerThanTheScreenTruncatesTowardZero) {
  screen = {800, 600};
  Settings("[Main]\r\nFormHeight=601\r\n");
  TMain& main = Start();
  EXPECT_EQ(main.Height(), 601);
  EXPECT_EQ(main.Top(), 0);  // (600 - 601) / 2 is 0, not -1
}

TEST_F(MainWindow, OneKeyChangesOnlyItsValue) {
  Settings("[Main]\r\nFormHeight=400\r\n");
  TMain& main = Start();
  EXPECT_EQ(main.Height(), 400);
  EXPECT_EQ(main.Width(), 414);
  EXPECT_EQ(main.Top(), 184);
  EXPECT_EQ(main.Left(), 305);
}

TEST_F(MainWindow, HexadecimalAndGarbageValues) {
  Settings(
      "[Main]\r\nFormWidth=0x1F4\r\nFormHeight=tall\r\nFormTop=0x\r\nFormLeft=-20\r\n"
      "List1ColumnWidth0=0X50\r\nList1ColumnWidth1=12px\r\nList1ColumnWidth2=\r\n"
      "List1ColumnWidth3=77\r\nList1ColumnWidth4=5\r\n");
  TMain& main = Start();
  EXPECT_EQ(main.Width(), 500);
  EXPECT_EQ(main.Height(), 247);
  EXPECT_EQ(main.Top(), 260);
  EXPECT_EQ(main.Left(), -20);
  EXPECT_EQ(main.LV.ColumnWidth(0), 80);
  EXPECT_EQ(main.LV.ColumnWidth(1), 84);
  EXPECT_EQ(main.LV.ColumnWidth(2), 40);
  EXPECT_EQ(main.LV.ColumnWidth(3), 77);
}

TEST_F(MainWindow, PositionOffTheScreenIsRestoredAsStored) {
  Settings("[Main]\r\nFormTop=2000\r\nFormLeft=-500\r\n");
  TMain& main = Start();
  EXPECT_EQ(main.Top(), 2000);
  EXPECT_EQ(main.Left(), -500);
}

TEST_F(MainWindow, SavedFileAfterARunAtTheDesignedSize) {
  Start();
  Stop();
  EXPECT_EQ(Main, nullptr);
  EXPECT_EQ(testing_support::ReadBytes(TMain::SettingsPath()),
            "[Main]\r\nFormTop=260\r\nFormLeft=305\r\nFormHeight=247\r\nFormWidth=414\r\n"
            "List1ColumnWidth0=160\r\nList1ColumnWidth1=84\r\nList1ColumnWidth2=40\r\n"
            "List1ColumnWidth3=102\r\n");
}

TEST_F(MainWindow, SavingKeepsOtherSectionsAndKeys) {
  Settings("[Other]\r\nKeep=1\r\n[Main]\r\nFormWidth=500\r\nMine=yes\r\n");
  TMain& main = Start();
  main.LV.SetColumnWidth(2, 55);
  main.SetBounds(10, 20, 450, 300);
  Stop();
  char value[64];
  const std::string file = TMain::SettingsPath();
  GetPrivateProfileStringA("Other", "Keep", "", value, sizeof value, file.c_str());
  EXPECT_STREQ(value, "1");
  GetPrivateProfileStringA("Main", "Mine", "", value, sizeof value, file.c_str());
  EXPECT_STREQ(value, "yes");
  EXPECT_EQ(GetPrivateProfileIntA("Main", "FormWidth", 0, file.c_str()), 450);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "FormTop", 0, file.c_str()), 20);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "List1ColumnWidth2", 0, file.c_str()), 55);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "List1ColumnWidth4", -7, file.c_str()), -7);
}

TEST_F(MainWindow, ClosingFreesTheLibraries) {
  TMain& main = Start();
  ASSERT_NE(main.Archivers.library[plenkit::Lzh], nullptr);
  ASSERT_NE(GetModuleHandleA("UnLha32.Dll"), nullptr);
  Stop();
  EXPECT_EQ(GetModuleHandleA("UnLha32.Dll"), nullptr);
  EXPECT_EQ(GetModuleHandleA("Bga32.Dll"), nullptr);
}

TEST_F(MainWindow, UnwritableSettingsStillLetTheWindowClose) {
  // A folder where the file should be: every write is refused.
  CreateDirectoryA(TMain::SettingsPath().c_str(), nullptr);
  Start();
  Stop();
  EXPECT_EQ(Main, nullptr);
}

TEST_F(MainWindow, ReshowKeepsListLibrariesAndPlace) {
  const std::string a = box().Archive("a.lzh", kArchive);
  TMain& main = Start(Quoted(a));
  main.SetBounds(40, 50, 420, 260);
  HMODULE lzh = main.Archivers.library[plenkit::Lzh];
  main.Hide();
  Pump();
  main.Show();
  Pump();
  EXPECT_EQ(main.LV.Count(), 1);
  EXPECT_EQ(main.Left(), 40);
  EXPECT_EQ(main.Top(), 50);
  EXPECT_EQ(main.Archivers.library[plenkit::Lzh], lzh);
}

// --- Available formats

TEST_F(MainWindow, FormatsPanelNamesTheLoadedLibraries) {
  EXPECT_EQ(Start().SB.Text(2), "lzh zip cab arj rar bza gza");
  Stop();
  Libraries({"Bga32.Dll"});
  EXPECT_EQ(Start().SB.Text(2), "bza gza");
  Stop();
  Libraries({"UnZip32.Dll", "UnArj32j.Dll"});
  EXPECT_EQ(Start().SB.Text(2), "zip arj ");
}

TEST_F(MainWindow, NoLibraryNoFormatsAndNoRows) {
  Libraries({});
  const std::string a = box().Archive("a.lzh", kArchive);
  TMain& main = Start(Quoted(a));
  EXPECT_EQ(main.SB.Text(2), "");
  EXPECT_EQ(main.LV.Count(), 0);
}

// --- The archive list

TEST_F(MainWindow, RowTextsOfAnArchive) {
  const std::string a = box().Archive("ソ表\\表.lzh", "STANDIN\nentry x\nentry y\n");
  SetModified(a, {2000, 12, 1, 4, 13, 34, 10, 0});

  TMain& main = Start(Quoted(a));
  ASSERT_EQ(main.LV.Count(), 1);
  const ArchiveRow row = main.Row(0);
  EXPECT_EQ(row.caption, "表.lzh");
  EXPECT_EQ(row.size, "      0.02KB");
  EXPECT_EQ(row.count, "2");
  EXPECT_EQ(row.date, "2000/12/04 13:34");
  EXPECT_EQ(row.path, a);
  EXPECT_TRUE(main.LV.Selected(0));  // the only row is selected
  EXPECT_EQ(main.SB.Text(0), "   1");
  EXPECT_EQ(main.SB.Text(1), "      0.02KB");
}

TEST_F(MainWindow, SizesInThousandsOfTheLow32Bits) {
  const std::string files[] = {SizedFile(box(), "zero.lzh", 0), SizedFile(box(), "small.lzh", 1500),
                               SizedFile(box(), "mid.lzh", 1234567),
                               SizedFile(box(), "huge.lzh", 1LL << 32)};
  TMain& main = Start(Quoted(files[0]) + " " + Quoted(files[1]) + " " + Quoted(files[2]) + " " +
                      Quoted(files[3]));
  ASSERT_EQ(main.LV.Count(), 4);
  EXPECT_EQ(main.Row(0).size, "      0.00KB");
  EXPECT_EQ(main.Row(1).size, "      1.50KB");
  EXPECT_EQ(main.Row(2).size, "   1234.57KB");
  EXPECT_EQ(main.Row(3).size, "      0.00KB");
  // Not archives to the stand-in: its count answers -1, shown as it comes.
  EXPECT_EQ(main.Row(0).count, "-1");
  EXPECT_EQ(main.SB.Text(1), "   1236.07KB");
  EXPECT_FALSE(main.LV.Selected(0));
}

TEST_F(MainWindow, TotalIsTheSumOfTheShownValues) {
  const std::string a = SizedFile(box(), "a.zip", 1004), b = SizedFile(box(), "b.zip", 1004);
  TMain& main = Start(Quoted(a) + " " + Quoted(b));
  EXPECT_EQ(main.SB.Text(0), "   2");
  EXPECT_EQ(main.SB.Text(1), "      2.00KB");  // 2,008 bytes would give 2.01
}

TEST_F(MainWindow, EmptyListTotals) {
  TMain& main = Start();
  EXPECT_EQ(main.SB.Text(0), "   0");
  EXPECT_EQ(main.SB.Text(1), "      0.00KB");
}

TEST_F(MainWindow, TotalsSkipUnreadableRowsAndWidenPastFourDigits) {
  TMain& main = Start();
  main.LV.SetRedraw(false);
  for (int i = 0; i < 10000; ++i) {
    const int row = main.LV.AddRow("x.lzh");
    main.LV.SetText(row, 1, i == 0 ? "garbage!!!KB" : "      0.01KB");
  }
  main.LV.SetRedraw(true);
  main.UpdateTotals();
  EXPECT_EQ(main.SB.Text(0), "10000");
  EXPECT_EQ(main.SB.Text(1), "     99.99KB");
}

TEST_F(MainWindow, RefusalsAreSilentAndInOrder) {
  const std::string a = box().Archive("A\\X.LZH", kArchive);
  std::string lower = a;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  box().Archive("notes.txt", kArchive);
  CreateDirectoryA(box().Path("folder.zip").c_str(), nullptr);
  const std::string zip = box().Archive("DATA.ZIP", kArchive);
  const std::string missing = box().Path("gone.lzh");

  TMain& main = Start(Quoted(a) + " " + Quoted(lower) + " " + Quoted(box().Path("notes.txt")) +
                      " " + Quoted(box().Path("folder.zip")) + " " + Quoted(missing) + " " +
                      Quoted(zip) + " " + Quoted(box().Path("*.ZIP")));
  ASSERT_EQ(main.LV.Count(), 2);
  EXPECT_EQ(main.Row(0).path, a);
  EXPECT_EQ(main.Row(1).path, zip);
}

TEST_F(MainWindow, ZipNotListedWithoutItsLibrary) {
  Libraries({"UnLha32.Dll"});
  const std::string zip = box().Archive("DATA.ZIP", kArchive);
  EXPECT_EQ(Start(Quoted(zip)).LV.Count(), 0);
}

TEST_F(MainWindow, TwoArgumentsOneListableGivesOneSelectedRow) {
  const std::string a = box().Archive("My Files\\a b.lzh", kArchive);
  box().Archive("My Files\\readme.txt", "text");
  TMain& main = Start(Quoted(box().Path("My Files\\readme.txt")) + "  " + Quoted(a));
  ASSERT_EQ(main.LV.Count(), 1);
  EXPECT_EQ(main.Row(0).caption, "a b.lzh");
  EXPECT_TRUE(main.LV.Selected(0));
}

TEST_F(MainWindow, FilesBefore1980AreListedWithTheirDate) {
  const std::string a = box().Archive("old.lzh", kArchive);
  SetModified(a, {1975, 6, 0, 15, 8, 5, 0, 0});
  TMain& main = Start(Quoted(a));
  ASSERT_EQ(main.LV.Count(), 1);
  EXPECT_EQ(main.Row(0).date, "1975/06/15 08:05");
  EXPECT_EQ(main.Row(0).path, a);
}

TEST_F(MainWindow, ExpandLongPathSpellsEveryComponentAsStored) {
  const std::string a = box().Archive("Long Folder Name\\Sample Archive.lzh", kArchive);
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(a.c_str(), shortPath, MAX_PATH), 0u);
  EXPECT_EQ(TMain::ExpandLongPath(shortPath), a);
  std::string upper = a;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(TMain::ExpandLongPath(upper), a);
  EXPECT_EQ(TMain::ExpandLongPath("Q:\\nothing\\here.lzh"), "Q:\\nothing\\here.lzh");

  // A bare name, or a drive with no folder, means the current folder.
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(box().Path("Long Folder Name").c_str());
  EXPECT_EQ(TMain::ExpandLongPath("SAMPLE ARCHIVE.LZH"), a);
  EXPECT_EQ(TMain::ExpandLongPath(a.substr(0, 2) + "sample archive.lzh"), a);
  SetCurrentDirectoryA(current);
}

TEST_F(MainWindow, ShortNameOnTheCommandLineListsTheLongPath) {
  const std::string a = box().Archive("Long Folder Name\\Sample Archive.lzh", kArchive);
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(a.c_str(), shortPath, MAX_PATH), 0u);
  TMain& main = Start(shortPath);
  ASSERT_EQ(main.LV.Count(), 1);
  EXPECT_EQ(main.Row(0).caption, "Sample Archive.lzh");
  EXPECT_EQ(main.Row(0).path, a);
}

// --- Keys

namespace {

// Counts the WM_CHAR messages that reach a window.
WNDPROC originalListProc = nullptr;
int charsSeen = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR) ++charsSeen;
  return CallWindowProcA(originalListProc, window, message, wParam, lParam);
}

}  // namespace

TEST_F(MainWindow, EnterIsSwallowedWithOrWithoutASelection) {
  const std::string a = box().Archive("a.lzh", kArchive), b = box().Archive("b.lzh", kArchive);
  TMain& main = Start(Quoted(a) + " " + Quoted(b));
  originalListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(main.LV.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  charsSeen = 0;
  PostChar(main.LV.Handle(), '\r');
  EXPECT_EQ(charsSeen, 0);
  main.LV.SelectAll();
  PostChar(main.LV.Handle(), '\r');
  EXPECT_EQ(charsSeen, 0);
  PostChar(main.LV.Handle(), 'x');
  EXPECT_EQ(charsSeen, 1);
  SetWindowLongPtrA(main.LV.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalListProc));
}

TEST_F(MainWindow, PathColumnStaysHiddenWhateverTheMouseDoesOnTheHeader) {
  const std::string a = box().Archive("a.lzh", kArchive);
  TMain& main = Start(Quoted(a));
  const HWND header = reinterpret_cast<HWND>(SendMessageA(main.LV.Handle(), LVM_GETHEADER, 0, 0));
  // Just right of the line that ends "更新日時", where the path column's
  // divider lies.
  const auto rightOfTheLastLine = [&] {
    int edge = 0;
    for (int i = 0; i < main.LV.VisibleColumns(); ++i) edge += main.LV.ColumnWidth(i);
    return edge + 3;
  };
  const int x = rightOfTheLastLine();
  PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 8));
  PostMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 15, 8));
  PostMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(x + 15, 8));
  Pump();
  EXPECT_EQ(main.LV.ColumnWidth(4), 0);
  EXPECT_GT(main.LV.ColumnWidth(3), 102);  // the drag widened the column the user sees

  const int again = rightOfTheLastLine();
  PostMessageA(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(again, 8));
  PostMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(again, 8));
  Pump();
  EXPECT_EQ(main.LV.ColumnWidth(4), 0);
  main.LV.SetColumnWidth(4, 50);
  EXPECT_EQ(main.LV.ColumnWidth(4), 0);
}

TEST_F(MainWindow, TheListHasTheFocusWhenTheWindowHasIt) {
  const std::string a = box().Archive("a.lzh", kArchive);
  TMain& main = Start(Quoted(a));
  SetFocus(main.Handle());
  EXPECT_EQ(GetFocus(), main.LV.Handle());
  // Enter goes where the keyboard sends it, and the list swallows it.
  PostChar(GetFocus(), '\r');
  EXPECT_EQ(main.LV.Count(), 1);

  // Tab and Shift+Tab go round the controls that take the focus.
  PostKeyDown(main.LV.Handle(), VK_TAB);
  EXPECT_EQ(GetFocus(), main.CB.Handle());
  PostKeyDown(main.CB.Handle(), VK_TAB);
  EXPECT_EQ(GetFocus(), main.LV.Handle());
  PostKeyDown(main.LV.Handle(), VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), main.CB.Handle());

  // Leaving the window and coming back returns to the control used last.
  SetFocus(main.CB.Handle());
  SendMessageA(main.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(main.Handle());
  EXPECT_EQ(GetFocus(), main.CB.Handle());
}

// --- Seen

TEST_F(MainWindow, Screenshot) {
  const std::string a = box().Archive("サンプル.lzh", kArchive);
  const std::string b = SizedFile(box(), "photos.2000.zip", 1234567);
  const std::string c = SizedFile(box(), "backup.cab", 1500);
  TMain& main = Start(Quoted(a) + " " + Quoted(b) + " " + Quoted(c));
  main.LV.SetSelected(1, true);
  main.LV.SetFocus();
  SaveScreenshot(main.Handle(), "main_window");
  EXPECT_EQ(main.LV.Count(), 3);

  // The pointer resting on a button: its border and its green tooltip.
  RECT button;
  GetWindowRect(main.SpeedButton3.Handle(), &button);
  SetCursorPos(button.left + 8, button.top + 8);
  Pump(600);
  SaveScreenshot(GetDesktopWindow(), "main_window_hint");
  SetCursorPos(0, 0);
}

TEST_F(MainWindow, CreationRegistersDropTargetIconAndTooltips) {
  TMain& main = Start();
  EXPECT_TRUE(GetWindowLongPtrA(main.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  const NOTIFYICONDATAA& icon = main.NotifyIconData;
  EXPECT_EQ(icon.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(icon.hWnd, main.Handle());
  EXPECT_EQ(icon.uID, 1u);
  EXPECT_EQ(icon.uFlags, 7u);
  EXPECT_EQ(icon.uCallbackMessage, 0x401u);
  EXPECT_STREQ(icon.szTip, "Plenkit");
  // The small picture of the program's icon, not the large one scaled down.
  ICONINFO picture{};
  ASSERT_TRUE(GetIconInfo(icon.hIcon, &picture));
  BITMAP bits{};
  GetObjectA(picture.hbmColor, sizeof bits, &bits);
  EXPECT_EQ(bits.bmWidth, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(picture.hbmColor);
  DeleteObject(picture.hbmMask);

  // The form's tooltips: pure green, shown after 10 ms, for 10 seconds.
  const HWND tooltip = TooltipOf(main.Handle());
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETTIPBKCOLOR, 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 10);
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 10000);
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 9);  // eight buttons and CB
}
