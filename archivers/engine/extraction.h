// What an extraction does on Windows: each member written whole to a file
// of the archiver's own beside its target, checked, and only then given its
// name; the question before a file is replaced; the room it needs; the
// archive's zone mark on what it writes; the run of commands that share the
// user's answers.
#pragma once

#include <string>
#include <vector>

#include "engine/archive_cache.h"

namespace archivers {

// Writes the members `chosen` of `archive` under `destination` (every
// member of the archive when `whole`): 0, or the first failure, which the
// user has been told of unless they asked for quiet.
int ExtractChosen(CachedArchive& archive, const std::string& destination, const std::vector<std::size_t>& chosen,
                  bool whole);

// Tells the user that a command could not read the archive at `path` at
// all, and why (`result`), unless they asked for quiet for its run; answers
// `result`, or ERROR_USER_CANCEL in a cancelled run.
int ReportUnreadable(const std::string& path, const std::string& destination, bool whole, int result);

// Creates `folder` and every missing folder above it.
bool MakeFolders(const std::string& folder);

}  // namespace archivers
