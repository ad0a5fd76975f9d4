// The main window's notification-area icon: its mouse messages as the
// shell sends them, the window hidden to it and back, the taskbar's entries
// meanwhile, its menu.
#include <gtest/gtest.h>

#include "win/main_window_fixture.h"

using namespace window_support;

namespace {

class NotificationIcon : public MainWindowFixture {
 protected:
  void Icon(UINT mouseMessage) {
    SendMessageA(Main->Handle(), WM_NOTIFYICON, 1, mouseMessage);
    Pump();
  }

  // Windows of the program that the taskbar shows: visible, unowned ones.
  static int TaskbarWindows() {
    const auto onTheTaskbar = [](HWND window) {
      return IsWindowVisible(window) && !GetWindow(window, GW_OWNER) &&
             !(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    };
    return static_cast<int>(
        testing_support::ThreadWindows(GetCurrentThreadId(), onTheTaskbar).size());
  }
};

}  // namespace

TEST_F(NotificationIcon, DoubleClickOnTheIconHidesAndShowsWindowAndTaskbarEntry) {
  TMain& main = Start();
  Icon(WM_LBUTTONDBLCLK);
  EXPECT_FALSE(main.Visible());
  EXPECT_EQ(TaskbarWindows(), 0);
  SaveScreenshot(GetDesktopWindow(), "hidden_to_icon");
  Icon(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(main.Visible());
  EXPECT_EQ(TaskbarWindows(), 1);
  Icon(WM_MOUSEMOVE);
  EXPECT_TRUE(main.Visible());
}

TEST_F(NotificationIcon, TheTaskbarEntryStaysWhileAnyWindowIsVisible) {
  TMain& main = Start(Quoted(box().Archive("a.lzh", kArchive)));
  main.LV.SetSelected(0, true);
  main.ListViewDblClick();
  TView& view = *View;
  Icon(WM_LBUTTONDBLCLK);  // hidden to the icon, the contents window open
  EXPECT_FALSE(main.Visible());
  EXPECT_EQ(TaskbarWindows(), 1);
  SaveScreenshot(GetDesktopWindow(), "taskbar_entry");
  // The entry, chosen, brings the contents window to the front.
  const HWND entry = FindWindowA("TApplication", "Plenkit");
  ASSERT_TRUE(entry && IsWindowVisible(entry));
  SetForegroundWindow(entry);
  EXPECT_EQ(GetForegroundWindow(), entry);
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == view.Handle(); }, 5000));

  view.Close();
  Pump();
  EXPECT_EQ(TaskbarWindows(), 0);
  Icon(WM_LBUTTONDBLCLK);
  EXPECT_FALSE(IsWindowVisible(entry));
  EXPECT_EQ(TaskbarWindows(), 1);  // the main window's own
}

TEST_F(NotificationIcon, IconMenuNamesWhatItsFirstItemWillDo) {
  TMain& main = Start();
  // The pointer where the icon sits, bottom right in the desktop's tray.
  SetCursorPos(1010, 757);
  for (const bool visible : {true, false}) {
    visible ? main.Show() : main.Hide();
    std::string caption;
    {
      const auto look = [&](HWND window) {
        caption = main.MM1.Caption();
        if (visible) SaveScreenshot(GetDesktopWindow(), "icon_menu");
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
      };
      DialogDriver menu({{0, nullptr, look, "#32768"}});
      Icon(WM_RBUTTONUP);
      EXPECT_NE(menu.Dialog(), nullptr);
    }
    EXPECT_EQ(caption, visible ? "隠す" : "出す");
  }
  SetCursorPos(0, 0);
}

TEST_F(NotificationIcon, ExitWhileHiddenSavesTheHiddenWindowsBounds) {
  TMain& main = Start();
  main.SetBounds(40, 50, 420, 260);
  Icon(WM_LBUTTONDBLCLK);
  PostMessageA(main.Handle(), WM_COMMAND, main.MM2.id, 0);
  Pump();
  EXPECT_EQ(Main, nullptr);
  const std::string file = TMain::SettingsPath();
  EXPECT_EQ(GetPrivateProfileIntA("Main", "FormLeft", 0, file.c_str()), 40);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "FormTop", 0, file.c_str()), 50);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "FormWidth", 0, file.c_str()), 420);
}
