// The text viewer under Wine: its status line, tab width, font, closing, and
// what it looks like.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "win/host_bridge.h"
#include "win/viewer_fixture.h"

using namespace window_support;

// A Shift-JIS text with tabs, as an archive's read-me might be.
const char kJapaneseText[] =
    "名前\t大きさ\t更新日時\r\n"
    "readme.txt\t1,234\t2001/04/01 12:00\r\n"
    "ｻﾝﾌﾟﾙ.lzh\t56,789\t2001/04/02 09:30\r\n"
    "\tタブで始まる行\r\n"
    "日本語のテキストです。\tタブの幅は 4 文字です。\r\n";

namespace {

// Every EM_SETTABSTOPS a text area is sent, as its single value.
std::vector<int> tabStops;
WNDPROC memoProc = nullptr;

LRESULT CALLBACK RecordTabStops(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_SETTABSTOPS) tabStops.push_back(*reinterpret_cast<const int*>(lParam));
  return CallWindowProcA(memoProc, window, message, wParam, lParam);
}

void RecordTabStopsOf(HWND memo) {
  tabStops.clear();
  memoProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(memo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordTabStops)));
}

int StopFor(int width) { return LOWORD(GetDialogBaseUnits()) * width / 2; }

// The captions of the checked tab sizes.
std::string Checked() {
  std::string checked;
  for (const toolkit::MenuItem* item : {&Look->MM2_1, &Look->MM2_2, &Look->MM2_3}) {
    if (item->Checked()) checked += item->Caption();
  }
  return checked;
}

int LineStart(HWND memo, int line) {
  return static_cast<int>(SendMessageA(memo, EM_LINEINDEX, line, 0));
}

void CtrlEnd(HWND memo) {
  PostKeyDown(memo, VK_END, {VK_CONTROL});
  PostKeyUp(memo, VK_END, {VK_CONTROL});
}

}  // namespace

using Viewer = ViewerFixture;

TEST_F(Viewer, ShowsOverItsOwnerWithTabWidth4AndTheCaretOnLine1) {
  Look = new TLook(owner_);
  Look->SetCaption("サンプル.txt");
  Look->SB.SetText(1, "書庫.lzh");
  const HWND memo = Look->Memo.Handle();
  Look->Memo.SetText(NumberedLines(300));
  // Caret and scroll position at the end before the show.
  SendMessageA(memo, EM_SETSEL, -1, -1);
  SendMessageA(memo, EM_SCROLLCARET, 0, 0);
  Look->ShowInFront();
  Pump(50);
  const RECT r = Look->Bounds();
  char shown[160];
  std::snprintf(shown, sizeof shown, "%ld,%ld %ldx%ld|tab %s|top line %d|focused %d", r.left, r.top,
                r.right - r.left, r.bottom - r.top, Checked().c_str(),
                static_cast<int>(SendMessageA(memo, EM_GETFIRSTVISIBLELINE, 0, 0)),
                GetFocus() == memo);
  EXPECT_EQ(Look->Caption() + "|" + Look->SB.Text(0) + "|" + Look->SB.Text(1) + "|" +
                Look->SB.Text(2) + "|" + shown,
            "サンプル.txt|    1/  300|書庫.lzh||132,130 435x380|tab 4|top line 0|focused 1");
}

