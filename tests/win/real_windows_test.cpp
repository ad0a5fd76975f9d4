// Real archives through Plenkit's own windows: the main window's three ways
// of extracting, the contents window's list and its extraction of every
// member, and the viewer's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "Trobixlook.h"
#include "toolkit/dialogs.h"
#include "win/main_window_fixture.h"
#include "win/real_archives.h"

using namespace window_support;
using namespace real_archives;
using testing_support::ReadBytes;

namespace {

class RealWindows : public MainWindowFixture {
 protected:
  void TearDown() override {
    toolkit::SetFolderDialogForTest(nullptr);
    MainWindowFixture::TearDown();
  }

  // Every file member of `archive` under `folder`, as archived: the
  // differences, one line each.
  static std::string Differences(const std::string& archive, const std::string& folder) {
    std::string differences;
    for (const Row& row : ToolListing(Folder() + archive)) {
      if (row.name.back() == '\\' || row.name == "testlink") continue;
      if (ReadBytes(folder + row.name) != Original(archive, row.name))
        differences += row.name + "\n";
    }
    return differences;
  }
};

}  // namespace

TEST_F(RealWindows, EveryWayOfExtractingGivesTheArchivedBytes) {
  for (const char* archive :
       {"lh7_level2.lzh", "deflate.zip", "mszip.cab", "m3.arj", "rar5_solid.rar"}) {
    SCOPED_TRACE(archive);
    const std::string copy = box().Path(archive);
    testing_support::WriteBytes(copy, ReadBytes(Folder() + archive));
    TMain& main = Start(Quoted(copy));
    ASSERT_EQ(main.LV.Count(), 1);
    main.LV.SetSelected(0, true);

    std::string chosen;
    toolkit::SetFolderDialogForTest([&chosen](HWND, const std::string&, const std::string&) {
      return std::optional<std::string>(chosen);
    });
    chosen = box().Path(std::string("each-") + archive + "\\");
    Click(main.SpeedButton1);
    EXPECT_EQ(Differences(archive, chosen), "");
    chosen = box().Path(std::string("one-") + archive + "\\");
    Click(main.SpeedButton2);
    EXPECT_EQ(Differences(archive, chosen), "");
    main.CB.SetChecked(true);  // a folder of the archive's name beside it
    Click(main.SpeedButton3);
    const std::string base = std::string(archive).substr(0, std::strcspn(archive, "."));
    EXPECT_EQ(Differences(archive, box().Path(base + "\\")), "");

    TView& view = OpenContents(main, 0);
    EXPECT_EQ(view.LV.Count(), static_cast<int>(ToolListing(Folder() + archive).size()));
    for (int row = 0; row < view.LV.Count(); ++row) view.LV.SetSelected(row, true);
    chosen = box().Path(std::string("contents-") + archive + "\\");
    view.ExtractSelected();
    EXPECT_EQ(Differences(archive, chosen), "");
    view.Close();
    Stop();
    Pump();
  }
}

TEST_F(RealWindows, TheViewerShowsATextMemberAsArchived) {
  const std::string copy = box().Path("lh6_level0.lzh");
  testing_support::WriteBytes(copy, ReadBytes(Folder() + "lh6_level0.lzh"));
  TMain& main = Start(Quoted(copy));
  TView& view = OpenContents(main, 0);
  SaveScreenshot(GetDesktopWindow(), "real_contents");
  int row = 0;
  while (row < view.LV.Count() && view.LV.Text(row, 0) != "表示.txt") ++row;
  ASSERT_LT(row, view.LV.Count());
  view.LV.SetSelected(-1, false);
  view.LV.SetSelected(row, true);
  view.ListViewDblClick();
  Pump();
  ASSERT_NE(Look, nullptr);
  EXPECT_TRUE(Look->Memo.Text() == Original("lh6_level0.lzh", "表示.txt"));
  SaveScreenshot(GetDesktopWindow(), "real_viewer");
}

