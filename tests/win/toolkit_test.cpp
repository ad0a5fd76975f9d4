// The toolkit's own promises: the idle slot, key preview, close actions.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menus.h"
#include "win/window_support.h"

using namespace toolkit;
using window_support::Pump;

namespace {

constexpr FormLayout kLayout = {
    "TTestForm", "test", 10, 10, 200, 120, {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, false, true};

// A form with one check box, recording what reaches it.
class Probe : public Form {
 public:
  Probe(bool preview, CloseAction action) : Form(kLayout, nullptr) {
    keyPreview = preview;
    defaultCloseAction = action;
    box.Create(Handle(), {4, 4, 80, 17}, "x");
    Adopt(box);
    box.onKeyPress = [this](Control&, char& key) { controlKeys += key; };
  }
  ~Probe() override { *alive = false; }

  CheckBox box;
  std::string formKeys, controlKeys;
  char swallow = 0;
  int shows = 0;
  bool* alive = &dummy;

 protected:
  void FormKeyPress(char& key) override {
    formKeys += key;
    if (key == swallow) key = 0;
  }
  void FormShow() override { ++shows; }

 private:
  bool dummy = true;
};

// The second panel's text each time a status bar is drawn.
WNDPROC statusBarProc = nullptr;
std::vector<std::string> drawnWith;

LRESULT CALLBACK WatchedStatusBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    char text[64] = {};
    SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    drawnWith.push_back(text);
  }
  return CallWindowProcA(statusBarProc, bar, message, wParam, lParam);
}

}  // namespace

TEST(Toolkit, IdleHandlerRunsWhenTheQueueIsEmptyUntilItLetsGo) {
  window_support::InitApplication();
  int calls = 0;
  bool posted = false;
  App.onIdle = [&] {
    ++calls;
    if (calls == 3) {
      App.onIdle = nullptr;  // the handler empties its own slot
      PostQuitMessage(7);
      posted = true;
    }
  };
  EXPECT_EQ(App.Run(), 7);
  EXPECT_TRUE(posted);
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(App.onIdle);
}

TEST(Toolkit, KeyPreviewSeesKeysFirstAndMaySwallowThem) {
  window_support::InitApplication();
  auto* form = new Probe(true, CloseAction::Free);
  form->swallow = '\x1b';
  form->Show();
  window_support::PostChar(form->box.Handle(), 'a');
  window_support::PostChar(form->box.Handle(), '\x1b');
  EXPECT_EQ(form->formKeys, "a\x1b");
  EXPECT_EQ(form->controlKeys, "a");
  DestroyWindow(form->Handle());
  Pump();

  auto* plain = new Probe(false, CloseAction::Free);
  plain->Show();
  window_support::PostChar(plain->box.Handle(), 'b');
  EXPECT_EQ(plain->formKeys, "");
  EXPECT_EQ(plain->controlKeys, "b");
  DestroyWindow(plain->Handle());
  Pump();
}

TEST(Toolkit, CloseActionHidesOrFrees) {
  window_support::InitApplication();
  bool alive = true;
  auto* hidden = new Probe(false, CloseAction::Hide);
  hidden->alive = &alive;
  hidden->Show();
  hidden->Close();
  Pump();
  ASSERT_TRUE(alive);
  EXPECT_FALSE(hidden->Visible());
  hidden->Show();
  EXPECT_EQ(hidden->shows, 2);  // the show event comes with every show

  auto* freed = new Probe(false, CloseAction::Free);
  bool freedAlive = true;
  freed->alive = &freedAlive;
  freed->Show();
  freed->Close();
  Pump();
  EXPECT_FALSE(freedAlive);

  DestroyWindow(hidden->Handle());
  Pump();
  EXPECT_FALSE(alive);
}

