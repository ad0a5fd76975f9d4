// The archives Debian's own tools make at test time
// (scripts/make_archives.py), what the tools list of them, and what they
// archived.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

namespace real_archives {

// build/archives, with a closing "\".
std::string Folder();

struct Row {
  std::string name, packed, stamp;  // packed "-": the tool does not say
  std::uint32_t size = 0;
};

// The tool's listing of the archive at `path`.
std::vector<Row> ToolListing(const std::string& path);

// Every archive the tools made, by file name.
std::vector<std::string> Made();

// What the member `name` of `archive` (a file name) holds, as archived.
std::string Original(const std::string& archive, const std::string& name);

// Everything under `folder`: "name\" for a folder, "name:size" for a
// file, sorted.
std::vector<std::string> Tree(const std::string& folder, const std::string& prefix = "");

// One entry as a walk gives it: name, sizes, time as YYYYMMDDhhmmss.
struct Listed {
  std::string name;
  std::uint32_t size, packed;
  std::string stamp;
};

// The stand-in archivers loaded from a sandbox of their own.
struct Archivers {
  Archivers() { set.LoadArchivers(); }
  ~Archivers() { set.FreeArchivers(); }

  std::vector<Listed> List(const std::string& path);
  // One command; the boxes it shows are answered with `answer` and kept in
  // `boxes`. The progress window is left alone unless `answer` says.
  int Extract(const std::string& path, const std::string& destination,
              const std::string& name = "");

  testing_support::Sandbox box;
  plenkit::ArchiverSet set;
  std::vector<std::string> boxes;
  // By default a password is never known: its box is answered "スキップ".
  std::function<int(const std::string&)> answer = [](const std::string& texts) {
    return IsProgress(texts) ? 0 : IsPasswordBox(texts) ? kSkipPassword : IDOK;
  };
  static bool IsProgress(const std::string& texts) { return texts.rfind("書庫: ", 0) == 0; }
  static bool IsPasswordBox(const std::string& texts) {
    return texts.find("文字を表示する") != std::string::npos;
  }
  static constexpr int kSkipPassword = 11, kPasswordEdit = 40;
};

}  // namespace real_archives