// What the user sees of an archive the archivers cannot read whole, through
// the toolbar's "beside itself" with a folder of the archive's name: the
// main list's count, the archiver's word on it, what is left on disk, and
// the contents window's rows.
TEST_F(RealWindows, UnreadableArchivesSayWhyAndLeaveNoEmptyFolder) {
  const struct {
    const char* archive;
    const char* count;              // in the main list
    const char* said;               // in the failure box; null: no box
    std::vector<std::string> left;  // under the folder named after the archive
    int rows;                       // in the contents window
  } cases[] = {
      // A download stopped half way: nothing of it can be read.
      {"hostile\\truncated.zip",
       "-1",
       "truncated.zip から、次のファイルを書き出せませんでした。\n\n"
       "書庫のヘッダが壊れているか、途中で切れています",
       {},
       0},
      // Plenkit makes an LZH's folder itself, before the call.
      {"unreadable\\cut.lzh",
       "-1",
       "書庫のヘッダが壊れているか、途中で切れています",
       {"(empty)"},
       0},
      // What can be read is written, and the box says what could not be.
      {"hostile\\truncated.lzh",
       "3",
       "lf.txt より後のファイル：書庫のヘッダが壊れているか",
       {"lf.txt:5090", "readme.txt:1160", "表示.txt:7823"},
       3},
      // Members refused, each of them: no folder made for them.
      {"unreadable\\unsupported.zip", "2", "この形式の展開には対応していません", {}, 2},
      {"crypto.zip", "1", "パスワードが必要です", {}, 1},
      // No date at all is 1980-01-01: every member listed and written.
      {"unreadable\\zerodate.zip",
       "3",
       nullptr,
       {"c.txt:920", "dir\\", "dir\\a.txt:920", "dir\\b.txt:920"},
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string name = std::string(c.archive).substr(std::string(c.archive).rfind('\\') + 1);
    const std::string copy = box().Path(name), base = box().Path(name.substr(0, name.find('.')));
    testing_support::WriteBytes(copy, ReadBytes(Folder() + c.archive));
    TMain& main = Start(Quoted(copy));
    ASSERT_EQ(main.LV.Count(), 1);
    EXPECT_EQ(main.LV.Text(0, 2), c.count);
    main.LV.SetSelected(0, true);
    main.CB.SetChecked(true);
    std::vector<std::string> boxes = testing_support::DialogsDuring(
        [&] { Click(main.SpeedButton3); },
        [](const std::string& texts) {
          return Archivers::IsPasswordBox(texts) ? Archivers::kSkipPassword : IDOK;
        });
    // An encrypted member's password box comes first, and is skipped.
    const auto asked = std::count_if(boxes.begin(), boxes.end(), Archivers::IsPasswordBox);
    boxes.erase(std::remove_if(boxes.begin(), boxes.end(), Archivers::IsPasswordBox), boxes.end());
    EXPECT_EQ(asked, c.said && std::strstr(c.said, "パスワード") ? 1 : 0);
    ASSERT_EQ(boxes.size(), c.said ? 1u : 0u) << testing::PrintToString(boxes);
    if (c.said) {
      EXPECT_NE(boxes[0].find(c.said), std::string::npos) << boxes[0];
    }
    std::vector<std::string> left = Tree(base);
    if (left.empty() && testing_support::IsFolder(base)) left.push_back("(empty)");
    EXPECT_EQ(left, c.left);
    TView& view = OpenContents(main, 0);
    EXPECT_EQ(view.LV.Count(), c.rows);
    view.Close();
    Stop();
    Pump();
  }
}

// A contents window sends one command per selected member: the box asks
// once for each password, not once for each member, and the viewer asks
// for the member it shows.
TEST_F(RealWindows, AContentsWindowAsksOnceForEachPassword) {
  const std::string copy = box().Path("two_passwords.zip");
  testing_support::WriteBytes(copy, ReadBytes(Folder() + "passwords\\two_passwords.zip"));
  TMain& main = Start(Quoted(copy));
  TView& view = OpenContents(main, 0);
  ASSERT_EQ(view.LV.Count(), 3);
  view.LV.SelectAll();
  const std::string chosen = box().Path("out\\");
  toolkit::SetFolderDialogForTest([&chosen](HWND, const std::string&, const std::string&) {
    return std::optional<std::string>(chosen);
  });
  std::vector<std::string> typed;
  const auto type = [&typed](const std::string& texts) {
    if (!Archivers::IsPasswordBox(texts)) return 0;
    const char* password = texts.find("表示.txt") != std::string::npos ? "other" : "secret";
    typed.push_back(password);
    SetDlgItemTextA(testing_support::AnsweredDialog(), Archivers::kPasswordEdit, password);
    if (typed.size() == 1) SaveScreenshot(GetDesktopWindow(), "password_box");
    return static_cast<int>(IDOK);
  };
  testing_support::DialogsDuring([&] { view.ExtractSelected(); }, type);
  EXPECT_EQ(typed, (std::vector<std::string>{"secret", "other"}));
  EXPECT_EQ(Differences("passwords\\two_passwords.zip", chosen), "");

  typed.clear();
  view.LV.SetSelected(-1, false);
  int row = 0;
  while (row < view.LV.Count() && view.LV.Text(row, 0) != "readme.txt") ++row;
  view.LV.SetSelected(row, true);
  testing_support::DialogsDuring(
      [&] {
        view.ListViewDblClick();
        Pump();
      },
      type);
  EXPECT_EQ(typed, std::vector<std::string>{"secret"});
  ASSERT_NE(Look, nullptr);
  EXPECT_TRUE(Look->Memo.Text() == Original("x.zip", "readme.txt"));
}
