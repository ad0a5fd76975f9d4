// Extract and print commands: the exact command lines the libraries get,
// the folder made for lzh archives, and the print buffer's bounds.
#include <gtest/gtest.h>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

using namespace plenkit;
using testing_support::IsFolder;
using testing_support::Sandbox;

namespace {

struct Runner : ::testing::Test {
  Runner() { set.LoadArchivers(); }
  ~Runner() override { set.FreeArchivers(); }

  // The archive at `relative`, selected; extraction writes nothing unless
  // `writes`, so that any folder on disk was made by the program.
  std::string Select(const std::string& relative, const std::string& entries, bool writes = false) {
    const std::string path =
        box.Archive(relative, std::string("STANDIN\n") + (writes ? "" : "extract off\n") + entries);
    EXPECT_TRUE(set.SelectKind(path));
    return path;
  }

  Sandbox box;
  ArchiverSet set;
};

}  // namespace

TEST_F(Runner, LzhExtractMakesTheFolderAndEndsWithOneBlank) {
  const std::string archive = Select("in\\a.lzh", "entry x.txt\n");
  const std::string destination = box.Path("out\\");
  CreateDirectoryA(destination.c_str(), nullptr);
  EXPECT_EQ(set.RunArchiverCommand(archive, destination + "a\\", ""), 0);
  EXPECT_TRUE(IsFolder(destination + "a"));
  EXPECT_EQ(box.Calls(), std::vector<std::string>{"Unlha\thwnd=0\tsize=2000\tx -d1 \"" + archive +
                                                  "\" \"" + destination + "a\\\" "});
}

TEST_F(Runner, OtherKindsLeaveTheFolderToTheLibrary) {
  const std::string archive = Select("in\\a.zip", "entry x.txt\n");
  EXPECT_EQ(set.RunArchiverCommand(archive, box.Path("out\\a\\"), ""), 0);
  EXPECT_FALSE(IsFolder(box.Path("out")));
  EXPECT_EQ(box.Calls(), std::vector<std::string>{"UnZip\thwnd=0\tsize=2000\t-x \"" + archive +
                                                  "\" \"" + box.Path("out\\a\\") + "\" "});
}

TEST_F(Runner, EveryEntryNameArrivesAsThatOneName) {
  // Members a and b, and names that would carry them, a switch or a
  // destination of their own into the command: those are never sent.
  const std::string archive = Select("in\\a.rar",
                                     "entry a\ntext A\nentry b\ntext B\nentry -d\ntext D\n"
                                     "entry my notes.txt\ntext N\n",
                                     true);
  const std::string out = box.Path("out\\");
  for (const char* name : {"-d", "my notes.txt", "a\" \"b", "b\tc", "x\" -d \"C:\\"}) {
    set.RunArchiverCommand(archive, out, name);
  }
  const std::string head = "Unrar\thwnd=0\tsize=2000\t-x -u \"" + archive + "\" \"" + out + "\" ";
  EXPECT_EQ(box.Calls(), (std::vector<std::string>{head + "\"-d\"", head + "\"my notes.txt\""}));
  EXPECT_EQ(
      testing_support::ReadBytes(out + "-d") + testing_support::ReadBytes(out + "my notes.txt"),
      "DN");
  EXPECT_FALSE(testing_support::Exists(out + "a") || testing_support::Exists(out + "b"));
  EXPECT_EQ(set.RunArchiverCommand(archive, out, "b\tc"), -1);
}

TEST_F(Runner, ExtractionLandsWhereTheCommandSays) {
  const std::string archive =
      Select("ソ\\a.lzh", "entry 表\\ソ.txt\ntext one\nentry my notes.txt\ntext two\n", true);
  const std::string out = box.Path("表\\");
  set.RunArchiverCommand(archive, out, "");
  EXPECT_EQ(testing_support::ReadBytes(out + "表\\ソ.txt"), "one");
  EXPECT_EQ(testing_support::ReadBytes(out + "my notes.txt"), "two");

  // Only the named entry, even when its name has a blank.
  const std::string only = box.Path("only\\");
  set.RunArchiverCommand(archive, only, "my notes.txt");
  EXPECT_TRUE(testing_support::Exists(only + "my notes.txt"));
  EXPECT_FALSE(testing_support::Exists(only + "表"));

  // A relative destination whose first character's trail byte could also
  // lead one ("ぁ" is 0x82 0x9F): the folder it names is made all the same.
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(box.Folder().c_str());
  set.RunArchiverCommand(archive, "ぁ\\sub\\", "my notes.txt");
  SetCurrentDirectoryA(current);
  EXPECT_TRUE(testing_support::Exists(box.Path("ぁ\\sub\\my notes.txt")));
}

TEST_F(Runner, PrintUsesTheKindsTemplate) {
  const std::string archive = Select("in\\a.arj", "entry doc\\readme.txt\ntext line 1\\r\\n\n");
  EXPECT_EQ(set.ReadEntryText(archive, "doc\\readme.txt"), "line 1\r\n");
  EXPECT_EQ(box.Calls(), std::vector<std::string>{"Unarj\thwnd=0\tsize=640000\tp \"" + archive +
                                                  "\" \"doc\\readme.txt\""});
}

TEST_F(Runner, KindsWithoutPrintCommandCallNothing) {
  for (const char* name : {"a.cab", "a.rar", "a.bza", "a.gza"}) {
    const std::string archive = Select(name, "entry r.txt\ntext x\n");
    EXPECT_EQ(set.ReadEntryText(archive, "r.txt"), "") << name;
  }
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(Runner, PrintedTextAlwaysEndsInsideTheBuffer) {
  // Exactly as much as the library may write, with no zero after it.
  const std::string archive = Select("full.lzh",
                                     "entry full.txt\ntext ab\nrepeat 640000\nnoterm\n"
                                     "entry over.txt\ntext cd\nrepeat 640000\nnoterm\noverrun 400\n"
                                     "entry short.txt\ntext ソ表\n");
  const std::string full = set.ReadEntryText(archive, "full.txt");
  EXPECT_EQ(full.size(), 640000u);
  EXPECT_EQ(full.substr(0, 4), "abab");
  // A library that writes into the margin as well is cut at its end.
  EXPECT_EQ(set.ReadEntryText(archive, "over.txt").size(), 640400u);
  EXPECT_EQ(set.ReadEntryText(archive, "short.txt"), "ソ表");
  // More than the margin is no archive: the stand-in will not break a heap.
  EXPECT_EQ(set.ReadEntryText(Select("more.lzh", "entry m.txt\ntext m\noverrun 401\n"), "m.txt"),
            "");
}
