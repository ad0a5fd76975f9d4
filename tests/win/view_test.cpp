// The archive contents window on real windows, the stand-ins serving the
// entries: row texts, totals, the listing at the first idle moment, and
// several windows at once.
#include <gtest/gtest.h>

#include <optional>

#include "Trobixview.h"
#include "toolkit/dialogs.h"
#include "win/main_window_fixture.h"
#include "../../resources/view_layout.h"

using namespace window_support;
using testing_support::DialogsDuring;

namespace {

class Contents : public MainWindowFixture {
 protected:
  static std::string RowLine(const TView& view, int row) {
    std::string line;
    for (int column = 0; column < 5; ++column) line += view.LV.Text(row, column) + "|";
    return line;
  }

  static std::string StatusLine(const TView& view) {
    std::string line;
    for (int panel = 0; panel < 4; ++panel) line += view.SB.Text(panel) + "|";
    return line;
  }
};

}  // namespace

TEST_F(Contents, RowAndTotalTexts) {
  const std::string name259 = [] {
    std::string name;
    for (int i = 0; i < 129; ++i) name += "表";
    return name + "x";
  }();
  struct Case {
    const char* entries;
    std::vector<std::string> rows;
    const char* status;
  } cases[] = {
      {"", {}, "   0|      0.00KB|      0.00KB|  0.0%|"},
      {"entry a.txt\nsize 1536\npacked 1536\nratio 523\ndate 0x2A21\ntime 0x6B5E\n",
       {"a.txt|     1.54KB|     1.54KB|52.3%|2001/01/01 13:26|"},
       "   1|      1.54KB|      1.54KB|100.0%|"},
      {"entry big\nsize 3000000000\npacked 0\n",
       {"big|3000000.00KB|     0.00KB|0.0%|2001/01/01 00:00|"},
       "   1|3000000.00KB|      0.00KB|  0.0%|"},
      // No month and no day: not listed, not counted.
      {"entry gone\ndate 0x2A00\nentry kept\nsize 250000\npacked 100000\n",
       {"kept|   250.00KB|   100.00KB|0.0%|2001/01/01 00:00|"},
       "   1|    250.00KB|    100.00KB| 40.0%|"},
      {"count -1\nentry x\nentry y\n",
       {"x|     0.00KB|     0.00KB|0.0%|2001/01/01 00:00|",
        "y|     0.00KB|     0.00KB|0.0%|2001/01/01 00:00|"},
       "   2|      0.00KB|      0.00KB|  0.0%|"},
  };
  std::string arguments;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    arguments += Quoted(box().Archive("case" + std::to_string(i) + ".lzh",
                                      std::string("STANDIN\n") + cases[i].entries)) +
                 " ";
  }
  arguments += Quoted(box().Archive("long.lzh", "STANDIN\nentry " + name259 + "\n"));
  TMain& main = Start(arguments);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    TView& view = OpenContents(main, static_cast<int>(i));
    std::vector<std::string> rows;
    for (int row = 0; row < view.LV.Count(); ++row) rows.push_back(RowLine(view, row));
    EXPECT_EQ(rows, cases[i].rows) << i;
    EXPECT_EQ(StatusLine(view), cases[i].status) << i;
    EXPECT_EQ(view.LV.SelectedCount(), 0);
    view.Close();
  }
  TView& view = OpenContents(main, static_cast<int>(std::size(cases)));
  EXPECT_EQ(view.LV.Text(0, 0), name259);

  // Another program may ask for any row and sub-item: what the list does not
  // hold is an empty text, as the control itself would answer.
  std::string asked;
  const std::vector<std::string> boxes = DialogsDuring([&] {
    const std::pair<int, int> requests[] = {{0, 4}, {0, 5}, {0, 99}};
    for (const auto& [row, column] : requests) {
      char text[64] = "untouched";
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(view.LV.Handle(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      asked += std::string(text) + "|";
    }
  });
  EXPECT_EQ(asked, "2001/01/01 00:00|||");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Contents, EachWindowListsItsOwnArchiveAndOutlivesTheOther) {
  const std::string a = box().Archive("a.lzh", "STANDIN\nentry one\nentry two\n");
  const std::string b = box().Archive("ソ表.zip", "STANDIN\nentry three\n");
  TMain& main = Start(Quoted(a) + " " + Quoted(b));
  TView& first = OpenContents(main, 0);
  TView& second = OpenContents(main, 1);
  EXPECT_EQ(View, &second);
  EXPECT_EQ(first.Caption(), "a.lzh");
  EXPECT_EQ(second.Caption(), "ソ表.zip");
  EXPECT_EQ(first.LV.Count(), 2);
  EXPECT_EQ(RowLine(second, 0), "three|     0.00KB|     0.00KB|0.0%|2001/01/01 00:00|");
  // Placed at the main window's top-left, at its own size.
  EXPECT_EQ(second.Left(), main.Left());
  EXPECT_EQ(second.Top(), main.Top());
  EXPECT_EQ(second.Width(), view_layout::Form.width);

  first.Close();
  Pump();
  EXPECT_EQ(View, &second);
  second.LV.SetSelected(0, true);
  second.ShowTotals();
  EXPECT_EQ(StatusLine(second), "   1|      0.00KB|      0.00KB|  0.0%|");
  second.Close();
  Pump();
  EXPECT_EQ(View, nullptr);
}

TEST_F(Contents, OpensForTheHighestSelectedRowAndShowsBeforeTheWalk) {
  std::string arguments;
  std::vector<std::string> paths;
  for (const char* name : {"a.lzh", "b.lzh", "c.lzh", "d.lzh"}) {
    paths.push_back(box().Archive(name, "STANDIN\nentry x\n"));
    arguments += Quoted(paths.back()) + " ";
  }
  TMain& main = Start(arguments);
  for (int row : {1, 2, 3}) main.LV.SetSelected(row, true);
  PostChar(main.LV.Handle(), '\r');
  ASSERT_NE(View, nullptr);
  TView& view = *View;
  EXPECT_EQ(view.ArchivePath, paths[1]);
  // On screen and empty until the first idle moment.
  EXPECT_TRUE(view.Visible());
  EXPECT_EQ(view.LV.Count(), 0);
  EXPECT_EQ(StatusLine(view), "||||");
  RunIdle();
  EXPECT_EQ(view.LV.Count(), 1);

  // The toolbar's show button opens another, for the same row.
  main.SpeedButtonClick(main.SpeedButton4);
  EXPECT_NE(View, &view);
  EXPECT_EQ(View->ArchivePath, paths[1]);
  RunIdle();
}

TEST_F(Contents, ACountFarPastTheEntriesListsWhatTheWalkFinds) {
  // The count is the library's word only: the list makes no room for two
  // billion rows on it, nor fails.
  const std::string a =
      box().Archive("claims.lzh", "STANDIN\ncount 2147483647\nentry x\nsize 2000\npacked 500\n");
  TMain& main = Start(Quoted(a));
  TView* view = nullptr;
  const std::vector<std::string> boxes = DialogsDuring([&] { view = &OpenContents(main, 0); });
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(view->LV.Count(), 1);
  EXPECT_EQ(StatusLine(*view), "   1|      2.00KB|      0.50KB| 25.0%|");
}

TEST_F(Contents, Screenshot) {
  const std::string a = box().Archive(
      "サンプル.lzh",
      "STANDIN\nentry readme.txt\nsize 1536\npacked 800\nratio 521\ndate 0x2A21\ntime 0x6B5E\n"
      "entry 画像\\写真.jpg\nsize 250000\npacked 240000\nratio 960\ndate 0x3C8F\ntime 0x5000\n"
      "entry 文書\\\nsize 0\ndate 0x3C8F\n");
  TMain& main = Start(Quoted(a));
  TView& view = OpenContents(main, 0);
  view.LV.SetSelected(1, true);
  view.LV.SetFocus();
  SaveScreenshot(GetDesktopWindow(), "contents_window");
  EXPECT_EQ(view.LV.Count(), 3);
}

// --- Actions on the entries

TEST_F(Contents, ExtractsTheSelectedEntriesOfEachWindowsOwnArchive) {
  const std::string lzh =
      box().Archive("in\\a.lzh",
                    "STANDIN\nextract off\nentry e0\nentry e1\nentry e2\nentry e3\n"
                    "entry my notes.txt\nentry e5\n");
  const std::string zip = box().Archive("in\\b.zip", "STANDIN\nextract off\nentry z.txt\n");
  TMain& main = Start(Quoted(lzh) + " " + Quoted(zip));
  main.CB.SetChecked(true);  // the main window's option plays no part here
  TView& a = OpenContents(main, 0);
  TView& b = OpenContents(main, 1);
  std::optional<std::string> answer = box().Path("out");
  std::vector<std::string> asked;
  toolkit::SetFolderDialogForTest(
      [&](HWND owner, const std::string& title, const std::string& start) {
        asked.push_back((owner == a.Handle()   ? "a|"
                         : owner == b.Handle() ? "b|"
                                               : "?|") +
                        title + "|" + start);
        return answer;
      });
  a.LV.SetSelected(1, true);
  a.LV.SetSelected(4, true);
  b.LV.SetSelected(0, true);
  box().ClearCalls();
  Click(a.SpeedButton1);
  Click(b.SpeedButton1);
  const std::string out = box().Path("out\\");
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{
                "Unlha\thwnd=0\tsize=2000\tx -d1 \"" + lzh + "\" \"" + out + "\" \"e1\"",
                "Unlha\thwnd=0\tsize=2000\tx -d1 \"" + lzh + "\" \"" + out + "\" \"my notes.txt\"",
                "UnZip\thwnd=0\tsize=2000\t-x \"" + zip + "\" \"" + out + "\" \"z.txt\""}));
  const std::string folder = box().Path("in");
  EXPECT_EQ(asked, (std::vector<std::string>{"a|解凍先ﾌｫﾙﾀﾞ選択|" + folder,
                                             "b|解凍先ﾌｫﾙﾀﾞ選択|" + folder}));

  answer.reset();
  box().ClearCalls();
  Click(a.SpeedButton1);
  EXPECT_TRUE(Commands().empty());
  toolkit::SetFolderDialogForTest(nullptr);
}

