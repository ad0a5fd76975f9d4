#include "archiver/entry_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace plenkit;

namespace {

struct Record {
  unsigned char bytes[IndividualInfoBytes] = {};
  void Put16(std::size_t at, unsigned v) {
    bytes[at] = v & 0xFF;
    bytes[at + 1] = (v >> 8) & 0xFF;
  }
  void Put32(std::size_t at, unsigned v) {
    Put16(at, v & 0xFFFF);
    Put16(at + 2, v >> 16);
  }
  void Name(const std::string& name) {
    std::memcpy(bytes + individual_info::FileName, name.data(),
                std::min(name.size(), IndividualInfoBytes - individual_info::FileName));
  }
};

}  // namespace

TEST(EntryRecord, FieldsTakenAsTheyStand) {
  Record r;
  r.Put32(0, 0xFFFFFFFFu);
  r.Put32(4, 1536);
  r.Put16(20, 523);
  r.Put16(22, 0x2A21);
  r.Put16(24, 0x6B5E);
  r.Name("doc\\readme.txt");
  ArchiveEntryInfo info;
  std::memset(&info, 0x55, sizeof info);
  FillEntryInfo(r.bytes, info);
  EXPECT_STREQ(info.name, "doc\\readme.txt");
  EXPECT_EQ(info.uncompressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.compressedSize, 1536u);
  EXPECT_DOUBLE_EQ(info.ratio, 52.3);
  EXPECT_EQ(info.year, 2001);
  EXPECT_EQ(info.month, 1);
  EXPECT_EQ(info.day, 1);
  EXPECT_EQ(info.hour, 13);
  EXPECT_EQ(info.minute, 26);
  EXPECT_EQ(info.second, 60);  // no range check: 30 two-second units
  // The rest of the name field is cleared, not left from before.
  EXPECT_EQ(info.name[sizeof info.name - 1], 0);
}

TEST(EntryRecord, DateFieldsAtTheirLimits) {
  const DosDateTime t = DecodeDosDateTime(0xFFFF, 0xFFFF);
  EXPECT_EQ(t.year, 2107);
  EXPECT_EQ(t.month, 15);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.hour, 31);
  EXPECT_EQ(t.minute, 63);
  EXPECT_EQ(t.second, 62);
  const DosDateTime zero = DecodeDosDateTime(0, 0);
  EXPECT_EQ(zero.year, 1980);
  EXPECT_EQ(zero.month, 0);
  EXPECT_EQ(zero.day, 0);
}

TEST(EntryRecord, LongNamesAreCutInsideTheField) {
  Record r;
  r.Name(std::string(300, 'a'));
  ArchiveEntryInfo info;
  FillEntryInfo(r.bytes, info);
  EXPECT_EQ(std::strlen(info.name), 259u);

  // 258 single bytes then "表": the double-byte character would straddle
  // the limit, so it goes whole.
  Record s;
  s.Name(std::string(258, 'b') + "表.txt");
  FillEntryInfo(s.bytes, info);
  EXPECT_EQ(std::string(info.name), std::string(258, 'b'));

  // A name exactly 259 bytes long stays whole, even when its last byte is a
  // lead byte without its second byte.
  for (const std::string& fits : {std::string(255, 'c') + ".txt", std::string(258, 'c') + "\x95",
                                  std::string(257, 'c') + "表"}) {
    Record t;
    t.Name(fits);
    FillEntryInfo(t.bytes, info);
    EXPECT_EQ(std::string(info.name), fits);
  }
}

TEST(EntryRecord, NameWithoutZeroInTheAreaIsBounded) {
  Record r;
  std::memset(r.bytes + individual_info::FileName, 'z',
              IndividualInfoBytes - individual_info::FileName);
  ArchiveEntryInfo info;
  FillEntryInfo(r.bytes, info);
  EXPECT_EQ(std::strlen(info.name), 259u);
}
