#include "archiver/kinds.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace plenkit;

TEST(Kinds, ExtensionDecidesTheKindWhateverTheCase) {
  EXPECT_EQ(KindOfFileName("BOOK.LZH"), Lzh);
  EXPECT_EQ(KindOfFileName("book.Lzh"), Lzh);
  EXPECT_EQ(KindOfFileName("DATA.ZIP"), Zip);
  EXPECT_EQ(KindOfFileName("x.cab"), Cab);
  EXPECT_EQ(KindOfFileName("x.ArJ"), Arj);
  EXPECT_EQ(KindOfFileName("x.rar"), Rar);
  EXPECT_EQ(KindOfFileName("a.tar.gza"), Bga);
  EXPECT_EQ(KindOfFileName("a.BZA"), Bga);
  EXPECT_EQ(KindOfFileName("C:\\ソ\\表.lzh"), Lzh);
}

TEST(Kinds, NoKindForOtherNames) {
  EXPECT_EQ(KindOfFileName("a.gz"), NoKind);
  EXPECT_EQ(KindOfFileName("a.lha"), NoKind);
  EXPECT_EQ(KindOfFileName("lzh"), NoKind);
  EXPECT_EQ(KindOfFileName("C:\\old.zip\\notes"), NoKind);
  EXPECT_EQ(KindOfFileName("a.lzh "), NoKind);
  EXPECT_EQ(KindOfFileName("a.lzhx"), NoKind);
  EXPECT_EQ(KindOfFileName(""), NoKind);
}

TEST(Kinds, LibraryNamesAndEntryPointsSpelledExactly) {
  const char* libraries[] = {"UnLha32.Dll",  "UnZip32.Dll", "Cab32.Dll",
                             "UnArj32j.Dll", "UnRar32.Dll", "Bga32.Dll"};
  const char* counts[] = {"UnlhaGetFileCount", "UnZipGetFileCount", "CabGetFileCount",
                          "UnarjGetFileCount", "UnrarGetFileCount", "BgaGetFileCount"};
  std::string labels;
  for (int k = 0; k < KindCount; ++k) {
    const auto kind = static_cast<ArchiverKind>(k);
    EXPECT_STREQ(KindTable(kind).library, libraries[k]);
    EXPECT_STREQ(EntryPoint(kind, "GetFileCount").text, counts[k]);
    labels += KindTable(kind).label;
  }
  EXPECT_EQ(labels, "lzh zip cab arj rar bza gza");
  EXPECT_STREQ(EntryPoint(Lzh, "CloseArchive").text, "UnlhaCloseArchive");
  EXPECT_STREQ(EntryPoint(Rar, "").text, "Unrar");
}

TEST(Kinds, KindsOutsideTheTableHaveNoNamesAndNoCommands) {
  for (const auto kind :
       {NoKind, static_cast<ArchiverKind>(KindCount), static_cast<ArchiverKind>(-1)}) {
    const KindInfo& row = KindTable(kind);
    EXPECT_STREQ(row.library, "") << kind;
    EXPECT_STREQ(row.label, "");
    EXPECT_EQ(row.extensions[0], nullptr);
    EXPECT_EQ(row.printTemplate, nullptr);
    EXPECT_STREQ(EntryPoint(kind, "GetFileCount").text, "");
  }
}
