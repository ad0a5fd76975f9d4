#include "text/settings_value.h"

#include <gtest/gtest.h>

using namespace plenkit;

TEST(SettingsValue, DecimalAndHexadecimal) {
  EXPECT_EQ(ReadSettingsInt("247"), 247);
  EXPECT_EQ(ReadSettingsInt("-30"), -30);
  EXPECT_EQ(ReadSettingsInt("0x1F4"), 500);
  EXPECT_EQ(ReadSettingsInt("0XfF"), 255);
  EXPECT_EQ(ReadSettingsInt("0"), 0);
  EXPECT_EQ(ReadSettingsInt("00"), 0);
  EXPECT_EQ(ReadSettingsInt("0xFFFFFFFF"), -1);
}

TEST(SettingsValue, GarbageGivesNothing) {
  EXPECT_FALSE(ReadSettingsInt(""));
  EXPECT_FALSE(ReadSettingsInt("0x"));  // two characters: decimal, and not a number
  EXPECT_FALSE(ReadSettingsInt("abc"));
  EXPECT_FALSE(ReadSettingsInt("12px"));
  EXPECT_FALSE(ReadSettingsInt("0x12G"));
  EXPECT_FALSE(ReadSettingsInt("-"));
  EXPECT_FALSE(ReadSettingsInt("99999999999"));
  EXPECT_FALSE(ReadSettingsInt("0x100000000"));
  EXPECT_FALSE(ReadSettingsInt("1.5"));
}
