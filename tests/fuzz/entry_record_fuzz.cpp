// The record conversion from 560 bytes a library filled: nothing read
// outside the area, the name a zero-terminated prefix of the name field cut
// only between characters, the numbers as they stand, and the row texts of
// the contents list read back as the totals read them.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "archiver/entry_record.h"
#include "archiver/entry_row.h"
#include "fuzz_check.h"
#include "text/number_text.h"

using namespace plenkit;
using namespace fuzzing;

namespace {

std::uint32_t Dword(const unsigned char* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The row text of a size read back from its first nine characters, as the
// totals do; sizes of a million KB and more lose their last digit there.
void CheckSizeText(const std::string& text, std::uint32_t bytes, char decimal) {
  FUZZ_CHECK(text.size() >= EntrySizeDigits + 2 && text.compare(text.size() - 2, 2, "KB") == 0);
  const auto read = ReadDecimal(std::string_view(text).substr(0, EntrySizeDigits), decimal);
  FUZZ_CHECK(read.has_value());
  const double step = bytes >= 1000000000u ? 0.1 : 0.01;
  FUZZ_CHECK(std::fabs(*read - bytes * 0.001) <= step + 1e-9);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // An area of its own on the heap, so that any read past it is caught. A
  // short input repeats: names without a zero come easily that way.
  const std::unique_ptr<unsigned char[]> area(new unsigned char[IndividualInfoBytes]);
  for (std::size_t i = 0; i < IndividualInfoBytes; ++i) area[i] = data[i % size];
  const auto& record = *reinterpret_cast<const unsigned char(*)[IndividualInfoBytes]>(area.get());

  ArchiveEntryInfo info;
  std::memset(&info, 0xA5, sizeof info);
  FillEntryInfo(record, info);

  const char* field = reinterpret_cast<const char*>(area.get() + individual_info::FileName);
  const std::string_view whole(field,
                               strnlen(field, IndividualInfoBytes - individual_info::FileName));
  const std::size_t length = strnlen(info.name, sizeof info.name);
  FUZZ_CHECK(length < sizeof info.name);
  for (std::size_t i = length; i < sizeof info.name; ++i) FUZZ_CHECK(info.name[i] == 0);
  const std::string_view name(info.name, length);
  FUZZ_CHECK(IsPrefix(name, whole));
  if (name.size() < whole.size()) {
    // Cut only where it had to be, and between characters.
    FUZZ_CHECK(whole.size() >= sizeof info.name);
    FUZZ_CHECK(name.size() >= sizeof info.name - 2);
    FUZZ_CHECK(CharacterStarts(whole)[name.size()]);
  }

  FUZZ_CHECK(info.uncompressedSize == Dword(area.get() + individual_info::OriginalSize));
  FUZZ_CHECK(info.compressedSize == Dword(area.get() + individual_info::CompressedSize));
  const unsigned ratio = area[individual_info::Ratio] | area[individual_info::Ratio + 1] << 8;
  FUZZ_CHECK(info.ratio == ratio * 0.1);
  FUZZ_CHECK(info.year >= 1980 && info.year <= 2107);
  FUZZ_CHECK(info.month >= 0 && info.month <= 15 && info.day >= 0 && info.day <= 31);
  FUZZ_CHECK(info.hour >= 0 && info.hour <= 31 && info.minute >= 0 && info.minute <= 63);
  FUZZ_CHECK(info.second >= 0 && info.second <= 62 && info.second % 2 == 0);

  const char decimal = data[0] % 2 ? ',' : '.';
  const EntryRowTexts row = RowTexts(info, decimal);
  CheckSizeText(row.original, info.uncompressedSize, decimal);
  CheckSizeText(row.compressed, info.compressedSize, decimal);
  FUZZ_CHECK(row.ratio.back() == '%');
  const auto ratioRead =
      ReadDecimal(std::string_view(row.ratio).substr(0, row.ratio.size() - 1), decimal);
  FUZZ_CHECK(ratioRead && std::fabs(*ratioRead - info.ratio) <= 0.05 + 1e-9);
  FUZZ_CHECK(row.date.size() == 16);
  return 0;
}
