// The texts of one row of the contents list, from an entry record.
#pragma once
#include <string>

#include "archiver/entry_record.h"

namespace plenkit {

struct EntryRowTexts {
  std::string original;    // "%9.2fKB" of the uncompressed size in 1,000 bytes
  std::string compressed;  // the same of the compressed size
  std::string ratio;       // "%1.1f%%"
  std::string date;        // "yyyy/mm/dd hh:nn"
};

EntryRowTexts RowTexts(const ArchiveEntryInfo& info, char decimalSep);

// The size columns give the totals from their first nine characters: the
// number without "KB".
constexpr std::size_t EntrySizeDigits = 9;

}  // namespace plenkit
