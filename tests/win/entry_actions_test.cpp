// Showing entries of an archive as text from the contents window: the
// question for names that are no text names, the one shared viewer, the
// box for kinds that cannot print, and which library each window reaches.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "Trobixlook.h"
#include "Trobixview.h"
#include "text/sjis_path.h"
#include "toolkit/dialogs.h"
#include "win/main_window_fixture.h"

using namespace window_support;

namespace {

const char kEntries[] =
    "STANDIN\nentry readme.txt\ntext 日本語のテキスト\\r\\n二行目\\r\\n\n"
    "entry SETUP.EXE\ntext MZ\\r\\n\nentry other.txt\ntext other\\r\\n\n";

class EntryActions : public MainWindowFixture {
 protected:
  TMain& StartWith(std::initializer_list<std::string> names) {
    std::string arguments;
    for (const std::string& name : names) arguments += Quoted(box().Archive(name, kEntries)) + " ";
    return Start(arguments);
  }

  // A double-click on the entry's row, as the mouse gives it.
  static void DoubleClick(TView& view, int row) {
    view.LV.SetSelected(-1, false);
    view.LV.SetSelected(row, true);
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(view.LV.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    PostMessageA(view.LV.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 4, r.top + 2));
    PostMessageA(view.LV.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 4, r.top + 2));
    Pump();
  }

  static std::string Viewer() {
    if (!Look) return "none";
    return Look->Caption() + "|" + Look->SB.Text(1) + "|" + Look->Memo.Text();
  }
};

}  // namespace

TEST_F(EntryActions, TextNamesOpenAtOnceOthersAfterAYes) {
  TMain& main = StartWith({"サンプル.lzh"});
  TView& view = OpenContents(main, 0);
  DoubleClick(view, 0);
  EXPECT_EQ(Viewer(), "readme.txt|サンプル.lzh|日本語のテキスト\r\n二行目\r\n");
  EXPECT_TRUE(Look->Visible());
  SaveScreenshot(GetDesktopWindow(), "viewer_from_contents");
  TLook* const viewer = Look;

  {
    DialogDriver question(
        {{IDNO, nullptr, [](HWND) { SaveScreenshot(GetDesktopWindow(), "open_question"); }}});
    DoubleClick(view, 1);
    EXPECT_NE(question.Texts().find("ﾌｧｲﾙ名：SETUP.EXE\n\nこのﾌｧｲﾙを開きますか？"),
              std::string::npos)
        << question.Texts();
  }
  EXPECT_EQ(Viewer(), "readme.txt|サンプル.lzh|日本語のテキスト\r\n二行目\r\n");
  {
    DialogDriver question({{IDYES}});
    view.SpeedButtonClick(view.SpeedButton2);  // the show button, on the same row
  }
  EXPECT_EQ(Viewer(), "SETUP.EXE|サンプル.lzh|MZ\r\n");
  EXPECT_EQ(Look, viewer);  // the one viewer, filled again

  // It belongs to the contents window that made it.
  view.Close();
  Pump();
  EXPECT_EQ(Look, nullptr);
}

TEST_F(EntryActions, KindsThatCannotPrintSayWhichArchiveAndCloseTheViewer) {
  TMain& main = StartWith({"a.lzh", "b.cab", "c.rar", "d.bza", "e.gza"});
  TView& lzh = OpenContents(main, 0);
  lzh.LV.SetSelected(0, true);
  for (int row = 1; row <= 4; ++row) {
    lzh.ListViewDblClick();  // the viewer is open when the box comes
    ASSERT_NE(Look, nullptr);
    TView& view = OpenContents(main, row);
    const std::string archive = view.Caption();
    {
      DialogDriver box({{IDOK, nullptr, [&](HWND) {
                           if (row == 1) SaveScreenshot(GetDesktopWindow(), "cannot_show");
                         }}});
      DoubleClick(view, 0);
      EXPECT_NE(box.Texts().find("書庫ﾌｧｲﾙ名：" + archive +
                                 "\r\rこの書庫の中身を表示することはできません。"),
                std::string::npos)
          << box.Texts();
    }
    Pump();
    EXPECT_EQ(Look, nullptr) << archive;
  }
}

TEST_F(EntryActions, EachWindowShowsThroughItsOwnLibrary) {
  TMain& main = StartWith({"a.lzh", "b.zip"});
  TView& lzh = OpenContents(main, 0);
  TView& zip = OpenContents(main, 1);
  box().ClearCalls();
  DoubleClick(zip, 2);
  DoubleClick(lzh, 2);
  const std::string a = box().Path("a.lzh"), b = box().Path("b.zip");
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            "UnZip\thwnd=0\tsize=640000\t-p \"" + b + "\" \"other.txt\"",
                            "Unlha\thwnd=0\tsize=640000\tp \"" + a + "\" \"other.txt\""}));
  EXPECT_EQ(Viewer(), "other.txt|a.lzh|other\r\n");
}

