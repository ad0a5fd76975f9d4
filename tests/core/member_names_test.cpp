// What the archivers read without help: whether a member's name stays
// inside its destination, and ARJ data that is damaged.
#include <gtest/gtest.h>

#include <string>

#include "codecs/methods.h"
#include "formats/byte_source.h"
#include "names/paths.h"

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
