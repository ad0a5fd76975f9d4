// The worst a foreign archiver library can answer, through every window:
// names without an end or cut in a character, sizes, ratios, dates and
// counts at their limits, walks that end at once, odd handles, print output
// that fills the whole buffer or is empty at its first byte.
#include <gtest/gtest.h>

#include "Trobixlook.h"
#include "Trobixview.h"
#include "win/main_window_fixture.h"

using namespace window_support;

namespace {

std::string Repeated(const std::string& unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

class Hostile : public MainWindowFixture {
 protected:
  static std::vector<std::string> Captions(const TView& view) {
    std::vector<std::string> captions;
    for (int row = 0; row < view.LV.Count(); ++row) captions.push_back(view.LV.Text(row, 0));
    return captions;
  }
};

}  // namespace

TEST_F(Hostile, EveryWindowShowsWhatItGetsAndNothingBreaks) {
  const std::string name259 = Repeated("表", 129) + "x";  // 259 bytes
  const std::string name260 = Repeated("ソ", 130);        // 260 bytes
  const std::string loneLead = "tail\x83";                // ends inside a character
  const std::string trails = "表ソ十能.txt";              // every trail byte 0x5C
  const std::string limits =
      "STANDIN\ncount 2147483647\n"
      "entry " +
      name259 + "\nentry " + name260 + "\nentry " + loneLead + "\nentry " + trails +
      "\nentry max\nsize 0xFFFFFFFF\npacked 0xFFFFFFFF\nratio 0xFFFF\ndate 0xFFFF\ntime 0xFFFF\n"
      "entry full.txt\ntext a\nrepeat 640000\nnoterm\n"
      "entry zero.txt\ntext \\0after\n"
      "entry filled\nfillname\n";
  const char* const others[] = {
      "STANDIN\ncount -2147483648\nentry a\n",
      "STANDIN\ncount -1\nentry a\nentry b\nfindnext 7\n",
      "STANDIN\nopen negative\nentry a\nentry b\n",
  };
  std::string arguments = Quoted(box().Archive("limits.lzh", limits)) + " ";
  for (int i = 0; i < 3; ++i) {
    arguments += Quoted(box().Archive("other" + std::to_string(i) + ".lzh", others[i])) + " ";
  }
  TMain& main = Start(arguments);
  ASSERT_EQ(main.LV.Count(), 4);
  EXPECT_EQ(main.Row(0).count, "2147483647");
  EXPECT_EQ(main.Row(1).count, "-2147483648");
  EXPECT_EQ(main.Row(2).count, "-1");

  // The contents window: every row as the records give it.
  TView& view = OpenContents(main, 0);
  const std::vector<std::string> captions = Captions(view);
  ASSERT_EQ(captions.size(), 8u);
  EXPECT_EQ(captions[0], name259);
  EXPECT_EQ(captions[1], Repeated("ソ", 129));  // cut to 259 bytes, on a character
  EXPECT_EQ(captions[2], loneLead);
  EXPECT_EQ(captions[3], trails);
  EXPECT_EQ(captions[7].substr(0, 6), "filled");
  std::string row;
  for (int column = 1; column < 5; ++column) row += view.LV.Text(4, column) + "|";
  // 4294967295 × 0.001 is a hair below 4294967.295 in binary.
  EXPECT_EQ(row, "4294967.29KB|4294967.29KB|6553.5%|2107/15/31 31:63|");
  // From the first nine characters: 4294967.2, then 640.00 and 0.01.
  EXPECT_EQ(view.SB.Text(0), "   8");
  EXPECT_EQ(view.SB.Text(1), "4295607.21KB");

  // The viewer: a buffer filled to its end, then output empty at byte 0.
  view.LV.SetSelected(5, true);
  view.ListViewDblClick();
  ASSERT_NE(Look, nullptr);
  EXPECT_EQ(Look->Memo.Text().size(), 640000u);
  EXPECT_EQ(Look->SB.Text(0), "    1/    1");
  view.LV.SetSelected(-1, false);
  view.LV.SetSelected(6, true);
  {
    DialogDriver box({{IDOK}});
    view.ListViewDblClick();
    EXPECT_NE(box.Texts().find("limits.lzh"), std::string::npos) << box.Texts();
  }
  Pump();
  EXPECT_EQ(Look, nullptr);
  // Names that end inside a character or hide a "\" in one ask first, and
  // show what the library prints (nothing here).
  view.LV.SetSelected(-1, false);
  view.LV.SetSelected(2, true);
  {
    DialogDriver question({{IDNO}});
    view.ListViewDblClick();
  }
  view.Close();

  // Counts below zero or walks that stop at once, and a handle below zero.
  EXPECT_EQ(Captions(OpenContents(main, 1)), std::vector<std::string>{"a"});
  EXPECT_EQ(Captions(OpenContents(main, 2)), std::vector<std::string>{"a"});
  EXPECT_EQ(Captions(OpenContents(main, 3)), (std::vector<std::string>{"a", "b"}));
}
