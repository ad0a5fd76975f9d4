// The entry record an archiver fills for FindFirst and FindNext, laid out
// as every caller of this API declares it: packed, the same in the 32-bit
// and the 64-bit build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace archivers {

#pragma pack(push, 1)
struct EntryRecord {
  std::uint32_t originalSize = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t crc = 0;
  std::uint32_t flag = 0;  // a command's result for the member: none here
  std::uint32_t osType = 0;
  std::uint16_t ratio = 0;  // tenths of a percent: what is left of the original
  std::uint16_t date = 0;   // DOS date and time, local
  std::uint16_t time = 0;
  char fileName[513] = {};  // Shift-JIS, "\" between folders
  char padding[3] = {};
  char attribute[8] = {};  // the attributes as text, each format its own way
  char method[8] = {};     // the method as text: "-lh5-", "Deflate"
};
#pragma pack(pop)

static_assert(offsetof(EntryRecord, crc) == 8 && offsetof(EntryRecord, osType) == 16 &&
                  offsetof(EntryRecord, ratio) == 20 && offsetof(EntryRecord, fileName) == 26 &&
                  offsetof(EntryRecord, attribute) == 542 && offsetof(EntryRecord, method) == 550,
              "the record's fields stand where callers read them");
static_assert(sizeof(EntryRecord) == 558, "callers reserve at least the record's 558 bytes");

// The caller reserves 560 bytes for a record; bytes 558 and 559 are
// touched only by a described entry that asks for its name area filled to
// the last byte, so a caller that reads them otherwise sees its own fill.
constexpr std::size_t kRecordBytes = 560;
constexpr std::size_t kNameOffset = offsetof(EntryRecord, fileName);
// What a caller keeps beyond a print buffer's stated size; writing past it
// would corrupt the caller's heap, not test it.
constexpr long long kMarginBytes = 400;

// Copies `text` into a field of the record, cut to leave its terminating zero.
template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
  std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

// Writes `record` with `name` (cut to the 512 bytes a record holds) over
// the caller's record at `info`.
inline void WriteRecord(EntryRecord record, const std::string& name, void* info) {
  if (!info) return;
  PutText(record.fileName, name);
  std::memcpy(info, &record, sizeof record);
}

}  // namespace archivers
