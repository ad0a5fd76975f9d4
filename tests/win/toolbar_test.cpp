// The toolbar's commands on the real main window: the buttons are clicked,
// the folder dialog is answered, and what the stand-in archivers received
// and wrote is read back.
#include <gtest/gtest.h>

#include <optional>

#include "text/sjis_path.h"
#include "toolkit/dialogs.h"
#include "win/main_window_fixture.h"

using namespace window_support;
using testing_support::ChildTexts;

namespace {

const char kTwoFiles[] = "STANDIN\nentry a.txt\ntext one\nentry sub\\b.txt\ntext two\n";

class Toolbar : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    toolkit::SetFolderDialogForTest(
        [this](HWND owner, const std::string& title, const std::string& start) {
          EXPECT_EQ(owner, Main ? Main->Handle() : nullptr);
          titles.push_back(title);
          starts.push_back(start);
          if (answers.empty()) return std::optional<std::string>();
          const std::optional<std::string> answer = answers.front();
          answers.erase(answers.begin());
          return answer;
        });
  }

  void TearDown() override {
    toolkit::SetFolderDialogForTest(nullptr);
    MainWindowFixture::TearDown();
  }

  void Select(std::initializer_list<int> rows) {
    for (int row : rows) Main->LV.SetSelected(row, true);
  }

  // Starts with these archives listed, in order.
  TMain& StartWith(std::initializer_list<std::string> paths) {
    std::string arguments;
    for (const std::string& path : paths) arguments += Quoted(path) + " ";
    TMain& main = Start(arguments);
    main.LV.SetSelected(-1, false);
    return main;
  }

  std::string ExtractLine(const char* entry, const char* templ, const std::string& archive,
                          const std::string& destination) {
    return std::string(entry) + "\thwnd=0\tsize=2000\t" + templ + " \"" + archive + "\" \"" +
           destination + "\" ";
  }

  std::vector<std::string> titles, starts;
  std::vector<std::optional<std::string>> answers;
};

}  // namespace

TEST_F(Toolbar, NothingSelectedMeansNoDialogAndNoCall) {
  const std::string a = box().Archive("a.lzh", kTwoFiles), b = box().Archive("b.zip", kTwoFiles);
  TMain& main = StartWith({a, b});
  for (const toolkit::SpeedButton* button :
       {&main.SpeedButton1, &main.SpeedButton2, &main.SpeedButton3, &main.SpeedButton5}) {
    Click(*button);
  }
  EXPECT_TRUE(titles.empty());
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(main.LV.Count(), 2);
}

TEST_F(Toolbar, EachArchiveAsksForItsFolderAndCancelStopsTheRest) {
  const std::string a = box().Archive("in\\a.lzh", kTwoFiles);
  const std::string b = box().Archive("in\\b.zip", kTwoFiles);
  const std::string c = box().Archive("other\\c.arj", kTwoFiles);
  TMain& main = StartWith({a, b, c});
  Select({0, 1, 2});
  answers = {box().Path("out"), std::nullopt};
  Click(main.SpeedButton1);

  EXPECT_EQ(titles,
            (std::vector<std::string>{"a.lzh の解凍先ﾌｫﾙﾀﾞ選択", "b.zip の解凍先ﾌｫﾙﾀﾞ選択"}));
  EXPECT_EQ(starts, (std::vector<std::string>{box().Path("in"), box().Path("in")}));
  EXPECT_EQ(Commands(),
            std::vector<std::string>{ExtractLine("Unlha", "x -d1", a, box().Path("out\\"))});
  EXPECT_EQ(testing_support::ReadBytes(box().Path("out\\sub\\b.txt")), "two");
  EXPECT_EQ(main.LV.Count(), 3);
  EXPECT_EQ(main.LV.SelectedCount(), 3);
}

