// The archives Debian's own tools make at test time
// (scripts/make_archives.py), what the tools list of them, and what they
// archived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

}  // namespace real_archives
