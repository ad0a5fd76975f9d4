// The text viewer under Wine: its status line, tab width, font, closing, and
// what it looks like.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "win/viewer_fixture.h"

// A Shift-JIS text with tabs, as an archive's read-me might be.
const char kJapaneseText[] =
    "名前\t大きさ\t更新日時\r\n"
    "readme.txt\t1,234\t2001/04/01 12:00\r\n"
    "ｻﾝﾌﾟﾙ.lzh\t56,789\t2001/04/02 09:30\r\n"
    "\tタブで始まる行\r\n"
    "日本語のテキストです。\tタブの幅は 4 文字です。\r\n";

namespace {

class Viewer : public ViewerFixture {
 protected:
  // Every EM_SETTABSTOPS the text area is sent, as its single value.
  void RecordTabStops() {
    tabStops.clear();
    original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        Look->Memo.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Viewer::Recorder)));
  }

  static LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == EM_SETTABSTOPS && wParam == 1) {
      tabStops.push_back(*reinterpret_cast<const int*>(lParam));
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
  }

  static int StopFor(int width) { return LOWORD(GetDialogBaseUnits()) * width / 2; }

  std::string Checked() const {
    std::string checked;
    for (const toolkit::MenuItem* item : {&Look->MM2_1, &Look->MM2_2, &Look->MM2_3}) {
      if (item->Checked()) checked += item->Caption();
    }
    return checked;
  }

  static inline std::vector<int> tabStops;
  static inline WNDPROC original = nullptr;
};

int CharIndexOfLine(HWND memo, int line) {
  return static_cast<int>(SendMessageA(memo, EM_LINEINDEX, line, 0));
}

// The font dialog has selected a face.
bool FontDialogReady(HWND dialog) {
  return GetWindowTextLengthA(GetDlgItem(dialog, 0x470)) > 0;
}

void CtrlEnd(HWND memo) {
  PostKeyDown(memo, VK_END, {VK_CONTROL});
  PostKeyUp(memo, VK_END, {VK_CONTROL});
}

}  // namespace

TEST_F(Viewer, FilledAndShownAsTheContentsWindowDoesIt) {
  TLook* look = Fill(NumberedLines(120), "サンプル.txt", "書庫.lzh");
  ASSERT_NE(look, nullptr);
  EXPECT_TRUE(look->Visible());
  EXPECT_EQ(look->Caption(), "サンプル.txt");
  EXPECT_EQ(look->SB.Text(0) + "|" + look->SB.Text(1) + "|" + look->SB.Text(2),
            "    1/  120|書庫.lzh|");
  // 435 x 380, centred over the owner.
  const RECT r = look->Bounds();
  EXPECT_EQ(r.left, 100 + (500 - 435) / 2);
  EXPECT_EQ(r.top, 80 + (480 - 380) / 2);
  EXPECT_EQ(r.right - r.left, 435);
  EXPECT_EQ(r.bottom - r.top, 380);
  EXPECT_EQ(GetFocus(), look->Memo.Handle());
  EXPECT_EQ(Checked(), "4");
}

TEST_F(Viewer, StatusNamesTheCaretLineAndTheLinesThereAre) {
  const std::string text120 = NumberedLines(120);
  const struct {
    const char* what;
    std::string text;
    std::function<void(HWND memo)> act;
    const char* status;
  } cases[] = {
      {"caret after the last line break", text120, CtrlEnd, "  121/  120"},
      {"bare line feeds", "a\nb\nc\n", CtrlEnd, "    4/    3"},
      {"no line break at the end", "a\r\nb", CtrlEnd, "    2/    2"},
      {"more than 99999 lines", std::string(100001, '\n'), CtrlEnd, "100002/100001"},
      {"selection from line 30 up to line 10", text120,
       [](HWND memo) {
         SendMessageA(memo, EM_SETSEL, CharIndexOfLine(memo, 29), CharIndexOfLine(memo, 9));
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
         const LRESULT at = SendMessageA(memo, EM_POSFROMCHAR, CharIndexOfLine(memo, 2) + 2, 0);
         PostMessageA(memo, WM_LBUTTONDOWN, MK_LBUTTON, at);
         PostMessageA(memo, WM_LBUTTONUP, 0, at);
         Pump();
       },
       "    3/  120"},
  };
  for (const auto& c : cases) {
    TLook* look = Fill(c.text);
    ASSERT_NE(look, nullptr) << c.what;
    c.act(look->Memo.Handle());
    EXPECT_EQ(Status(), c.status) << c.what;
    DestroyWindow(look->Handle());
  }
}

