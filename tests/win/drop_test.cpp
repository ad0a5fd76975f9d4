// Files dropped on the main window and its keys: real WM_DROPFILES with
// drop handles made here, key messages with modifiers held.
#include <gtest/gtest.h>

#include <functional>

#include "Trobixprog.h"
#include "win/main_window_fixture.h"

using namespace window_support;

namespace {

// Calls `onRow` with n each time the list is asked to add its nth row
// (counted from 0) since the watch began: the moment a drop handles that
// file.
class RowWatch {
 public:
  RowWatch(HWND list, std::function<void(int nth)> onRow) : list_(list), onRow_(std::move(onRow)) {
    active_ = this;
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~RowWatch() {
    SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    active_ = nullptr;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RowWatch& self = *active_;
    if (message == LVM_INSERTITEMA) self.onRow_(self.seen_++);
    return CallWindowProcA(self.original_, window, message, wParam, lParam);
  }
  static inline RowWatch* active_ = nullptr;
  HWND list_;
  std::function<void(int)> onRow_;
  int seen_ = 0;
  WNDPROC original_;
};

class Drops : public MainWindowFixture {
 protected:
  // `count` archives named stem0.lzh, stem1.lzh...
  std::vector<std::string> Archives(const std::string& stem, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back(box().Archive(stem + std::to_string(i) + ".lzh", "STANDIN\nentry x\n"));
    }
    return paths;
  }

  // What the progress dialog's bar shows.
  static int ShownPosition() {
    return static_cast<int>(SendMessageA(Prog->PB.Handle(), PBM_GETPOS, 0, 0));
  }
};

}  // namespace

TEST_F(Drops, ProgressDialogOnlyAboveOneHundredFiles) {
  TMain& main = Start();
  struct Case {
    int files;
    bool dialog;
  } cases[] = {{100, false}, {101, true}};
  int rows = 0;
  for (const Case& c : cases) {
    bool shown = false;
    int maximum = 0;
    RECT placed{};
    {
      RowWatch watch(main.LV.Handle(), [&](int nth) {
        if (nth != 50) return;
        shown = Prog->Visible();
        maximum = Prog->PB.Maximum();
        placed = Prog->Bounds();
      });
      PostDrop(main.Handle(), Archives("f" + std::to_string(c.files) + "_", c.files));
    }
    rows += c.files;
    EXPECT_EQ(shown, c.dialog) << c.files;
    EXPECT_EQ(main.LV.Count(), rows);
    EXPECT_FALSE(Prog->Visible());
    if (!c.dialog) continue;
    EXPECT_EQ(maximum, 101);
    EXPECT_EQ(ShownPosition(), 101);  // full at the end
    // In the middle of the window the files were dropped on.
    const RECT over = main.Bounds();
    EXPECT_EQ(placed.left, over.left + (main.Width() - Prog->Width()) / 2);
    EXPECT_EQ(placed.top, over.top + (main.Height() - Prog->Height()) / 2);
  }
  EXPECT_EQ(main.SB.Text(0), " 201");
}

TEST_F(Drops, AbortIsSeenAtTheNextMessageStopAndOnlyForThatDrop) {
  TMain& main = Start();
  {
    RowWatch watch(main.LV.Handle(), [](int nth) {
      if (nth == 10) PostMessageA(Prog->BitBtn1.Handle(), BM_CLICK, 0, 0);
    });
    PostDrop(main.Handle(), Archives("big", 500));
  }
  // Files 0 to 40: the click waited for the messages let through after 40.
  EXPECT_EQ(main.LV.Count(), 41);
  EXPECT_EQ(main.SB.Text(0), "  41");
  EXPECT_EQ(ShownPosition(), 41);  // every step taken shows
  EXPECT_FALSE(Prog->Visible());
  EXPECT_EQ(GetFocus(), main.LV.Handle());

  PostDrop(main.Handle(), Archives("small", 10));
  EXPECT_EQ(main.LV.Count(), 51);
  PostDrop(main.Handle(), Archives("again", 150));
  EXPECT_EQ(main.LV.Count(), 201);
}

