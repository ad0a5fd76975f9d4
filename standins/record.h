// The entry record an archiver fills for FindFirst and FindNext, as the
// caller lays it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace standin {

// The caller reserves 560 bytes for an entry record; bytes 558 and 559 are
// touched only by a described entry that asks for its name area filled to
// the last byte, so a caller that reads them otherwise sees its own fill.
constexpr std::size_t kRecordBytes = 560;
constexpr std::size_t kInfoBytes = 558;
constexpr std::size_t kNameOffset = 26;
constexpr std::size_t kNameMax = 512;
// What a caller keeps beyond a print buffer's stated size; writing past it
// would corrupt the caller's heap, not test it.
constexpr long long kMarginBytes = 400;

// Longer names are cut without a terminator, as a record has room for only
// 512 name bytes and one zero.
inline void FillRecord(std::uint32_t size, std::uint32_t packed, std::uint16_t ratio, std::uint16_t date,
                       std::uint16_t time, const std::string& name, void* info) {
  if (!info) return;
  unsigned char* record = static_cast<unsigned char*>(info);
  std::memset(record, 0, kInfoBytes);
  const auto put = [record](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) record[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  put(0, size, 4);
  put(4, packed, 4);
  put(20, ratio, 2);
  put(22, date, 2);
  put(24, time, 2);
  std::memcpy(record + kNameOffset, name.data(), name.size() < kNameMax ? name.size() : kNameMax);
}

}  // namespace standin
