// A zip listed from its central directory alone, read where extraction
// reads it: each member listed is the one its index extracts, whatever the
// directory's order, a stub before the archive, or local headers the
// listing never looks at.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codecs/checksums.h"
#include "formats/byte_source.h"
#include "formats/reader.h"
#include "formats/registry.h"
#include "formats/results.h"

using namespace archivers;

namespace {

std::string Le16(unsigned value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8)};
}
std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

std::uint32_t Crc32Of(const std::string& data) {
  return Crc32(0, reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

// One stored member, as its local header and its directory entry say it.
struct Stored {
  Stored(std::string name, std::string data, unsigned host = 0, std::uint32_t external = 0x20,
         std::uint16_t date = 0x5821, std::uint16_t time = 0x6000, std::string extra = "")
      : name(std::move(name)),
        data(std::move(data)),
        host(host),
        external(external),
        date(date),
        time(time),
        extra(std::move(extra)) {}
  std::string name, data;
  unsigned host;  // "version made by"'s system: 0 DOS, 3 Unix, 10 NTFS
  std::uint32_t external;
  std::uint16_t date, time;  // 2024-01-01 12:00 unless told
  std::string extra;         // the directory entry's extra fields
  bool spoiled = false;      // its local header's signature is not one
  unsigned method = 0;       // as both headers say; the data is stored all the same
};

// A directory entry: the member whose local header it names, under its own
// name or another.
struct Entry {
  std::size_t member;
  std::string name;
};

struct Layout {
  Layout(std::string stub = "", std::vector<Entry> entries = {}, long declared = -1,
         std::size_t comment = 0, std::string junk = "")
      : stub(std::move(stub)),
        entries(std::move(entries)),
        declared(declared),
        comment(comment),
        junk(std::move(junk)) {}
  std::string stub;            // before the archive, a self-extracting program's place
  std::vector<Entry> entries;  // empty: one per member, in their order
  long declared;               // the members the end record declares; -1: the entries
  std::size_t comment;         // the archive comment's length
  std::string junk;            // between the directory's first entry and the rest
};

std::string Zip(const std::vector<Stored>& members, Layout layout = {}) {
  std::string data;
  std::vector<std::uint32_t> at;
  for (const Stored& m : members) {
    at.push_back(static_cast<std::uint32_t>(data.size()));
    data += (m.spoiled ? "XX\3\4" : "PK\3\4") + Le16(20) + Le16(0) + Le16(m.method) + Le16(m.time) +
            Le16(m.date) + Le32(Crc32Of(m.data)) + Le32(m.data.size()) + Le32(m.data.size()) +
            Le16(m.name.size()) + Le16(0) + m.name + m.data;
  }
  if (layout.entries.empty()) {
    for (std::size_t i = 0; i < members.size(); ++i) layout.entries.push_back({i, members[i].name});
  }
  std::string directory;
  for (const Entry& e : layout.entries) {
    const Stored& m = members[e.member];
    directory += "PK\1\2" + Le16(m.host << 8 | 20) + Le16(20) + Le16(0) + Le16(m.method) +
                 Le16(m.time) + Le16(m.date) + Le32(Crc32Of(m.data)) + Le32(m.data.size()) +
                 Le32(m.data.size()) + Le16(e.name.size()) + Le16(m.extra.size()) + Le16(0) +
                 Le16(0) + Le16(0) + Le32(m.external) + Le32(at[e.member]) + e.name + m.extra;
    if (&e == &layout.entries.front()) directory += layout.junk;
  }
  const std::size_t declared = layout.declared < 0 ? layout.entries.size() : layout.declared;
  return layout.stub + data + directory + "PK\5\6" + Le16(0) + Le16(0) + Le16(declared) +
         Le16(declared) + Le32(directory.size()) + Le32(data.size()) + Le16(layout.comment) +
         std::string(layout.comment, 'c');
}

struct Listed {
  std::unique_ptr<const std::string> zip;  // the reader's bytes
  std::unique_ptr<Reader> reader;
  bool read = false;
  Listing listing;
};

Listed List(std::string zip) {
  Listed listed;
  listed.zip = std::make_unique<const std::string>(std::move(zip));
  listed.reader = MakeReader(
      Format::Zip, std::make_unique<MemorySource>(listed.zip->data(), listed.zip->size()));
  listed.read = listed.reader && listed.reader->List(listed.listing);
  return listed;
}

// Each member's name and what reading it by its index gives: its result,
// and the name of the member whose data came out.
std::string Rows(Listed& listed, const std::vector<Stored>& members) {
  std::string rows;
  for (std::size_t i = listed.listing.members.size();
       i-- > 0;) {  // backwards: each read starts anew
    const Member& member = listed.listing.members[i];
    std::string data;
    const int result =
        listed.reader->Read(i, member, [&](const unsigned char* bytes, std::size_t size) {
          data.append(reinterpret_cast<const char*>(bytes), size);
          return true;
        });
    std::string whose = "?";
    for (const Stored& m : members) {
      if (!data.empty() && m.data == data) whose = m.name;
    }
    char failure[16];
    std::snprintf(failure, sizeof failure, ":%X", static_cast<unsigned>(result));
    rows = member.name + (result == 0 ? "=" + whose : failure) + (rows.empty() ? "" : " ") + rows;
  }
  return rows;
}

const std::vector<Stored> kThree = {
    {"a.txt", "alpha"}, {"b.txt", "bravo bravo"}, {"dir/c.txt", "charlie charlie charlie"}};

}  // namespace

TEST(ZipListing, EachIndexReadsItsOwnMember) {
  std::vector<Stored> spoiled = kThree;
  spoiled[1].spoiled = true;
  // A link whose target libarchive cannot read (it decodes those deflated
  // or LZMA): the member after it is read all the same.
  std::vector<Stored> link = {{"link", "target", 3, 0120777u << 16}, kThree[1]};
  link[0].method = 93;
  const struct {
    const char* what;
    std::vector<Stored> members;
    Layout layout;
    std::string rows;
    int damaged;
    std::uint64_t unreached;
    int headers;  // what a look at the local headers finds
  } cases[] = {
      // clang-format off
      {"in order", kThree, {}, "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt", 0, 0, 0},
      // The local headers' order, as extraction walks them, not the
      // directory's.
      {"directory in another order", kThree, {"", {{2, "dir/c.txt"}, {0, "a.txt"}, {1, "b.txt"}}},
       "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt", 0, 0, 0},
      {"behind a stub", kThree, {"MZ" + std::string(998, '\0')},
       "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt", 0, 0, 0},
      // An entry naming a local header named before is none of its own.
      {"one local header named twice", kThree, {"", {{0, "a.txt"}, {1, "b.txt"}, {0, "x.txt"}, {2, "dir/c.txt"}}},
       "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt", ERROR_HEADER_BROKEN, 1, 0},
      {"named twice, the other name first", kThree, {"", {{0, "x.txt"}, {1, "b.txt"}, {0, "a.txt"}}},
       "x.txt=a.txt b.txt=b.txt", ERROR_HEADER_BROKEN, 1, 0},
      {"more entries than declared", kThree, {"", {}, 2}, "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt", 0, 0, 0},
      {"fewer entries than declared", kThree, {"", {}, 5}, "a.txt=a.txt b.txt=b.txt dir\\c.txt=dir/c.txt",
       ERROR_HEADER_BROKEN, 2, 0},
      // The listing never reads a local header; extraction stops at a
      // spoiled one.
      {"a local header spoiled", spoiled, {}, "a.txt=a.txt b.txt:8017 dir\\c.txt:8017", 0, 0, ERROR_HEADER_BROKEN},
      {"a link libarchive cannot read", link, {}, "link:8017 b.txt=b.txt", 0, 0, ERROR_HEADER_BROKEN},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Listed listed = List(Zip(c.members, c.layout));
    ASSERT_TRUE(listed.read);
    EXPECT_EQ(Rows(listed, c.members), c.rows);
    EXPECT_EQ(listed.listing.damaged, c.damaged);
    EXPECT_EQ(listed.listing.unreached, c.unreached);
    EXPECT_EQ(listed.reader->CheckHeaders(), c.headers);
  }
}

// The directory is found where extraction finds it, or the zip is none.
TEST(ZipListing, TheDirectoryOrNothing) {
  const std::string endOnDisk1 = [] {
    std::string zip = Zip(kThree);
    zip[zip.size() - 22 + 4] = 1;
    return zip;
  }();
  const struct {
    const char* what;
    std::string zip;
    bool read;
    int damaged;
    std::size_t members;
  } cases[] = {
      {"a comment of 15,000 bytes", Zip(kThree, {"", {}, -1, 15000}), true, 0, 3},
      // Beyond the last 16 KiB, where extraction does not look.
      {"a comment of 20,000 bytes", Zip(kThree, {"", {}, -1, 20000}), false, ERROR_HEADER_BROKEN,
       0},
      {"no entry where one should be", Zip(kThree, {"", {}, -1, 0, "JUNK"}), false,
       ERROR_HEADER_BROKEN, 0},
      {"an end record alone", Zip({}), true, 0, 0},
      {"an end record of another disk", endOnDisk1, false, ERROR_HEADER_BROKEN, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Listed listed = List(c.zip);
    EXPECT_EQ(listed.read, c.read);
    EXPECT_EQ(listed.listing.damaged, c.damaged);
    EXPECT_EQ(listed.listing.members.size(), c.members);
  }
}

TEST(ZipListing, FoldersLinksAndTimesFromTheDirectory) {
  const auto unixTime = [](std::uint32_t seconds) {
    return Le16(0x5455) + Le16(5) + '\1' + Le32(seconds);
  };
  const std::string ntfsTimes = Le16(0x000A) + Le16(32) + std::string(32, '\1');
  Member at1700000000, undated, dosTime;
  at1700000000.SetUnixTime(1700000000);
  undated.SetDosTime(0, 0);
  dosTime.SetUnixTime(SecondsOfLocalDosTime(0x5821, 0x6000));
  const struct {
    Stored member;
    const char* kind;  // "file", "folder" or "link"
    const Member* time;
  } cases[] = {
      {{"plain.txt", "x"}, "file", &dosTime},
      {{"slash/", ""}, "folder", &dosTime},
      {{"unixdir", "", 3, 0040755u << 16}, "folder", &dosTime},
      {{"unixlink", "target", 3, 0120777u << 16}, "link", &dosTime},
      {{"fifo", "x", 3, 0010644u << 16}, "file", &dosTime},
      {{"dosdir", "", 0, 0x10}, "folder", &dosTime},
      {{"readonly dosdir", "", 0, 0x11}, "folder", &dosTime},
      {{"ntfs folder bit", "", 10, 0x10}, "file", &dosTime},
      // A DOS tool that used "\" alone; where "/" is used, "\" ends no folder.
      {{"dos\\sub\\", ""}, "folder", &dosTime},
      {{"mixed/sub\\", ""}, "file", &dosTime},
      {{"ut.txt", "x", 0, 0x20, 0x5821, 0x6000, unixTime(1700000000)}, "file", &at1700000000},
      {{"ut undated.txt", "x", 0, 0x20, 0, 0, unixTime(1700000000)}, "file", &at1700000000},
      {{"undated.txt", "x", 0, 0x20, 0, 0}, "file", &undated},
      {{"ntfs undated.txt", "x", 0, 0x20, 0, 0, ntfsTimes}, "file", &undated},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.member.name);
    const Listed listed = List(Zip({c.member}));
    ASSERT_TRUE(listed.read);
    ASSERT_EQ(listed.listing.members.size(), 1u);
    const Member& m = listed.listing.members[0];
    EXPECT_EQ(m.folder ? "folder" : m.link ? "link" : "file", std::string(c.kind));
    EXPECT_EQ(m.date, c.time->date);
    EXPECT_EQ(m.time, c.time->time);
    EXPECT_EQ(m.written, c.time->written);
  }
}
