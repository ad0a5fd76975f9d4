#include "archiver/command_line.h"

#include <gtest/gtest.h>

using namespace plenkit;

TEST(CommandLine, ExtractTemplatesEndWithOneBlank) {
  EXPECT_EQ(ExtractCommand(Lzh, "C:\\in\\a.lzh", "D:\\out\\a\\", ""),
            "x -d1 \"C:\\in\\a.lzh\" \"D:\\out\\a\\\" ");
  EXPECT_EQ(ExtractCommand(Zip, "C:\\in\\a.zip", "D:\\out\\a\\", ""),
            "-x \"C:\\in\\a.zip\" \"D:\\out\\a\\\" ");
  EXPECT_EQ(ExtractCommand(Cab, "a.cab", "D:\\", ""), "-x \"a.cab\" \"D:\\\" ");
  EXPECT_EQ(ExtractCommand(Arj, "a.arj", "D:\\", ""), "x \"a.arj\" \"D:\\\" ");
  EXPECT_EQ(ExtractCommand(Bga, "a.gza", "D:\\", ""), "-x -n \"a.gza\" \"D:\\\" ");
}

TEST(CommandLine, EveryNameGoesAsOneQuotedNameOrNotAtAll) {
  struct Case {
    const char* name;
    const char* sent;  // after the template's closing blank; null: no command
  } cases[] = {
      {"doc\\readme.txt", "\"doc\\readme.txt\""},
      {"表\\ソ.txt", "\"表\\ソ.txt\""},  // trail bytes 0x5C stay as they are
      {"my notes.txt", "\"my notes.txt\""},
      {"-o", "\"-o\""},  // a name, never a switch
      {"@list.txt", "\"@list.txt\""},
      {"dir\\", "\"dir\\\""},  // a backslash escapes nothing
      {"x\" -o -d \"C:\\Users\\Public\\", nullptr},
      {"a\" \"b", nullptr},
      {"tab\there", nullptr},
      {"line\nbreak", nullptr},
      {"del\x7F", nullptr},
  };
  const std::string head = "-x -u \"C:\\in\\a.rar\" \"D:\\out\\\" ";
  for (const Case& c : cases) {
    const auto line = ExtractCommand(Rar, "C:\\in\\a.rar", "D:\\out\\", c.name);
    EXPECT_EQ(line, c.sent ? std::optional(head + c.sent) : std::nullopt) << c.name;
    const auto print = PrintCommand(Lzh, "a.lzh", c.name);
    EXPECT_EQ(print, c.sent ? std::optional("p \"a.lzh\" " + std::string(c.sent)) : std::nullopt)
        << c.name;
  }
}

TEST(CommandLine, PathsGoInAsTheyAre) {
  // No escaping and no change of separators: a "%s" in a path is text.
  EXPECT_EQ(ExtractCommand(Zip, "C:/a %s.zip", "D:/o/", ""), "-x \"C:/a %s.zip\" \"D:/o/\" ");
}

TEST(CommandLine, PrintOnlyForKindsWithAPrintCommand) {
  EXPECT_EQ(PrintCommand(Arj, "C:\\in\\a.arj", "doc\\readme.txt"),
            "p \"C:\\in\\a.arj\" \"doc\\readme.txt\"");
  EXPECT_EQ(PrintCommand(Lzh, "a.lzh", "r.txt"), "p \"a.lzh\" \"r.txt\"");
  EXPECT_EQ(PrintCommand(Zip, "a.zip", "r.txt"), "-p \"a.zip\" \"r.txt\"");
  EXPECT_FALSE(PrintCommand(Cab, "a.cab", "r.txt"));
  EXPECT_FALSE(PrintCommand(Rar, "a.rar", "r.txt"));
  EXPECT_FALSE(PrintCommand(Bga, "a.bza", "r.txt"));
}
