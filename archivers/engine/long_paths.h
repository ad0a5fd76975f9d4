// Paths as the engine hands them to the file system: whole, wide and in the
// "\\?\" form, which takes them past MAX_PATH. A call limited to MAX_PATH
// fails on a longer path, and a failed check must never pass for "nothing
// there". The callers' paths and the members' names come in the ANSI code
// page.
#pragma once

#include <string>

namespace archivers {

// `text` from the ANSI code page, and text into a code page's bytes.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text, unsigned codePage);

// Overwrites a secret before the string lets it go.
void Wipe(std::wstring& secret);

// `path` made full, in the "\\?\" form ("\\?\UNC\" for a share).
std::wstring LongPath(const std::string& path);

// A path in the "\\?\" form in the system's own form ("\??\"), which a
// rename by handle takes.
std::wstring NtForm(std::wstring longPath);

}  // namespace archivers
