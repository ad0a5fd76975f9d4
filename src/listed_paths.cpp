#include "listed_paths.h"

#include <windows.h>

std::string ListedPaths::Key(const std::string& path) {
  constexpr DWORD kRule = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int length = static_cast<int>(path.size());
  const int size = LCMapStringA(LOCALE_USER_DEFAULT, kRule, path.c_str(), length, nullptr, 0);
  if (size <= 0) return path;
  std::string key(static_cast<std::size_t>(size), '\0');
  LCMapStringA(LOCALE_USER_DEFAULT, kRule, path.c_str(), length, key.data(), size);
  return key;
}

void ListedPaths::Add(const std::string& path) { ++counts_[Key(path)]; }

void ListedPaths::Remove(const std::string& path) {
  const auto found = counts_.find(Key(path));
  if (found != counts_.end() && --found->second == 0) counts_.erase(found);
}

bool ListedPaths::Contains(const std::string& path) const { return counts_.count(Key(path)) != 0; }