TEST_F(Drops, ClosingTheDialogHidesItAndTheDropGoesOn) {
  TMain& main = Start();
  bool hidden = false;
  {
    RowWatch watch(main.LV.Handle(), [&](int nth) {
      if (nth == 10) PostMessageA(Prog->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
      if (nth == 100) hidden = !Prog->Visible();
    });
    PostDrop(main.Handle(), Archives("c", 150));
  }
  EXPECT_TRUE(hidden);
  EXPECT_FALSE(Prog->AbortRequested);
  EXPECT_EQ(main.LV.Count(), 150);
}

TEST_F(Drops, ExitDuringADropEndsItAndTheWindowGoesAfterwards) {
  TMain& main = Start();
  int handled = 0;
  {
    RowWatch watch(main.LV.Handle(), [&](int nth) {
      handled = nth + 1;
      if (nth == 10) PostMessageA(main.Handle(), WM_COMMAND, main.MM2.id, 0);
    });
    PostDrop(main.Handle(), Archives("x", 300));
  }
  EXPECT_EQ(handled, 41);
  EXPECT_EQ(Main, nullptr);
  EXPECT_TRUE(testing_support::Exists(TMain::SettingsPath()));
}

TEST_F(Drops, OnlyListableArchivesBecomeRows) {
  TMain& main = Start();
  const std::string a = box().Archive("a.lzh", "STANDIN\nentry x\n");
  const std::string zip = box().Archive("B.ZIP", "STANDIN\nentry x\n");
  const std::string notes = box().Archive("notes.txt", "STANDIN\nentry x\n");
  const std::string folder = box().Path("dir.zip");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string upper = a;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  // Longer than the 260-character buffer: cut, and then not found.
  const std::string tooLong = box().Path(std::string(300, 'n') + ".lzh");
  PostDrop(main.Handle(), {a, notes, folder, upper, tooLong, box().Path("gone.cab"), zip});
  ASSERT_EQ(main.LV.Count(), 2);
  EXPECT_EQ(main.Row(0).path, a);
  EXPECT_EQ(main.Row(1).path, zip);
  EXPECT_EQ(main.SB.Text(0), "   2");

  // The same from a shell that hands over UTF-16 names.
  const std::string japanese = box().Archive("表ソ.lzh", "STANDIN\nentry x\n");
  PostDrop(main.Handle(), {japanese, notes, upper, tooLong}, true);
  ASSERT_EQ(main.LV.Count(), 3);
  EXPECT_EQ(main.Row(2).path, japanese);
}

TEST_F(Drops, DuplicateTestFollowsEveryAddRemovalAndClearing) {
  TMain& main = Start();
  const std::vector<std::string> ab = Archives("d", 2);
  PostDrop(main.Handle(), ab);
  main.LV.SetSelected(0, true);
  PostKeyUp(main.LV.Handle(), VK_DELETE);
  ASSERT_EQ(main.LV.Count(), 1);
  PostDrop(main.Handle(), ab);  // the removed one comes back, the other is refused
  ASSERT_EQ(main.LV.Count(), 2);
  EXPECT_EQ(main.Row(0).path, ab[1]);
  EXPECT_EQ(main.Row(1).path, ab[0]);
  main.LV.Clear();
  PostDrop(main.Handle(), {ab[1]});
  EXPECT_EQ(main.LV.Count(), 1);
}

TEST(ListedPathsRule, SameAsTheLocalesComparisonWithCaseIgnored) {
  const std::pair<std::string, std::string> pairs[] = {
      {"C:\\A\\X.LZH", "c:\\a\\x.lzh"}, {"C:\\Ａ.lzh", "C:\\ａ.lzh"},
      {"C:\\A.lzh", "C:\\Ａ.lzh"},      {"C:\\ｶ.lzh", "C:\\カ.lzh"},
      {"C:\\ソ表.lzh", "C:\\ソ表.LZH"}, {"C:\\α.lzh", "C:\\Α.lzh"},
      {"C:\\a.lzh", "C:\\a.lzh "},      {"C:\\a-b.lzh", "C:\\ab.lzh"},
  };
  for (const auto& [one, other] : pairs) {
    ListedPaths listed;
    listed.Add(one);
    const bool equal = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, one.c_str(), -1,
                                      other.c_str(), -1) == CSTR_EQUAL;
    EXPECT_EQ(listed.Contains(other), equal) << one << " / " << other;
  }
}

TEST_F(Drops, Screenshot) {
  TMain& main = Start();
  RowWatch watch(main.LV.Handle(), [](int nth) {
    if (nth == 150) SaveScreenshot(GetDesktopWindow(), "progress_dialog");
  });
  PostDrop(main.Handle(), Archives("shot", 300));
  EXPECT_EQ(main.LV.Count(), 300);
}

// --- Keys

TEST_F(Drops, CtrlASelectsEveryRowAndDeleteRemovesTheSelected) {
  TMain& main = Start();
  main.CB.SetFocus();
  PostKeyUp(main.CB.Handle(), 'A', {VK_CONTROL});
  EXPECT_EQ(GetFocus(), main.LV.Handle());
  EXPECT_EQ(main.LV.SelectedCount(), 0);

  PostDrop(main.Handle(), Archives("k", 3));
  main.LV.SetSelected(-1, false);
  PostKeyUp(main.LV.Handle(), VK_DELETE);
  EXPECT_EQ(main.LV.Count(), 3);

  main.CB.SetFocus();
  PostKeyUp(main.CB.Handle(), 'A', {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(GetFocus(), main.LV.Handle());
  EXPECT_EQ(main.LV.SelectedCount(), 3);
  PostKeyUp(main.LV.Handle(), VK_DELETE);
  EXPECT_EQ(main.LV.Count(), 0);
  EXPECT_EQ(main.SB.Text(0), "   0");
}
