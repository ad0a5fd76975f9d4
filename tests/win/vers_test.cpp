// The version dialog and the help file on real windows: the dialog modal
// over the main window, its links' colours and the addresses they hand the
// shell, the help file the toolbar asks for, and the program's own help
// viewer closed when the program ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "Trobixvers.h"
#include "toolkit/shell.h"
#include "win/main_window_fixture.h"
#include "../../resources/main_layout.h"
#include "../../resources/vers_layout.h"

using namespace window_support;
using testing_support::OutputFolder;
using testing_support::ProgramFolder;

namespace {

struct ShellCall {
  HWND owner;
  std::string target;
  int show;
};

enum class Ink { None, Black, Blue, Green, Other };

// The colour a label's text shows on the screen: its most inked pixel, by
// hue, whatever the font smoothing made of the edges.
Ink InkOf(const toolkit::Label& label) {
  RECT r;
  GetWindowRect(label.Handle(), &r);
  int darkest = 3 * 256, red = 0, green = 0, blue = 0;
  for (const RGBQUAD& p : CaptureScreen(r).pixels) {
    if (p.rgbRed + p.rgbGreen + p.rgbBlue < darkest) {
      darkest = p.rgbRed + p.rgbGreen + p.rgbBlue;
      red = p.rgbRed, green = p.rgbGreen, blue = p.rgbBlue;
    }
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  if (red == GetRValue(face) && green == GetGValue(face) && blue == GetBValue(face))
    return Ink::None;
  if (blue > red + 60 && blue > green + 60) return Ink::Blue;
  if (green > red + 40 && green > blue + 40) return Ink::Green;
  if (red < 80 && green < 80 && blue < 80) return Ink::Black;
  return Ink::Other;
}

POINT CentreOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The text of the tip a form's tooltip now shows, or empty.
std::string ShownTip(HWND form) {
  const HWND tooltip = TooltipOf(form);
  if (!tooltip || !IsWindowVisible(tooltip)) return {};
  char text[256] = {};
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  if (!SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) return {};
  tool.lpszText = text;
  SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

class VersionDialog : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    toolkit::SetShellOpenForTest([this](HWND owner, const std::string& target, int show) {
      shellCalls.push_back({owner, target, show});
    });
  }

  void TearDown() override {
    toolkit::SetShellOpenForTest(nullptr);
    MainWindowFixture::TearDown();
  }

  // Runs `body` on this thread from inside the modal loop that `open`
  // starts; returns once both have ended. A dialog the body left open is
  // closed, so that the loop ends whatever the body found.
  static void WhileShown(const std::function<void()>& open,
                         const std::function<void(TVers&)>& body) {
    bool ran = false;
    std::function<void()> step = [&] {
      ran = true;
      if (Vers) body(*Vers);
      if (Vers) Vers->Close();
    };
    pending = &step;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, RunPending);
    open();
    KillTimer(nullptr, timer);
    pending = nullptr;
    EXPECT_TRUE(ran) << "no modal loop ran";
  }

  // A press and release of the left button on a label, as the mouse gives them.
  static void ClickOn(const toolkit::Label& label) {
    PostMessageA(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    Pump();
  }

  // Puts the mouse pointer on a link and waits until the link turned blue
  // and its tip shows.
  static void PointAt(TVers& dialog, const toolkit::Label& link) {
    const POINT on = CentreOf(link.Handle());
    SetCursorPos(on.x, on.y);
    EXPECT_TRUE(PumpUntil([&] { return link.FontColor() == RGB(0, 0, 255); }, 3000));
    EXPECT_TRUE(PumpUntil([&] { return !ShownTip(dialog.Handle()).empty(); }, 3000));
  }

  std::vector<ShellCall> shellCalls;

 private:
  static void CALLBACK RunPending(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (std::function<void()>* run = pending) {
      pending = nullptr;
      (*run)();
    }
  }
  static inline std::function<void()>* pending = nullptr;
};

}  // namespace

