// The six archiver kinds of the Common Archiver API and their fixed table.
#pragma once
#include <cstdint>
#include <string_view>

namespace plenkit {

enum ArchiverKind : std::int32_t {
  Lzh = 0,
  Zip = 1,
  Cab = 2,
  Arj = 3,
  Rar = 4,
  Bga = 5,
  NoKind = 99,
};

constexpr int KindCount = 6;

// One row of the kind table. Names are held in fixed 20-byte slots, as the
// longest entry-point name ("UnlhaGetFileCount") fits with room to spare.
struct KindInfo {
  char library[20];  // file name, spelled exactly
  char prefix[20];   // command entry point and name stem
  const char* extensions[2];
  const char* label;  // status-bar text of an available kind
  const char* extractTemplate;
  const char* printTemplate;  // null: the kind has no print command
};

// The kind's row; NoKind, or any value outside the six, gets a row with
// empty names and no commands.
const KindInfo& KindTable(ArchiverKind kind);

// The kind an archive's file name asks for, by its extension (letter case
// ignored); NoKind when no kind matches. Availability is not considered.
ArchiverKind KindOfFileName(std::string_view fileName);

// prefix + suffix, e.g. "UnlhaGetFileCount"; fits the 20-byte slot. Empty
// for a kind outside the table.
struct EntryPointName {
  char text[20];
};
EntryPointName EntryPoint(ArchiverKind kind, const char* suffix);

}  // namespace plenkit