TEST_F(Toolbar, BesideTheArchiveWithAFolderNamedAfterIt) {
  const std::string zip = box().Archive("arc\\photos.2000.zip", "STANDIN\nextract off\nentry x\n");
  const std::string lzh = box().Archive("arc\\photos.2001.lzh", "STANDIN\nextract off\nentry x\n");
  TMain& main = StartWith({zip, lzh});
  main.CB.SetChecked(true);
  Select({0, 1});
  Click(main.SpeedButton3);

  EXPECT_TRUE(titles.empty());
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            ExtractLine("UnZip", "-x", zip, box().Path("arc\\photos.2000\\")),
                            ExtractLine("Unlha", "x -d1", lzh, box().Path("arc\\photos.2001\\"))}));
  // The zip archiver is handed a folder that does not exist yet; the lzh
  // one gets it made first.
  EXPECT_FALSE(testing_support::IsFolder(box().Path("arc\\photos.2000")));
  EXPECT_TRUE(testing_support::IsFolder(box().Path("arc\\photos.2001")));
}

TEST_F(Toolbar, BesideTheArchiveWithoutTheCheckBox) {
  const std::string a = box().Archive("arc\\a.lzh", kTwoFiles);
  TMain& main = StartWith({a});
  Select({0});
  Click(main.SpeedButton3);
  EXPECT_EQ(Commands(),
            std::vector<std::string>{ExtractLine("Unlha", "x -d1", a, box().Path("arc\\"))});
  EXPECT_EQ(testing_support::ReadBytes(box().Path("arc\\a.txt")), "one");
}

TEST_F(Toolbar, EachArchiveWithAFolderNamedAfterIt) {
  const std::string a = box().Archive("in\\photos.2000.lzh", "STANDIN\nextract off\nentry x\n");
  TMain& main = StartWith({a});
  main.CB.SetChecked(true);
  Select({0});
  answers = {box().Path("in")};
  Click(main.SpeedButton1);
  EXPECT_EQ(Commands(), std::vector<std::string>{
                            ExtractLine("Unlha", "x -d1", a, box().Path("in\\photos.2000\\"))});
  EXPECT_TRUE(testing_support::IsFolder(box().Path("in\\photos.2000")));
}

TEST_F(Toolbar, ArchiveAtADriveRootStartsTheDialogAtTheDrive) {
  const std::string root = "C:\\plenkit_root_test.lzh";
  testing_support::WriteBytes(root, kTwoFiles);
  TMain& main = StartWith({root});
  Select({0});
  Click(main.SpeedButton1);
  DeleteFileA(root.c_str());
  EXPECT_EQ(starts, std::vector<std::string>{"C:"});
  EXPECT_TRUE(Commands().empty());  // cancelled
}

TEST_F(Toolbar, OneFolderForAllStartsAtTheFirstSelectedArchive) {
  const std::string a = box().Archive("first\\a.lzh", kTwoFiles);
  const std::string b = box().Archive("second\\b.zip", kTwoFiles);
  const std::string c = box().Archive("third\\c.cab", kTwoFiles);
  TMain& main = StartWith({a, b, c});
  main.CB.SetChecked(true);
  Select({1, 2});
  answers = {box().Path("out\\")};
  Click(main.SpeedButton2);

  EXPECT_EQ(titles, std::vector<std::string>{"解凍先ﾌｫﾙﾀﾞ選択"});
  EXPECT_EQ(starts, std::vector<std::string>{box().Path("second")});
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{ExtractLine("UnZip", "-x", b, box().Path("out\\b\\")),
                                      ExtractLine("Cab", "-x", c, box().Path("out\\c\\"))}));
  EXPECT_EQ(testing_support::ReadBytes(box().Path("out\\c\\sub\\b.txt")), "two");
}

TEST_F(Toolbar, OneFolderCancelledExtractsNothing) {
  const std::string a = box().Archive("a.lzh", kTwoFiles);
  TMain& main = StartWith({a});
  Select({0});
  Click(main.SpeedButton2);
  EXPECT_EQ(titles.size(), 1u);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(Toolbar, DoubleByteFolderNamesKeepTheirLastCharacter) {
  const std::string a = box().Archive("ソ\\a.lzh", "STANDIN\nextract off\nentry x\n");
  const std::string b = box().Archive("表\\b.zip", "STANDIN\nextract off\nentry x\n");
  TMain& main = StartWith({a, b});
  Select({0, 1});
  answers = {box().Path("表"), box().Path("ソ\\")};
  Click(main.SpeedButton1);
  // The dialog starts in ...\ソ, not in ...\ with a broken character.
  EXPECT_EQ(starts, (std::vector<std::string>{box().Path("ソ"), box().Path("表")}));
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{ExtractLine("Unlha", "x -d1", a, box().Path("表\\")),
                                      ExtractLine("UnZip", "-x", b, box().Path("ソ\\"))}));
}

