// Real archives for the stand-in archivers: zip, lzh, cab and rar read
// through libarchive, arj through code of our own. Each stand-in reads the
// format of the library whose name it has.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "real/members.h"

namespace standin {

// The members of the real archive at `path`, or null when it is not an
// archive of `format`. The last archive read is kept, with a reader placed
// where the last command left it, while its size and time stay the same.
std::shared_ptr<const Listing> ListArchive(Format format, const char* path);

// Writes the named members (every member when `names` is empty) under
// `destination`. A member whose name leaves the destination, an encrypted
// or damaged one is not written; the result is then the first failure.
int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names);

// Copies the named member's bytes into output, followed by a zero, all
// within `size` bytes.
int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size);

// Creates `folder` and every missing folder above it.
bool MakeFolders(const std::string& folder);

}  // namespace standin
