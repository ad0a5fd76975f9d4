// LZH paths made relative as lha makes them, whether a path needs it or
// not: a relative one is kept as it stands.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_source.h"
#include "formats/lzh_headers.h"

using namespace archivers;

namespace {

// A level-0 header of an empty stored member named `name`, then the end.
std::string Level0(const std::string& name) {
  std::string header = "-lh0-" + std::string(8, '\0') + std::string("\x00\x60\x21\x58\x20\x00", 6) +
                       static_cast<char>(name.size()) + name + std::string(2, '\0');
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  return static_cast<char>(header.size()) + std::string(1, static_cast<char>(sum)) + header;
}

}  // namespace

TEST(LzhPaths, MadeRelativeAsLhaMakesThem) {
  const struct {
    const char* stored;
    const char* name;
  } cases[] = {
      {"dir/file.txt", "dir/file.txt"},
      {"dir/sub/", "dir/sub/"},
      {"dir\\file.txt",
       "dir\\file.txt"},  // "\" may be a Shift-JIS trail byte: the name rules' to read
      {"...", "..."},
      {".hidden/.x", ".hidden/.x"},
      {"/abs/x.txt", "abs/x.txt"},
      {"\\\\/x.txt", "x.txt"},
      {"a//b.txt", "a/b.txt"},
      {"a/./b/.", "a/b/"},
      {"./x.txt", "x.txt"},
      {"a/../b.txt", "b.txt"},
      {"a/b/../../../c.txt", "c.txt"},
      {"..", ""},
  };
  for (const auto& c : cases) {
    const std::string archive = Level0(c.stored) + '\0';
    MemorySource bytes(archive.data(), archive.size());
    std::vector<std::string> names;
    int damaged = -1;
    ASSERT_TRUE(ParseLzh(
        bytes, [&](std::uint64_t, LzhMember& m) { names.push_back(m.name); }, damaged))
        << c.stored;
    EXPECT_EQ(names, std::vector<std::string>{c.name}) << c.stored;
    EXPECT_EQ(damaged, 0) << c.stored;
    // Read again where its header stands, the member is the one the walk read.
    LzhMember again;
    ASSERT_TRUE(ReadLzhMember(bytes, 0, again)) << c.stored;
    EXPECT_EQ(again.name, c.name) << c.stored;
  }
}
