#include "archiver/entry_record.h"

#include <cstring>
#include <string_view>

#include "text/sjis_path.h"

namespace plenkit {

namespace {

std::uint16_t Word(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t Dword(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

DosDateTime DecodeDosDateTime(std::uint16_t date, std::uint16_t time) {
  return {((date >> 9) & 0x7F) + 1980, (date >> 5) & 0x0F, date & 0x1F,
          (time >> 11) & 0x1F,         (time >> 5) & 0x3F, (time & 0x1F) * 2};
}

void FillEntryInfo(const unsigned char (&record)[IndividualInfoBytes], ArchiveEntryInfo& info) {
  using namespace individual_info;
  std::memset(&info, 0, sizeof info);

  // The name may lack its zero inside the area; never read past it.
  const char* name = reinterpret_cast<const char*>(record + FileName);
  const std::size_t room = IndividualInfoBytes - FileName;
  const std::string_view whole(name, strnlen(name, room));
  // Only a name that does not fit is cut: one of 259 bytes whose last byte
  // is a lone lead byte stays as the library gave it.
  const std::string_view kept =
      whole.size() < sizeof info.name ? whole : CutToBytes(whole, sizeof info.name - 1);
  std::memcpy(info.name, kept.data(), kept.size());

  info.uncompressedSize = Dword(record + OriginalSize);
  info.compressedSize = Dword(record + CompressedSize);
  info.ratio = Word(record + Ratio) * 0.1;
  const DosDateTime t = DecodeDosDateTime(Word(record + Date), Word(record + Time));
  info.year = t.year;
  info.month = t.month;
  info.day = t.day;
  info.hour = t.hour;
  info.minute = t.minute;
  info.second = t.second;
}

}  // namespace plenkit