TEST_F(Viewer, StatusNamesTheCaretLineAndTheLinesThereAre) {
  const std::string text120 = NumberedLines(120);
  std::string longBareLines;  // 1,000,000 bytes once each LF has its CR
  for (int i = 0; i < 200000; ++i) longBareLines += "abc\n";
  const auto none = [](HWND) {};
  const struct {
    const char* what;
    std::string text;
    std::function<void(HWND memo)> act;
    const char* status;
  } cases[] = {
      {"caret after the last line break", text120, CtrlEnd, "  121/  120"},
      {"no line break at the end", "a\r\nb", CtrlEnd, "    2/    2"},
      {"bare line feeds", "a\nb\nc\n", CtrlEnd, "    4/    3"},
      {"cut at 640,000 bytes", longBareLines, none, "    1/128000"},
      {"more than 99999 lines", std::string(100001, '\n'), CtrlEnd, "100002/100001"},
      {"selection from line 30 up to line 10", text120,
       [](HWND memo) {
         SendMessageA(memo, EM_SETSEL, LineStart(memo, 29), LineStart(memo, 9));
         PostKeyUp(memo, VK_SHIFT);
       },
       "   10/  120"},
      {"the whole text deleted", text120,
       [](HWND memo) {
         SendMessageA(memo, EM_SETSEL, 0, -1);
         PostKeyDown(memo, VK_DELETE);
         PostKeyUp(memo, VK_DELETE);
       },
       "    1/    0"},
      {"a click on line 3", text120,
       [](HWND memo) {
         const LRESULT at = SendMessageA(memo, EM_POSFROMCHAR, LineStart(memo, 2) + 2, 0);
         PostMessageA(memo, WM_LBUTTONDOWN, MK_LBUTTON, at);
         PostMessageA(memo, WM_LBUTTONUP, 0, at);
         Pump();
       },
       "    3/  120"},
  };
  for (const auto& c : cases) {
    ASSERT_NE(Fill(c.text), nullptr) << c.what;
    c.act(Look->Memo.Handle());
    EXPECT_EQ(Status(), c.status) << c.what;
    DestroyWindow(Look->Handle());
  }
}

TEST_F(Viewer, TabStopsFollowTheDialogBaseUnits) {
  Look = new TLook(owner_);
  RecordTabStopsOf(Look->Memo.Handle());
  Fill(NumberedLines(3));
  EXPECT_EQ(tabStops, std::vector<int>{StopFor(4)});
  for (const auto& [item, width] :
       {std::pair{&Look->MM2_1, 2}, std::pair{&Look->MM2_3, 8}, std::pair{&Look->MM2_2, 4}}) {
    tabStops.clear();
    Click(*item);
    EXPECT_EQ(tabStops, std::vector<int>{StopFor(width)}) << width;
    EXPECT_EQ(Checked(), std::to_string(width));
  }
}

TEST_F(Viewer, TabWidthAndFontLastAsLongAsTheViewer) {
  Fill(NumberedLines(3));
  RecordTabStopsOf(Look->Memo.Handle());
  Click(Look->MM2_3);
  LOGFONTA big = Look->Memo.LogFont();
  big.lfHeight = -24;
  Look->Memo.SetFont(big, RGB(0, 0, 255));
  // Filled again while visible; hidden and shown with its owner, as a
  // minimised and restored owner does with the windows it owns.
  Fill(NumberedLines(5), "other.txt");
  ShowOwnedPopups(owner_, FALSE);
  ShowOwnedPopups(owner_, TRUE);
  Pump(50);
  const auto state = [] {
    return Checked() + " " + std::to_string(Look->Memo.LogFont().lfHeight) + " " +
           std::to_string(Look->Memo.Color());
  };
  EXPECT_TRUE(Look->Visible());
  EXPECT_EQ(state(), "8 -24 16711680");
  EXPECT_EQ(tabStops, std::vector<int>{StopFor(8)});

  // Closed and opened again: as new.
  PostChar(Look->Memo.Handle(), 27);
  ASSERT_EQ(Look, nullptr);
  Fill(NumberedLines(3));
  EXPECT_EQ(state(), "4 -16 0");
}

TEST_F(Viewer, EveryWayOfClosingDestroysIt) {
  const struct {
    const char* what;
    std::function<void(Viewer&)> close;
  } cases[] = {
      {"Escape", [](Viewer&) { PostChar(Look->Memo.Handle(), 27); }},
      {" 終了 ", [](Viewer& test) { test.Click(Look->MM4); }},
      {"close box", [](Viewer&) { PostMessageA(Look->Handle(), WM_CLOSE, 0, 0); }},
      {"filled with no line", [](Viewer& test) { test.Fill(""); }},
      {"owner destroyed", [](Viewer& test) { DestroyWindow(test.owner_); }},
  };
  for (const auto& c : cases) {
    const HWND window = Fill("text")->Handle();
    c.close(*this);
    Pump();
    EXPECT_EQ(Look, nullptr) << c.what;
    EXPECT_FALSE(IsWindow(window)) << c.what;
  }
}

