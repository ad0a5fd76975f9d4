#include "text/command_args.h"

#include <gtest/gtest.h>

using namespace plenkit;
using Words = std::vector<std::string>;

TEST(CommandArgs, QuotesHoldBlanksAndAreDropped) {
  EXPECT_EQ(SplitArguments("\"C:\\Program Files\\Plenkit.exe\" \"C:\\My Files\\a.lzh\" b.zip"),
            (Words{"C:\\My Files\\a.lzh", "b.zip"}));
  EXPECT_EQ(SplitArguments("p.exe C:\\My\" \"Files\\a.lzh"), (Words{"C:\\My Files\\a.lzh"}));
  EXPECT_EQ(SplitArguments("p.exe \"\""), (Words{""}));
  EXPECT_EQ(SplitArguments("p.exe \"unclosed x"), (Words{"unclosed x"}));
}

TEST(CommandArgs, BlanksAndControlCharactersSeparate) {
  EXPECT_EQ(SplitArguments("p.exe  a.lzh\tb.lzh\r\nc.lzh  "), (Words{"a.lzh", "b.lzh", "c.lzh"}));
  EXPECT_EQ(SplitArguments("p.exe"), Words{});
  EXPECT_EQ(SplitArguments(""), Words{});
  EXPECT_EQ(SplitArguments("p.exe C:\\ソ\\表.lzh"), (Words{"C:\\ソ\\表.lzh"}));
}
