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

TEST(CommandLine, EntryNameAppendedAfterTheClosingBlank) {
  EXPECT_EQ(ExtractCommand(Rar, "C:\\in\\a.rar", "D:\\out\\", "doc\\readme.txt"),
            "-x -u \"C:\\in\\a.rar\" \"D:\\out\\\" doc\\readme.txt");
  EXPECT_EQ(ExtractCommand(Lzh, "C:\\ソ.lzh", "D:\\表\\", "表\\ソ.txt"),
            "x -d1 \"C:\\ソ.lzh\" \"D:\\表\\\" 表\\ソ.txt");
}

TEST(CommandLine, EntryNameWithABlankStaysOneName) {
  EXPECT_EQ(ExtractCommand(Rar, "C:\\in\\a.rar", "D:\\out\\", "my notes.txt"),
            "-x -u \"C:\\in\\a.rar\" \"D:\\out\\\" \"my notes.txt\"");
  // A name that would otherwise read as a switch plus a name.
  EXPECT_EQ(ExtractCommand(Zip, "a.zip", "D:\\", "x -o C:\\evil"),
            "-x \"a.zip\" \"D:\\\" \"x -o C:\\evil\"");
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