TEST_F(Viewer, FontDialogStartsFromTheTextsFontAndOnlyOKChangesIt) {
  Fill(kJapaneseText);
  const LOGFONTA before = Look->Memo.LogFont();
  const auto faceChosen = [](HWND dialog) {
    return GetWindowTextLengthA(GetDlgItem(dialog, 0x470)) > 0;
  };
  std::string shown;
  {
    DialogDriver cancel({{IDCANCEL, faceChosen, [&](HWND dialog) {
                            char face[LF_FACESIZE] = {}, size[16] = {};
                            GetDlgItemTextA(dialog, 0x470, face, sizeof face);
                            GetDlgItemTextA(dialog, 0x472, size, sizeof size);
                            shown = std::string(face) + " " + size;
                            SaveScreenshot(GetDesktopWindow(), "font_dialog");
                          }}});
    Click(Look->MM1);
  }
  EXPECT_EQ(shown, "ＭＳ ゴシック 12");
  const LOGFONTA unchanged = Look->Memo.LogFont();
  EXPECT_EQ(std::memcmp(&before, &unchanged, sizeof before), 0);

  {
    // Another face (Wine lists no styles, sizes or scripts for the
    // program's face, which stands in for a font it does not have), 20
    // points, Japanese script, underlined, red.
    DialogDriver ok(
        {{IDOK, faceChosen, [](HWND dialog) {
            const auto choose = [dialog](int box, LRESULT index) {
              SendDlgItemMessageA(dialog, box, CB_SETCURSEL, index, 0);
              SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(box, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, box)));
            };
            for (const auto& [box, text] : {std::pair{0x470, "IPAゴシック"}, std::pair{0x472, "20"},
                                            std::pair{0x474, "日本語"}}) {
              choose(box, SendDlgItemMessageA(dialog, box, CB_FINDSTRINGEXACT, -1,
                                              reinterpret_cast<LPARAM>(text)));
            }
            for (int i = 0; i < SendDlgItemMessageA(dialog, 0x473, CB_GETCOUNT, 0, 0); ++i) {
              if (SendDlgItemMessageA(dialog, 0x473, CB_GETITEMDATA, i, 0) == RGB(255, 0, 0)) {
                choose(0x473, i);
              }
            }
            SendDlgItemMessageA(dialog, 0x411, BM_CLICK, 0, 0);  // underline
          }}});
    Click(Look->MM1);
  }
  const LOGFONTA after = Look->Memo.LogFont();
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(20, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  EXPECT_STREQ(after.lfFaceName, "IPAゴシック");
  EXPECT_EQ(std::to_string(after.lfHeight) + " " + std::to_string(after.lfUnderline) + " " +
                std::to_string(after.lfCharSet) + " " + std::to_string(Look->Memo.Color()),
            std::to_string(height) + " 1 128 255");
}

TEST_F(Viewer, Screenshots) {
  Fill(kJapaneseText, "ｻﾝﾌﾟﾙ.txt");
  Look->SB.SetText(1, "書庫.lzh");
  PostKeyDown(Look->Memo.Handle(), VK_DOWN);
  PostKeyUp(Look->Memo.Handle(), VK_DOWN);
  EXPECT_EQ(Status(), "    2/    5");
  EXPECT_EQ(Look->Memo.Text(), kJapaneseText);
  SaveScreenshot(Look->Handle(), "viewer");

  // The tab menu, opened by a click on the bar, looked at, then "8" chosen
  // with the keys. The display's own pointer and button: the press lands
  // where the pointer is, however busy the machine.
  RECT item;
  ASSERT_TRUE(GetMenuItemRect(Look->Handle(), Look->MM.Handle(), 1, &item));
  {
    const auto chooseEight = [](HWND) {
      SaveScreenshot(GetDesktopWindow(), "viewer_tab_menu");
      for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
      }
    };
    DialogDriver menu({{0, nullptr, chooseEight, "#32768"}});
    host_bridge::RunShell("xdotool mousemove " + std::to_string((item.left + item.right) / 2) +
                          " " + std::to_string((item.top + item.bottom) / 2) + " click 1");
    ASSERT_TRUE(PumpUntil([&] { return menu.Dialog() != nullptr; }, 20000));
  }
  Pump(50);
  EXPECT_EQ(Checked(), "8");
}