TEST_F(VersionDialog, ModalOverTheMainWindowUntilClosedAnyWay) {
  struct Case {
    const char* way;
    std::function<void(TVers&)> close;
    int result;
  } cases[] = {
      {"Escape", [](TVers& d) { PostChar(d.Handle(), 27); }, IDCANCEL},
      {"Enter", [](TVers& d) { PostKeyDown(d.BitBtn1.Handle(), VK_RETURN); }, IDOK},
      {"OK", [](TVers& d) { SendMessageA(d.BitBtn1.Handle(), BM_CLICK, 0, 0); }, IDOK},
      {"close box", [](TVers& d) { PostMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
       IDCANCEL},
  };
  TMain& main = Start();
  std::set<HWND> dialogs;
  for (const Case& c : cases) {
    int result = 0;
    WhileShown([&] { result = (Vers = new TVers(main))->ShowModal(); },
               [&](TVers& dialog) {
                 const HWND window = dialog.Handle();
                 dialogs.insert(window);
                 EXPECT_EQ(GetWindow(window, GW_OWNER), main.Handle());
                 EXPECT_FALSE(IsWindowEnabled(main.Handle()));
                 RECT client;
                 GetClientRect(window, &client);
                 EXPECT_EQ(client.right, vers_layout::ClientWidth);
                 EXPECT_EQ(client.bottom, vers_layout::ClientHeight);
                 const POINT centre = CentreOf(window), over = CentreOf(main.Handle());
                 EXPECT_LE(std::abs(centre.x - over.x), 1);
                 EXPECT_LE(std::abs(centre.y - over.y), 1);

                 c.close(dialog);
                 Pump();
                 EXPECT_EQ(Vers, nullptr) << c.way;
                 EXPECT_FALSE(IsWindow(window)) << c.way;
                 EXPECT_TRUE(IsWindowEnabled(main.Handle())) << c.way;
               });
    EXPECT_EQ(result, c.result) << c.way;
  }
  EXPECT_EQ(dialogs.size(), std::size(cases));
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
}

TEST_F(VersionDialog, LinksTurnBlueUnderThePointerAndBlackAfterAndANewDialogStartsAfresh) {
  // A window-text colour of its own, to tell it from the black of a link
  // the pointer has left.
  const int element = COLOR_WINDOWTEXT;
  const COLORREF usual = GetSysColor(element), text = RGB(0, 112, 0);
  SetSysColors(1, &element, &text);
  struct Restore {
    int element;
    COLORREF usual;
    ~Restore() { SetSysColors(1, &element, &usual); }
  } restore{element, usual};
  TMain& main = Start();
  const COLORREF blue = RGB(0, 0, 255), black = RGB(0, 0, 0);

  WhileShown([&] { Click(main.SpeedButton6); },
             [&](TVers& dialog) {
               // The pointer rests elsewhere: under Wine a real move reaches a window
               // late, after the next move has gone. The mouse's messages are posted
               // as the system posts them.
               const POINT away = CentreOf(dialog.BitBtn1.Handle());
               SetCursorPos(away.x, away.y);
               Pump(300);
               EXPECT_EQ(dialog.Url.FontColor(), text);
               EXPECT_EQ(InkOf(dialog.Url), Ink::Green);

               PostMessageA(dialog.Url.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
               Pump(50);
               EXPECT_EQ(dialog.Url.FontColor(), blue);
               EXPECT_EQ(InkOf(dialog.Url), Ink::Blue);
               EXPECT_EQ(dialog.Mai.FontColor(), text);
               // The pointer's shape, as the system asks the window under it.
               SendMessageA(dialog.Url.Handle(), WM_SETCURSOR,
                            reinterpret_cast<WPARAM>(dialog.Url.Handle()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
               EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

               PostMessageA(dialog.Url.Handle(), WM_MOUSELEAVE, 0, 0);
               Pump(50);
               EXPECT_EQ(dialog.Url.FontColor(), black);
               EXPECT_EQ(InkOf(dialog.Url), Ink::Black);
               PostChar(dialog.Handle(), 27);
             });
  SetCursorPos(0, 0);

  WhileShown([&] { Click(main.SpeedButton6); },
             [&](TVers& dialog) {
               Pump(100);
               EXPECT_EQ(dialog.Url.FontColor(), text);
               EXPECT_EQ(InkOf(dialog.Url), Ink::Green);
             });
}

TEST_F(VersionDialog, LinksHandTheShellTheirAddressesAndTheDialogStays) {
  TMain& main = Start();
  WhileShown([&] { Click(main.SpeedButton6); },
             [&](TVers& dialog) {
               ClickOn(dialog.Mai);
               ClickOn(dialog.Url);
               ClickOn(dialog.Label2);  // no link
               toolkit::Label stray;
               stray.tag = 2;
               dialog.LabelClick(stray);
               EXPECT_EQ(Vers, &dialog);
               EXPECT_TRUE(dialog.Visible());

               ASSERT_EQ(shellCalls.size(), 2u);
               EXPECT_EQ(shellCalls[0].target, "mailto:plenkit@example.org");
               EXPECT_EQ(shellCalls[1].target, "http://www.example.org/plenkit/");
               for (const ShellCall& call : shellCalls) {
                 EXPECT_EQ(call.owner, dialog.Handle());
                 EXPECT_EQ(call.show, SW_SHOW);
               }
             });
}

TEST_F(VersionDialog, HelpButtonAsksForTheHelpFileNamedAfterTheRunningProgram) {
  TMain& main = Start();
  Click(main.SpeedButton7);
  ASSERT_EQ(shellCalls.size(), 1u);
  // This program is not called Plenkit: its help would bear its own name.
  EXPECT_EQ(shellCalls[0].target, ProgramFolder() + "main_window_tests.chm");
  EXPECT_EQ(shellCalls[0].owner, main.Handle());
  EXPECT_EQ(shellCalls[0].show, SW_SHOWNORMAL);

  // The real shell, and no such file: nothing opens, nothing is said.
  toolkit::SetShellOpenForTest(nullptr);
  ASSERT_FALSE(testing_support::Exists(shellCalls[0].target));
  const auto shown = [] {
    const auto visible = [](HWND window) { return IsWindowVisible(window) != FALSE; };
    return static_cast<int>(testing_support::TopLevelWindows(visible).size());
  };
  const int before = shown();
  Click(main.SpeedButton7);
  Pump(1500);
  EXPECT_EQ(shown(), before);
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
}

TEST_F(VersionDialog, Screenshot) {
  TMain& main = Start();
  WhileShown([&] { Click(main.SpeedButton6); },
             [&](TVers& dialog) {
               PointAt(dialog, dialog.Mai);
               EXPECT_EQ(ShownTip(dialog.Handle()), "ﾒｰﾙを出す");
               EXPECT_EQ(InkOf(dialog.Mai), Ink::Blue);
               SaveScreenshot(GetDesktopWindow(), "version_dialog_link");
             });
  SetCursorPos(0, 0);
}

// --- The program itself with the real help viewer

TEST(HelpViewer, TheProgramUnderAnotherNameOpensItsOwnHelpAndClosesOnlyThatViewerAtExit) {
  InitApplication();
  testing_support::Sandbox box(std::initializer_list<const char*>{});
  // Only the help file named like the program lies beside it.
  const std::string program = box.Path("別名.exe");
  ASSERT_TRUE(CopyFileA((OutputFolder() + "Plenkit.exe").c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileA((OutputFolder() + "Plenkit.chm").c_str(), box.Path("別名.chm").c_str(), FALSE));

  // Someone else's help, whose title begins like the program's own.
  const char kOtherTitle[] = "Plenkitのﾍﾙﾌﾟ (旧版)";
  ShellExecuteA(nullptr, nullptr, (ProgramFolder() + "other_help.chm").c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
  const HWND other = WaitForWindow("HH Parent", kOtherTitle, 0, 15000);
  ASSERT_NE(other, nullptr);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = "\"" + program + "\"";
  ASSERT_TRUE(CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             box.Folder().c_str(), &startup, &process));
  const HWND main = WaitForWindow("TMain", "Plenkit", process.dwProcessId, 15000);
  ASSERT_NE(main, nullptr);
  const HWND help = ToolButtonAt(main, main_layout::Buttons[6].bounds.left);
  ASSERT_NE(help, nullptr);
  PostMessageA(help, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(help, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const HWND viewer = WaitForWindow("HH Parent", "Plenkitのﾍﾙﾌﾟ", 0, 15000);
  EXPECT_NE(viewer, nullptr);
  if (viewer) SaveScreenshot(GetDesktopWindow(), "help_viewer");

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }, 10000));
  EXPECT_TRUE(IsWindow(other));

  for (HWND window : {other, viewer}) {
    if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  PumpUntil([&] { return !IsWindow(other) && !IsWindow(viewer); }, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
