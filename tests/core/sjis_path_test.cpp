#include "text/sjis_path.h"

#include <gtest/gtest.h>

using namespace plenkit;

// "ソ" and "表" are 0x83 0x5C and 0x95 0x5C in code page 932: their second
// byte is the "\" byte.
TEST(SjisPath, TrailByteOfDoubleByteCharacterIsNoDelimiter) {
  ASSERT_EQ(std::string("ソ"), "\x83\x5C");
  EXPECT_EQ(FileNamePart("C:\\ソフト\\表.lzh"), "表.lzh");
  EXPECT_EQ(FolderPart("C:\\ソフト\\表.lzh"), "C:\\ソフト\\");
  EXPECT_EQ(FileNamePart("C:\\ソ"), "ソ");
  EXPECT_EQ(FolderPart("ソ表"), "");
  EXPECT_FALSE(EndsWithDelimiter("C:\\data\\ソ"));
  EXPECT_FALSE(EndsWithDelimiter("D:\\表"));
  EXPECT_TRUE(EndsWithDelimiter("D:\\表\\"));
  EXPECT_EQ(WithClosingDelimiter("D:\\表"), "D:\\表\\");
  EXPECT_EQ(WithoutClosingDelimiter("D:\\表"), "D:\\表");
  EXPECT_EQ(WithoutClosingDelimiter("D:\\表\\"), "D:\\表");
}

TEST(SjisPath, FileNameFollowsLastBackslashOrColon) {
  EXPECT_EQ(FileNamePart("C:\\in\\a.lzh"), "a.lzh");
  EXPECT_EQ(FileNamePart("C:a.lzh"), "a.lzh");
  EXPECT_EQ(FileNamePart("a.lzh"), "a.lzh");
  EXPECT_EQ(FileNamePart("C:\\in\\"), "");
}

TEST(SjisPath, ExtensionOnlyWhenNoDelimiterFollowsTheDot) {
  EXPECT_EQ(ExtensionOf("BOOK.LZH"), ".LZH");
  EXPECT_EQ(ExtensionOf("a.tar.gza"), ".gza");
  EXPECT_EQ(ExtensionOf("C:\\old.zip\\notes"), "");
  EXPECT_EQ(ExtensionOf("C:\\old.zip\\ソ"), "");
  EXPECT_EQ(ExtensionOf("noext"), "");
  EXPECT_EQ(ExtensionOf("trailing."), ".");
  EXPECT_EQ(ExtensionOf("C:.zip"), ".zip");
}

TEST(SjisPath, BaseNameDropsOnlyTheLastExtension) {
  EXPECT_EQ(BaseName("D:\\arc\\photos.2000.zip"), "photos.2000");
  EXPECT_EQ(BaseName("D:\\v1.0\\readme"), "readme");
  EXPECT_EQ(BaseName("D:\\arc\\表.lzh"), "表");
  EXPECT_EQ(BaseName(".lzh"), "");
}

TEST(SjisPath, RootKeepsItsDelimiterOnlyWhenAsked) {
  EXPECT_EQ(FolderPart("C:\\a.lzh"), "C:\\");
  EXPECT_EQ(WithoutClosingDelimiter("C:\\"), "C:");
  EXPECT_EQ(WithClosingDelimiter(""), "\\");
  EXPECT_FALSE(EndsWithDelimiter(""));
}

TEST(SjisPath, CutNeverSplitsADoubleByteCharacter) {
  EXPECT_EQ(CutToBytes("ab表", 3), "ab");
  EXPECT_EQ(CutToBytes("ab表", 4), "ab表");
  EXPECT_EQ(CutToBytes("ｱｲｳ", 2), "ｱｲ");  // half-width katakana are single bytes
  EXPECT_EQ(CutToBytes("abc", 10), "abc");
  // A lone lead byte at the end counts as a two-byte character.
  EXPECT_EQ(CutToBytes("a\x83", 2), "a");
}

// A lead byte that ends a text without its second byte would take an
// appended "\" or "." as that byte: 0x83 and "\" read as "ソ".
TEST(SjisPath, NothingIsAppendedToAHalfCharacter) {
  EXPECT_EQ(WithClosingDelimiter("D:\\a\x83"), "D:\\a\\");
  EXPECT_TRUE(EndsWithDelimiter(WithClosingDelimiter("D:\\表\x95")));
  EXPECT_EQ(WithClosingDelimiter("D:\\表"), "D:\\表\\");
  EXPECT_EQ(WithExtension("C:\\Plenkit\x83", ".ini"), "C:\\Plenkit.ini");
  EXPECT_EQ(WithExtension("C:\\ソ", ".ini"), "C:\\ソ.ini");
}

TEST(SjisPath, ExtensionReplacedOrAppended) {
  EXPECT_EQ(WithExtension("C:\\Tools\\Trobix.exe", ".ini"), "C:\\Tools\\Trobix.ini");
  EXPECT_EQ(WithExtension("C:\\v1.0\\Plenkit", ".chm"), "C:\\v1.0\\Plenkit.chm");
  EXPECT_EQ(WithExtension("C:\\ソ\\a.b.exe", ".ini"), "C:\\ソ\\a.b.ini");
}
