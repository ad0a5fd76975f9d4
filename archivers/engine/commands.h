// What each entry point does with a real archive: list it, extract its
// members, print one, check it. Each call holds the archive cache
// (archive_cache.h) for its length and answers a result of results.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "formats/reader.h"

namespace archivers {

// The members of the archive at `path`, or null when it is not an archive
// of `format` (or a command is waiting on the user).
std::shared_ptr<const Listing> ListArchive(Format format, const char* path);

// Writes the named members (every member when `names` is empty) under
// `destination`. A member whose name leaves the destination, a damaged one
// or an encrypted one no password opens is not written; the result is then
// the first failure. Encrypted members are tried with `password` first
// (when not empty), then the user is asked.
int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names, const std::string& password);

// Copies the named member's bytes into output, followed by a zero, all
// within `size` bytes; an encrypted one as ExtractMembers decodes it.
int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size,
                const std::string& password);

// The modes of CheckArchive, as callers pass them; the flags above the
// mode's two bits ask for what this library does not do, and change nothing.
enum CheckMode : int { CHECKARCHIVE_RAPID = 0, CHECKARCHIVE_BASIC = 1, CHECKARCHIVE_FULLCRC = 2 };

// Whether the archive at `path` is a sound archive of `format`: RAPID, its
// headers can be read; BASIC, all of them undamaged; FULLCRC, and every
// member decodes to its size and check value (an encrypted member or one of
// a method not read here cannot be checked, and fails).
bool CheckArchive(Format format, const char* path, int mode);

}  // namespace archivers