TEST_F(Viewer, ShowingPutsTheCaretOnTheFirstLine) {
  // A viewer whose caret and scroll position lie at the end before it shows.
  Look = new TLook(owner_);
  Look->Memo.SetText(NumberedLines(300));
  SendMessageA(Look->Memo.Handle(), EM_SETSEL, -1, -1);
  SendMessageA(Look->Memo.Handle(), EM_SCROLLCARET, 0, 0);
  Look->ShowInFront();
  Pump(50);
  EXPECT_EQ(Status(), "    1/  300");
  EXPECT_EQ(SendMessageA(Look->Memo.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Viewer, AnEmptyTextClosesTheViewer) {
  Fill("one line");
  ASSERT_NE(Look, nullptr);
  Fill("");
  EXPECT_EQ(Look, nullptr);
}

TEST_F(Viewer, TheTextAreaHoldsAtMost640000Bytes) {
  // 200,000 lines of "abc\n" would be 1,000,000 bytes with their CRs.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "abc\n";
  TLook* look = Fill(text);
  EXPECT_EQ(look->Memo.Text().size(), 640000u);
  EXPECT_EQ(Status(), "    1/128000");
}

TEST_F(Viewer, TabStopsFollowTheDialogBaseUnits) {
  Look = new TLook(owner_);
  RecordTabStops();
  Fill(NumberedLines(3));
  EXPECT_EQ(tabStops, std::vector<int>{StopFor(4)});
  const struct {
    const toolkit::MenuItem& item;
    int width;
  } cases[] = {{Look->MM2_1, 2}, {Look->MM2_3, 8}, {Look->MM2_2, 4}};
  for (const auto& c : cases) {
    tabStops.clear();
    Click(c.item);
    EXPECT_EQ(tabStops, std::vector<int>{StopFor(c.width)}) << c.width;
    EXPECT_EQ(Checked(), std::to_string(c.width));
  }
}

TEST_F(Viewer, TabWidthAndFontLastAsLongAsTheViewer) {
  Fill(NumberedLines(3));
  RecordTabStops();
  Click(Look->MM2_3);
  LOGFONTA big = Look->Memo.LogFont();
  big.lfHeight = -24;
  Look->Memo.SetFont(big, RGB(0, 0, 255));
  // Filled again while visible, and its owner minimised and restored.
  Fill(NumberedLines(5), "other.txt");
  ShowWindow(owner_, SW_MINIMIZE);
  Pump(50);
  ShowWindow(owner_, SW_RESTORE);
  Pump(50);
  EXPECT_TRUE(Look->Visible());
  EXPECT_EQ(Checked(), "8");
  EXPECT_EQ(tabStops, std::vector<int>{StopFor(8)});
  EXPECT_EQ(Look->Memo.LogFont().lfHeight, -24);
  EXPECT_EQ(Look->Memo.Color(), RGB(0, 0, 255));

  // Closed and opened again: all as first.
  PostChar(Look->Memo.Handle(), 27);
  ASSERT_EQ(Look, nullptr);
  Fill(NumberedLines(3));
  EXPECT_EQ(Checked(), "4");
  EXPECT_EQ(Look->Memo.LogFont().lfHeight, -16);
  EXPECT_EQ(Look->Memo.Color(), RGB(0, 0, 0));
}

TEST_F(Viewer, EveryWayOfClosingDestroysIt) {
  const struct {
    const char* what;
    std::function<void(Viewer&)> close;
  } cases[] = {
      {"Escape", [](Viewer&) { PostChar(Look->Memo.Handle(), 27); }},
      {" 終了 ", [](Viewer& test) { test.Click(Look->MM4); }},
      {"close box", [](Viewer&) { PostMessageA(Look->Handle(), WM_CLOSE, 0, 0); }},
      {"owner destroyed", [](Viewer& test) { DestroyWindow(test.owner_); }},
  };
  for (const auto& c : cases) {
    Fill("text");
    ASSERT_NE(Look, nullptr);
    const HWND window = Look->Handle();
    c.close(*this);
    Pump();
    EXPECT_EQ(Look, nullptr) << c.what;
    EXPECT_FALSE(IsWindow(window)) << c.what;
  }
}

TEST_F(Viewer, FontDialogStartsFromTheTextsFontAndOnlyOKChangesIt) {
  Fill(kJapaneseText);
  const LOGFONTA before = Look->Memo.LogFont();
  std::string shown;
  {
    DialogDriver cancel(IDCANCEL, FontDialogReady, [&](HWND dialog) {
      char face[LF_FACESIZE] = {}, size[16] = {};
      GetDlgItemTextA(dialog, 0x470, face, sizeof face);  // face name box
      GetDlgItemTextA(dialog, 0x472, size, sizeof size);  // point size box
      shown = std::string(face) + " " + size;
      SaveScreenshot(GetDesktopWindow(), "font_dialog");
    });
    Click(Look->MM1);
    ASSERT_NE(cancel.Dialog(), nullptr);
  }
  EXPECT_EQ(shown, "ＭＳ ゴシック 12");
  const LOGFONTA unchanged = Look->Memo.LogFont();
  EXPECT_EQ(memcmp(&before, &unchanged, sizeof before), 0);
  EXPECT_EQ(Look->Memo.Color(), RGB(0, 0, 0));

  {
    // Another face (Wine lists no styles, sizes or scripts for the
    // program's face, which stands in for a font it does not have), 20
    // points, Japanese script, underlined, red.
    DialogDriver ok(IDOK, FontDialogReady, [](HWND dialog) {
      const auto choose = [dialog](int box, LRESULT index) {
        SendDlgItemMessageA(dialog, box, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(box, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, box)));
      };
      const auto find = [dialog](int box, const char* text) {
        return SendDlgItemMessageA(dialog, box, CB_FINDSTRINGEXACT, -1,
                                   reinterpret_cast<LPARAM>(text));
      };
      choose(0x470, find(0x470, "IPAゴシック"));
      choose(0x472, find(0x472, "20"));
      choose(0x474, find(0x474, "日本語"));
      for (int i = 0, n = SendDlgItemMessageA(dialog, 0x473, CB_GETCOUNT, 0, 0); i < n; ++i) {
        if (SendDlgItemMessageA(dialog, 0x473, CB_GETITEMDATA, i, 0) == RGB(255, 0, 0)) {
          choose(0x473, i);
        }
      }
      SendDlgItemMessageA(dialog, 0x411, BM_CLICK, 0, 0);  // underline
    });
    Click(Look->MM1);
    ASSERT_NE(ok.Dialog(), nullptr);
  }
  const LOGFONTA after = Look->Memo.LogFont();
  EXPECT_STREQ(after.lfFaceName, "IPAゴシック");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(after.lfHeight, -MulDiv(20, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(after.lfUnderline);
  EXPECT_EQ(after.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(Look->Memo.Color(), RGB(255, 0, 0));
  SaveScreenshot(Look->Handle(), "viewer_font_chosen");
}

TEST_F(Viewer, Screenshots) {
  Fill(kJapaneseText, "ｻﾝﾌﾟﾙ.txt", "書庫.lzh");
  PostKeyDown(Look->Memo.Handle(), VK_DOWN);
  PostKeyUp(Look->Memo.Handle(), VK_DOWN);
  EXPECT_EQ(Status(), "    2/    5");
  EXPECT_EQ(Look->Memo.Text(), kJapaneseText);
  SaveScreenshot(Look->Handle(), "viewer");

  // The tab menu, opened by a click on the bar.
  RECT item;
  ASSERT_TRUE(GetMenuItemRect(Look->Handle(), Look->MM.Handle(), 1, &item));
  const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
  mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x * 65536 / GetSystemMetrics(SM_CXSCREEN),
              y * 65536 / GetSystemMetrics(SM_CYSCREEN), 0, 0);
  Pump(50);
  {
    // Looked at, then "8" chosen with the keys.
    DialogDriver menu("#32768", [&](HWND) {
      SaveScreenshot(GetDesktopWindow(), "viewer_tab_menu");
      for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
      }
    });
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Pump(100);
    ASSERT_NE(menu.Dialog(), nullptr);
  }
  Pump(50);
  EXPECT_EQ(Checked(), "8");
}
