// The paths the shell hands over in a drop handle.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace toolkit {

// The first `count` paths of `drop`, in order, each as DragQueryFileA gives
// it into a buffer of MAX_PATH characters: in the ANSI code page, cut to
// MAX_PATH - 1 bytes (here never inside a double-byte character). Read in
// one pass: DragQueryFileA walks the list from its start for each index, so
// asking it for every file costs the square of a large drop.
std::vector<std::string> DroppedFiles(HDROP drop, UINT count);

}  // namespace toolkit