TEST(Toolkit, MenuItemsAnswerOnlyWhileTheyLive) {
  const MenuItemLayout layouts[] = {{"MM1", 1, "a"}, {"MM2", 2, "b"}};
  UINT first = 0, second = 0;
  {
    PopupMenu menu;  // declared before its items, so it outlives them
    {
      MenuItem a, b;
      menu.Create({&a, &b}, layouts);
      first = a.id, second = b.id;
      EXPECT_EQ(FindMenuItem(first), &a);
    }
    EXPECT_EQ(FindMenuItem(first), nullptr);
    EXPECT_EQ(FindMenuItem(second), nullptr);
  }
  MenuItem c;
  {
    PopupMenu menu;
    menu.Create({&c}, layouts);
    first = c.id;
  }
  EXPECT_EQ(FindMenuItem(first), nullptr);
}

TEST(Toolkit, AFailingKeyHandlerEndsInTheErrorBoxAndTheLoopGoesOn) {
  window_support::InitApplication();
  auto* form = new Probe(true, CloseAction::Free);
  form->box.onKeyPress = [form](Control&, char& key) {
    form->controlKeys += key;
    if (key == 'x') throw std::runtime_error("no key x here");
  };
  form->Show();
  {
    window_support::DialogDriver errorBox({{IDOK}});
    window_support::PostChar(form->box.Handle(), 'x');
    EXPECT_NE(errorBox.Texts().find("no key x here"), std::string::npos) << errorBox.Texts();
  }
  window_support::PostChar(form->box.Handle(), 'y');
  EXPECT_EQ(form->formKeys, "xy");
  EXPECT_EQ(form->controlKeys, "xy");
  DestroyWindow(form->Handle());
  Pump();
}

TEST(Toolkit, StatusTextsSetTogetherAreDrawnOnceAndShowNoHiddenBar) {
  window_support::InitApplication();
  auto* form = new Probe(false, CloseAction::Free);
  StatusBar shown, hidden;
  shown.Create(form->Handle(), 19, {{30, 1, ""}, {80, 0, ""}, {80, 2, "kept"}});
  hidden.Create(form->Handle(), 19, {{30, 0, ""}, {80, 0, ""}});
  shown.SetBounds(0, 40, 190, 19);
  hidden.SetBounds(0, 60, 190, 19);
  ShowWindow(hidden.Handle(), SW_HIDE);
  form->Show();
  Pump();
  statusBarProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      shown.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedStatusBar)));
  drawnWith.clear();

  shown.SetTexts({"12", "3.00KB"});
  Pump();
  EXPECT_EQ(drawnWith, std::vector<std::string>{"3.00KB"});
  EXPECT_EQ(shown.Text(0), "12");
  EXPECT_EQ(shown.Text(2), "kept");
  EXPECT_TRUE(IsWindowVisible(shown.Handle()));

  // A count too wide for its panel widens it, moving the next panel along
  // at its own width, and the panel narrows again with its text.
  const auto rectOf = [&](int panel) {
    RECT r{};
    SendMessageA(shown.Handle(), SB_GETRECT, panel, reinterpret_cast<LPARAM>(&r));
    return r;
  };
  const RECT narrow = rectOf(0), second = rectOf(1);
  shown.SetText(0, "1000000");
  HDC dc = GetDC(shown.Handle());
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(shown.Handle(), WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc, "1000000", 7, &extent);
  ReleaseDC(shown.Handle(), dc);
  const RECT wide = rectOf(0), moved = rectOf(1);
  EXPECT_GT(wide.right - wide.left, extent.cx);
  EXPECT_EQ(moved.left - second.left, wide.right - narrow.right);
  EXPECT_EQ(moved.right - moved.left, second.right - second.left);
  shown.SetText(0, "12");
  EXPECT_EQ(rectOf(0).right, narrow.right);

  hidden.SetTexts({"a", "b"});
  EXPECT_EQ(hidden.Text(1), "b");
  EXPECT_FALSE(GetWindowLongPtrA(hidden.Handle(), GWL_STYLE) & WS_VISIBLE);
  DestroyWindow(form->Handle());
  Pump();
}