TEST_F(Contents, KeysSelectAllAndCloseButEnterNever) {
  const std::string a = box().Archive("a.lzh", "STANDIN\nentry x\nentry y\nentry z\n");
  TMain& main = Start(Quoted(a));
  TView& view = OpenContents(main, 0);
  view.LV.SetFocus();
  // Typing goes to the next row that begins with the letters typed; a plain
  // A, which begins none, changes nothing.
  PostChar(view.LV.Handle(), 'Y');
  PostChar(view.LV.Handle(), 'a');
  PostKeyUp(view.LV.Handle(), 'A');
  EXPECT_EQ(view.LV.SelectedCount(), 1);
  EXPECT_EQ(view.LV.FirstSelected(), 1);
  PostKeyUp(view.LV.Handle(), 'A', {VK_CONTROL});
  EXPECT_EQ(view.LV.SelectedCount(), 3);
  EXPECT_EQ(GetFocus(), view.LV.Handle());
  {
    DialogDriver question({{IDNO}});  // "x" is no text name: Enter asks before showing it
    PostChar(view.LV.Handle(), '\r');
    EXPECT_NE(question.Texts().find("ﾌｧｲﾙ名：x\n"), std::string::npos);
  }
  EXPECT_EQ(View, &view);
  PostChar(view.LV.Handle(), 27);
  EXPECT_EQ(View, nullptr);

  Click(OpenContents(main, 0).SpeedButton3);
  EXPECT_EQ(View, nullptr);
}
