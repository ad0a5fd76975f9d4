// The paths of the archive list, kept beside its rows so that the test for
// a duplicate costs one look-up instead of a pass over every row.
#pragma once
#include <string>
#include <unordered_map>

// Two paths are the same when the user's locale compares them equal with
// letter case ignored. Their sort keys under that rule are then equal too,
// and the sort key is what is kept.
class ListedPaths {
 public:
  void Add(const std::string& path);
  void Remove(const std::string& path);
  void Clear() { counts_.clear(); }
  bool Contains(const std::string& path) const;

 private:
  static std::string Key(const std::string& path);
  // A count, not a flag: rows that were never added through the list's
  // checks may share a path.
  std::unordered_map<std::string, int> counts_;
};
