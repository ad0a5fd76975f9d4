// What the archivers read without help: whether a member's name stays
// inside its destination, and ARJ data that is damaged.
#include <gtest/gtest.h>

#include <string>

#include "codecs/methods.h"
#include "formats/byte_source.h"
#include "names/member_names.h"
#include "names/paths.h"
#include "names/platform.h"

using namespace archivers;

TEST(MemberNames, StayInsideOrNot) {
  // clang-format off
  struct Case {
    const char* name;
    bool inside;
  } const cases[] = {
      {"a.txt", true}, {"dir\\sub/a.txt", true}, {"dir\\", true}, {"./a.txt", false}, {"a..b.txt", true},
      {"\x95\x5c\x8e\xa6.txt", true},            // 表示.txt: the 0x5C is a trail byte
      {"\x83\x5c\\..\\x", false},                 // ソ\..\x
      {"..", false}, {"../a", false}, {"a\\..\\..\\b", false}, {"a/../b", false}, {"... /b", false},
      {"\\a", false}, {"/a", false}, {"C:a", false}, {"C:\\a", false}, {"a:stream", false}, {"", false},
      {"CON", false}, {"dir\\nul.txt", false}, {"com1", false}, {"LPT9.log", false}, {"aux \\x", false},
      {"COM0", true}, {"CONSOLE", true}, {"LPT10", true},
      // A character cut short: a lone lead byte at the end, or before a byte
      // that is no trail byte.
      {"COM1\x81", false}, {"NUL\x81", false}, {"a\x81\\b", true}, {"a\x81 b", false},
      {"a\x81\x7f", false}, {"dir\x81/x", false},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(StaysInside(c.name), c.inside) << c.name;
  std::string deep;
  for (int i = 0; i < 512; ++i) deep += "a\\";
  EXPECT_TRUE(StaysInside(deep + "x.txt"));
  EXPECT_TRUE(StaysInside(deep));
  EXPECT_FALSE(StaysInside(deep + "b\\x.txt"));
}

// Garbage in any method ends, as damaged, long before it could produce the
// gigabyte it declares.
TEST(ArjData, DamagedDataEndsWithoutRunningOn) {
  const std::string garbage(64, '\xff');
  MemorySource bytes(garbage.data(), garbage.size());
  for (int method = 1; method <= 4; ++method) {
    std::size_t produced = 0;
    const DecodeResult result = ArjDecode(method, bytes, 0, garbage.size(), 1u << 30,
                                          [&](const unsigned char*, std::size_t size) {
                                            produced += size;
                                            return true;
                                          });
    EXPECT_EQ(result, DecodeResult::Damaged) << method;
    EXPECT_LT(produced, 64u << 20) << method;
  }
  MemorySource stored("abc", 3);
  const auto any = [](const unsigned char*, std::size_t) { return true; };
  EXPECT_EQ(ArjDecode(0, stored, 0, 3, 4, any), DecodeResult::Damaged);
  EXPECT_EQ(ArjDecode(5, stored, 0, 3, 3, any), DecodeResult::UnknownMethod);
}

// ASCII names, by every rule of the names: each character no name on disk
// may hold, a dot or blank ending a part, "." parts, names that meet in a
// folder letter case aside, a folder named twice, and what extraction
// refuses ("..", an empty first part) left as it stands.
TEST(MemberNames, AsciiNamesByEveryRule) {
  const struct {
    std::vector<std::string> names;
    std::vector<std::string> placed;
  } cases[] = {
      {{"a<b>c:d\"e|f?g*h.txt", "tab\tx\x7f.txt"}, {"a_b_c_d_e_f_g_h.txt", "tab_x_.txt"}},
      {{"dir. /file. .txt.", "dots/..."}, {"dir__\\file. .txt_", "dots\\..."}},
      {{"a/./b.txt", "./c.txt", ".", "./."}, {"a\\b.txt", "c.txt", ".", ".\\."}},
      {{"Read.me", "READ.ME", "read.me", "noext", "NOEXT", ".hidden", ".HIDDEN"},
       {"Read.me", "READ (2).ME", "read (3).me", "noext", "NOEXT (2)", ".hidden", ".HIDDEN (2)"}},
      {{"Dir/a.txt", "dir/b.txt", "DIR/", "dir"},
       {"Dir\\a.txt", "dir (2)\\b.txt", "DIR (3)\\", "dir (4)"}},
      {{"x/", "x/y.txt", "x/"}, {"x\\", "x\\y.txt", "x\\"}},
      {{"../up.txt", "/root.txt", "a//b.txt"}, {"..\\up.txt", "\\root.txt", "a\\\\b.txt"}},
  };
  for (const auto& c : cases) {
    std::vector<StoredName> names(c.names.size());
    for (std::size_t i = 0; i < names.size(); ++i) names[i].bytes = c.names[i];
#ifndef _WIN32
    const std::size_t made = ConversionsMade();
#endif
    EXPECT_EQ(MemberNames(names, DecideCharset(names, Charset::Cp437)), c.placed);
#ifndef _WIN32
    EXPECT_EQ(ConversionsMade(), made);  // an ASCII name needs none
#endif
  }
}

#ifndef _WIN32
// A name costs a few conversions whatever its length: a whole name is
// converted at once, and a character set's bad bytes are asked about once
// each, however many names hold them.
TEST(MemberNames, ConvertedWholeNotByCharacter) {
  std::vector<StoredName> foreign(100), bad(100);
  for (std::size_t i = 0; i < 100; ++i) {
    foreign[i].unicode = true;
    for (int k = 0; k < 30; ++k)
      foreign[i].text += U"\ud55c\uae00";  // Hangul, which Shift-JIS lacks
    foreign[i].text += static_cast<char32_t>(U'0' + i % 10);
    for (int k = 0; k < 25; ++k)
      bad[i].bytes += "\x8d\x8f\x90\x9d";  // none in Windows' western code page
    bad[i].bytes += std::to_string(i);
  }
  std::size_t made = ConversionsMade();
  const std::vector<std::string> foreignNames = MemberNames(foreign, Charset::Cp932);
  const std::size_t foreignCost = ConversionsMade() - made;
  made = ConversionsMade();
  MemberNames(bad, Charset::Cp1252);
  const std::size_t badCost = ConversionsMade() - made;
  EXPECT_LE(foreignCost, 100u * 4);
  EXPECT_LE(badCost, 100u * 4 + 16);
  EXPECT_EQ(foreignNames[0], std::string(60, '_') + "0");
  EXPECT_EQ(foreignNames[1], std::string(60, '_') + "1");
}
#endif
