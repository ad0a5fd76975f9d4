#include "win/real_archives.h"

#include <windows.h>

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
  if (archive.size() > 4 && archive.compare(archive.size() - 4, 4, ".rar") == 0) {
    return ReadBytes(Folder() + "ref\\" + archive + "\\" + name);
  }
  // zip took this one from its standard input.
  if (name == "-") return ReadBytes(Folder() + "tree\\表示.txt");
  return ReadBytes(Folder() + "tree\\" + name);
}

}  // namespace real_archives
