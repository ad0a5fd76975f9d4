#include "archiver/entry_row.h"

#include "text/number_text.h"

namespace plenkit {

EntryRowTexts RowTexts(const ArchiveEntryInfo& info, char decimalSep) {
  const int width = static_cast<int>(EntrySizeDigits);
  return {FormatFixed(info.uncompressedSize * 0.001, width, 2, decimalSep) + "KB",
          FormatFixed(info.compressedSize * 0.001, width, 2, decimalSep) + "KB",
          FormatFixed(info.ratio, 1, 1, decimalSep) + "%",
          FormatDateTime(info.year, info.month, info.day, info.hour, info.minute, '/', ':')};
}

}  // namespace plenkit
