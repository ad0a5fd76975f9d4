#include "text/line_breaks.h"

#include <gtest/gtest.h>

using plenkit::WithCrLfBreaks;

TEST(LineBreaks, BareLineFeedsGetACarriageReturnAndNothingElseChanges) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"a\nb\n", "a\r\nb\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"a\r\nb", "a\r\nb"},  // already a line break
      {"a\rb\r", "a\rb\r"},  // a lone CR stays as it is
      {"a\r\r\nb\n\r", "a\r\r\nb\r\n\r"},
      {"\x93\xfa\n\x96\x7b\t\x8c\xea\n", "\x93\xfa\r\n\x96\x7b\t\x8c\xea\r\n"},  // 日\n本\t語\n
  };
  for (const auto& c : cases) EXPECT_EQ(WithCrLfBreaks(c.in, 1000), c.out) << c.in;
}

TEST(LineBreaks, TheLimitCountsWhatTheTextAreaHoldsAndCutsNoPairs) {
  const struct {
    const char* in;
    std::size_t limit;
    const char* out;
  } cases[] = {
      {"ab\ncd", 5, "ab\r\nc"},  // the added CR counts
      {"ab\ncd", 3, "ab"},       // no CR without its LF
      {"ab\r\ncd", 3, "ab"},         {"ab\ncd", 4, "ab\r\n"},
      {"a\x93\xfa", 2, "a"},  // no half of 日
      {"a\x93\xfa", 3, "a\x93\xfa"}, {"abc", 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithCrLfBreaks(c.in, c.limit), c.out) << c.in << " limit " << c.limit;
  }
  // A text of bare line feeds much longer than the limit stops at it.
  EXPECT_EQ(WithCrLfBreaks(std::string(1000000, '\n'), 640000).size(), 640000u);
}
