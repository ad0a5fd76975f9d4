#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace plenkit;

TEST(NumberText, ArchiveSizeInThousandsOfLow32Bits) {
  EXPECT_EQ(FormatArchiveSize(0, '.'), "      0.00KB");
  EXPECT_EQ(FormatArchiveSize(1500, '.'), "      1.50KB");
  EXPECT_EQ(FormatArchiveSize(1234567, '.'), "   1234.57KB");
  EXPECT_EQ(FormatArchiveSize(1ull << 32, '.'), "      0.00KB");
  EXPECT_EQ(FormatArchiveSize((1ull << 32) + 1500, '.'), "      1.50KB");
  EXPECT_EQ(FormatArchiveSize(1500, ','), "      1,50KB");
}

TEST(NumberText, FieldsWidenForLongNumbers) {
  EXPECT_EQ(FormatInt(0, 4), "   0");
  EXPECT_EQ(FormatInt(-1, 0), "-1");
  EXPECT_EQ(FormatInt(10000, 4), "10000");
  EXPECT_EQ(FormatFixed(3000000.0, 9, 2, '.'), "3000000.00");
  // Never cut to a buffer, however wide or precise.
  EXPECT_EQ(FormatInt(-7, 40), std::string(38, ' ') + "-7");
  const std::string huge = FormatFixed(1e300, 0, 2, ',');
  EXPECT_EQ(huge.size(), 304u);
  EXPECT_EQ(huge.substr(huge.size() - 3), ",00");
  EXPECT_EQ(FormatFixed(0.5, 0, 420, '.'), "0.5" + std::string(419, '0'));
}

TEST(NumberText, FixedIsPrintfsTextToTheLastDigit) {
  // Exact ties (printf's own rule), the last exact integers, and values
  // beside the fast way: negative, beyond 2^53, too small to show.
  std::vector<double> values{0.125, 0.375, 2.5, 4503599627370495.5, 9007199254740991.0};
  values.insert(values.end(), {9007199254740992.0, 0.0, -0.0, -1.005, 1e20, 1e-300, 0.005});
  // Sizes in thousands and ratios, as the lists make them.
  for (unsigned long long size = 1; size < (1ull << 40); size = size * 3 + 7) {
    values.push_back(size * 0.001);
    values.push_back(static_cast<double>(size % 1001) / 10);
  }
  for (const double value : values) {
    for (int decimals = 0; decimals <= 4; ++decimals) {
      char printed[400];
      std::snprintf(printed, sizeof printed, "%*.*f", 9, decimals, value);
      EXPECT_EQ(FormatFixed(value, 9, decimals, '.'), printed) << value << " " << decimals;
    }
  }
}

TEST(NumberText, ReadDecimalTakesBlanksAndTheUsersSeparatorOnly) {
  EXPECT_EQ(ReadDecimal("      1.50", '.'), 1.5);
  EXPECT_EQ(ReadDecimal("   1234,57", ','), 1234.57);
  EXPECT_EQ(ReadDecimal("-2", '.'), -2.0);
  EXPECT_FALSE(ReadDecimal("   1234.57", ','));
  EXPECT_FALSE(ReadDecimal("", '.'));
  EXPECT_FALSE(ReadDecimal("   ", '.'));
  EXPECT_FALSE(ReadDecimal("1.50KB", '.'));
  EXPECT_FALSE(ReadDecimal("0x10", '.'));
  EXPECT_FALSE(ReadDecimal("1e5", '.'));
  // Whatever way it is read, it is strtod's number, to the last bit.
  for (const char* text :
       {"0.07", "1234.57", "9999999.99", "-0.00", "0.1", "123456789012.345", "00000000000000001.5",
        "1234567890123456.7", "0.0000000000000000000000001"}) {
    EXPECT_EQ(ReadDecimal(text, '.'), std::strtod(text, nullptr)) << text;
  }
  EXPECT_FALSE(ReadDecimal("inf", '.'));
  EXPECT_FALSE(ReadDecimal("1.2.3", '.'));
  EXPECT_FALSE(ReadDecimal(".", '.'));
  // Beyond a double: too large is refused, too small is as good as zero.
  EXPECT_FALSE(ReadDecimal("1" + std::string(400, '0'), '.'));
  EXPECT_EQ(ReadDecimal("0," + std::string(400, '0') + "1", ','), 0.0);
  EXPECT_EQ(ReadDecimal(FormatFixed(1e-320, 0, 400, '.'), '.').value_or(-1), 1e-320);
}

TEST(NumberText, DateTimeWithTheUsersSeparators) {
  EXPECT_EQ(FormatDateTime(2000, 12, 4, 13, 34, '/', ':'), "2000/12/04 13:34");
  EXPECT_EQ(FormatDateTime(2001, 1, 1, 0, 5, '-', '.'), "2001-01-01 00.05");
  EXPECT_EQ(FormatDateTime(12345, 100, 4, -1, 34, '/', ':'), "12345/100/04 -1:34");
}
