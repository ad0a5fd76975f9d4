#include "formats/directory.h"

#include "names/paths.h"

namespace archivers {

std::string MatchingName(std::string name) {
  UseBackslashes(name);
  while (!name.empty() && name.back() == '\\') name.pop_back();
  return name;
}

DirectoryMatcher::DirectoryMatcher(bool byName, const std::vector<DirectoryEntry>& entries)
    : byName_(byName), entries_(entries) {}

const DirectoryEntry* DirectoryMatcher::Next(const std::string& name, std::uint64_t size) {
  if (!byName_) {
    const std::size_t i = next_++;
    return i < entries_.size() && entries_[i].size == size ? &entries_[i] : nullptr;
  }
  std::size_t length = name.size();
  while (length > 0 && name[length - 1] == '\\') --length;
  // In almost every zip the local headers' order is the members' own: the
  // next one is tried first, and a name index made only when that fails.
  if (!indexed_ && next_ < entries_.size() && entries_[next_].size == size) {
    return &entries_[next_++];
  }
  if (!indexed_) {
    for (std::size_t i = entries_.size(); i-- > next_;) named_[entries_[i].name].push_back(i);
    indexed_ = true;
  }
  auto found = named_.find(name.substr(0, length));
  if (found == named_.end() || found->second.empty()) return nullptr;
  const std::size_t i = found->second.back();
  found->second.pop_back();
  return &entries_[i];
}

}  // namespace archivers