TEST_F(Toolbar, RowsOfNoUsableKindAreSkippedSilently) {
  const std::string a = box().Archive("a.lzh", kTwoFiles);
  TMain& main = StartWith({a});
  const int odd = main.LV.AddRow("notes.txt");
  main.LV.SetText(odd, 4, box().Path("notes.txt"));
  Select({0, odd});
  answers = {box().Path("out")};
  Click(main.SpeedButton1);
  EXPECT_EQ(titles.size(), 1u);
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(Toolbar, RemoveTakesTheSelectedRowsOnly) {
  std::vector<std::string> paths;
  for (const char* name : {"0.lzh", "1.lzh", "2.lzh", "3.lzh", "4.lzh"}) {
    paths.push_back(box().Archive(name, kTwoFiles));
  }
  TMain& main = StartWith({paths[0], paths[1], paths[2], paths[3], paths[4]});
  Select({1, 3});
  Click(main.SpeedButton5);
  ASSERT_EQ(main.LV.Count(), 3);
  EXPECT_EQ(main.Row(0).caption, "0.lzh");
  EXPECT_EQ(main.Row(1).caption, "2.lzh");
  EXPECT_EQ(main.Row(2).caption, "4.lzh");
  EXPECT_EQ(main.SB.Text(0), "   3");
  EXPECT_TRUE(testing_support::Exists(paths[1]));  // only the row goes
}

TEST_F(Toolbar, ExitClosesTheWindowAndSavesSettings) {
  TMain& main = Start();
  Click(main.SpeedButton8);
  EXPECT_EQ(Main, nullptr);
  EXPECT_TRUE(testing_support::Exists(TMain::SettingsPath()));
}

TEST_F(Toolbar, TagsOutsideTheToolbarDoNothing) {
  const std::string a = box().Archive("a.lzh", kTwoFiles);
  TMain& main = StartWith({a});
  Select({0});
  toolkit::SpeedButton stray;
  stray.tag = 8;
  main.SpeedButtonClick(stray);
  stray.tag = -1;
  main.SpeedButtonClick(stray);
  EXPECT_TRUE(titles.empty());
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(main.LV.Count(), 1);
}

// --- The shell's own folder browser

TEST_F(Toolbar, RealFolderBrowserStartsAtTheArchivesFolder) {
  toolkit::SetFolderDialogForTest(nullptr);
  // Wine's shell tree does not always list a folder made moments before it
  // opens, so the archive lies in the temporary folder itself, which has
  // stood since the prefix was made.
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = temp;  // with its closing "\"
  const std::string shownName = plenkit::FileNamePart(plenkit::WithoutClosingDelimiter(folder));
  const std::string a = folder + "plenkit_browse_" + std::to_string(GetCurrentProcessId()) + ".lzh";
  testing_support::WriteBytes(a, "STANDIN\nextract off\nentry x\n");
  struct Cleanup {
    std::string file;
    ~Cleanup() { DeleteFileA(file.c_str()); }
  } cleanup{a};
  TMain& main = StartWith({a});
  Select({0});

  std::string shown;
  {
    DialogDriver driver({{IDOK, [&](HWND dialog) { return BrowserSelection(dialog) == shownName; },
                          [&](HWND dialog) {
                            shown = ChildTexts(dialog) + "selected: " + BrowserSelection(dialog);
                            SaveScreenshot(GetDesktopWindow(), "folder_browser");
                          }}});
    Click(main.SpeedButton1);
    ASSERT_NE(driver.Dialog(), nullptr);
  }
  EXPECT_NE(shown.find(plenkit::FileNamePart(a) + " の解凍先ﾌｫﾙﾀﾞ選択"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("selected: " + shownName), std::string::npos) << shown;
  // OK on the initial selection extracts into the archive's own folder.
  EXPECT_EQ(Commands(), std::vector<std::string>{ExtractLine("Unlha", "x -d1", a, folder)});

  box().ClearCalls();
  {
    DialogDriver driver({{IDCANCEL}});
    Click(main.SpeedButton1);
    ASSERT_NE(driver.Dialog(), nullptr);
  }
  EXPECT_TRUE(Commands().empty());
}
