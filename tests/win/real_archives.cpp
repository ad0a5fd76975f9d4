#include "win/real_archives.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "win/test_support.h"

using testing_support::OutputFolder;
using testing_support::ReadBytes;

namespace real_archives {

std::string Folder() { return OutputFolder() + "..\\..\\archives\\"; }

std::vector<Row> ToolListing(const std::string& archive) {
  std::vector<Row> rows;
  std::istringstream lines(ReadBytes(archive + ".list"));
  for (std::string line; std::getline(lines, line);) {
    Row row;
    std::istringstream fields(line);
    std::string size;
    std::getline(fields, row.name, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, row.packed, '\t');
    std::getline(fields, row.stamp);
    row.size = static_cast<std::uint32_t>(std::stoul(size));
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> Made() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((Folder() + "*.list").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    names.push_back(name.substr(0, name.size() - 5));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string Original(const std::string& archive, const std::string& name) {
  // What bsdtar extracted of an archive no tool here made.
  if (testing_support::IsFolder(Folder() + "ref\\" + archive))
    return ReadBytes(Folder() + "ref\\" + archive + "\\" + name);
  // zip took this one from its standard input.
  if (name == "-") return ReadBytes(Folder() + "tree\\表示.txt");
  return ReadBytes(Folder() + "tree\\" + name);
}

std::vector<std::string> Tree(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      found.push_back(prefix + name + "\\");
      for (const std::string& inner : Tree(folder + "\\" + name, prefix + name + "\\"))
        found.push_back(inner);
    } else {
      found.push_back(prefix + name + ":" + std::to_string(entry.nFileSizeLow));
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<Listed> Archivers::List(const std::string& path) {
  std::vector<Listed> rows;
  EXPECT_TRUE(set.SelectKind(path)) << path;
  const plenkit::HARC archive = set.OpenArchive(path);
  if (!archive) return rows;
  plenkit::ArchiveEntryInfo info;
  for (int r = set.FindFirstEntry(archive, info); r == 0; r = set.FindNextEntry(archive, info)) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", static_cast<int>(info.year),
                  static_cast<int>(info.month), static_cast<int>(info.day),
                  static_cast<int>(info.hour), static_cast<int>(info.minute),
                  static_cast<int>(info.second));
    rows.push_back({info.name, info.uncompressedSize, info.compressedSize, stamp});
  }
  set.CloseArchive(archive);
  return rows;
}

int Archivers::Extract(const std::string& path, const std::string& destination,
                       const std::string& name) {
  set.SelectKind(path);
  int result = 0;
  boxes = testing_support::DialogsDuring(
      [&] { result = set.RunArchiverCommand(path, destination, name); }, answer);
  return result;
}

}  // namespace real_archives
