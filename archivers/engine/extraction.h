// What an extraction does on Windows: each member written whole to a file
// of the archiver's own beside its target, checked, and only then given its
// name; the question before a file is replaced; the room it needs; the
// archive's zone mark on what it writes; the run of commands that share the
// user's answers.
#pragma once

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "engine/archive_cache.h"

namespace archivers {

// Writes the members `chosen` of `archive` under `destination` (every
// member of the archive when `whole`): 0, or the first failure, which the
// user has been told of unless they asked for quiet. Encrypted members are
// tried with `password` (the caller's, when it gave one) before the user is
// asked.
int ExtractChosen(CachedArchive& archive, const std::string& destination, const std::vector<std::size_t>& chosen,
                  bool whole, const std::string& password);

// Passwords as the user typed them: held where they were put, never moved
// (a string moved leaves its characters behind), and wiped when let go.
using Passwords = std::list<std::wstring>;

// Decodes encrypted `member` of `archive` (its file name) through `decode`,
// with each of the `known` passwords set on `reader`, then with what the
// user types, asked again after each that does not open it; one that opens
// it joins `known`. `decode` must start afresh on every call: what a wrong
// password gave is never kept. ERROR_PASSWORD_FILE when the user skips it,
// ERROR_USER_CANCEL when they cancel.
int DecodeEncrypted(Reader& reader, const std::string& archive, const Member& member, Passwords& known,
                    const std::function<int()>& decode);

// Tells the user that a command could not read the archive at `path` at
// all, and why (`result`), unless they asked for quiet for its run; answers
// `result`, or ERROR_USER_CANCEL in a cancelled run.
int ReportUnreadable(const std::string& path, const std::string& destination, bool whole, int result);

// Creates `folder` and every missing folder above it.
bool MakeFolders(const std::string& folder);

}  // namespace archivers
