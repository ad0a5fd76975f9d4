#include "text/text_entry.h"

#include <gtest/gtest.h>

using namespace plenkit;

TEST(TextEntry, NamesShownWithoutAsking) {
  // clang-format off
  const struct {
    const char* name;
    bool text;
  } cases[] = {
      {"DOC\\NOTES.TXT", true}, {"main.H", true},        {"index.HTML", true},
      {"a.~cp", true},          {"a.~cpp", true},        {"src/x.PAS", true},
      {"表\\ソ.txt", true},     {"notes", false},        {"prog.c", false},
      {"archive.tar.gz", false}, {"dir.old\\readme", false}, {"a.txt\\", false},
      {"x:y.txt:z", false},     {"a.tx", false},         {".", false},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(IsTextEntry(c.name), c.text) << c.name;
  EXPECT_STREQ(TextExtensions[0], ".txt");
  EXPECT_STREQ(TextExtensions[22], ".html");
}