TEST_F(EntryActions, RealFolderBrowserStartsAtTheArchivesFolder) {
  // The temporary folder: Wine's shell tree lists it from the start.
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = temp;
  const std::string a =
      folder + "plenkit_entries_" + std::to_string(GetCurrentProcessId()) + ".lzh";
  testing_support::WriteBytes(a, "STANDIN\nextract off\nentry x.txt\nentry y.txt\n");
  struct Cleanup {
    std::string file;
    ~Cleanup() { DeleteFileA(file.c_str()); }
  } cleanup{a};
  TMain& main = Start(Quoted(a));
  TView& view = OpenContents(main, 0);
  view.LV.SetSelected(1, true);
  box().ClearCalls();
  const std::string shown = plenkit::FileNamePart(plenkit::WithoutClosingDelimiter(folder));
  {
    DialogDriver browser({{IDOK, [&](HWND dialog) { return BrowserSelection(dialog) == shown; }}});
    Click(view.SpeedButton1);
    EXPECT_NE(browser.Texts().find("解凍先ﾌｫﾙﾀﾞ選択"), std::string::npos) << browser.Texts();
  }
  EXPECT_EQ(Commands(), std::vector<std::string>{"Unlha\thwnd=0\tsize=2000\tx -d1 \"" + a +
                                                 "\" \"" + folder + "\" \"y.txt\""});
}

// --- The program closed while a handler waits on a box or a library

TEST_F(EntryActions, ExitWhileABoxOrALibraryWaitsEndsEverythingAfterIt) {
  // Libraries that let the program's messages run while they work, as
  // those with a progress window do.
  const char entries[] =
      "STANDIN\nmessages run\nextract off\nentry readme.txt\ntext x\\r\\n\n"
      "entry SETUP.EXE\n";
  toolkit::SetFolderDialogForTest([&](HWND, const std::string&, const std::string&) {
    return std::optional<std::string>(box().Path("out"));
  });
  const auto click = [](const toolkit::SpeedButton& button) {
    PostMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  };
  const struct {
    const char* archive;
    int row;               // the contents window's row selected, -1 all; no window: -2
    int button;            // which tool button is clicked
    int answer;            // a box that asks, answered after the exit; 0 none
    std::size_t commands;  // the commands run, the exit among them
  } cases[] = {
      {"a.lzh", 1, 1, IDYES, 0},  // the question before a name that is no text name
      {"b.cab", 0, 1, IDOK, 0},   // an archive that cannot be shown, its viewer made
      {"a.lzh", 0, 1, 0, 1},      // showing an entry
      {"a.lzh", -1, 0, 0, 1},     // the contents window's extraction
      {"a.lzh", -2, 2, 0, 1},     // the toolbar's extraction beside each archive
  };
  for (const auto& c : cases) {
    const std::string other = std::string("other") + plenkit::ExtensionOf(c.archive);
    TMain& main = Start(Quoted(box().Archive(c.archive, entries)) + " " +
                        Quoted(box().Archive(other, entries)));
    box().ClearCalls();
    const HWND mainWindow = main.Handle();
    const auto exit = [&] { PostMessageA(mainWindow, WM_COMMAND, main.MM2.id, 0); };
    TView* view = nullptr;
    if (c.row == -2) {
      main.LV.SelectAll();
      click(main.SpeedButton3);
    } else {
      view = &OpenContents(main, 0);
      c.row < 0 ? view->LV.SelectAll() : view->LV.SetSelected(c.row, true);
      click(c.button == 0 ? view->SpeedButton1 : view->SpeedButton2);
    }
    bool kept = true;
    if (c.answer) {
      const HWND viewWindow = view->Handle();
      DialogDriver asking({{c.answer, nullptr, [&](HWND) {
                              exit();
                              // The exit is seen once the main window is out of sight; a moment
                              // later every window must still be there, for the box's answer.
                              for (int i = 0; i < 400 && IsWindowVisible(mainWindow); ++i)
                                Sleep(25);
                              Sleep(300);
                              kept = IsWindow(mainWindow) && IsWindow(viewWindow);
                            }}});
      Pump();
    } else {
      exit();  // seen inside the first command
      Pump();
    }
    EXPECT_TRUE(kept) << c.archive << c.row;
    EXPECT_EQ(Commands().size(), c.commands) << c.archive << c.row;
    EXPECT_TRUE(Main == nullptr && View == nullptr && Look == nullptr) << c.archive << c.row;
    Stop();
  }
  toolkit::SetFolderDialogForTest(nullptr);
}
