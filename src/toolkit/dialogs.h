// The shell's folder browser, shared by the toolbar and the contents window.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace toolkit {

// Lets the user choose a folder, starting at `initialFolder`. Answers the
// folder with a closing "\", or an empty text when the user cancelled.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder);

// The dialog itself: given the owner, the title and the initial folder as
// the dialog receives it, the chosen path, or nothing when cancelled. A
// test may answer in the shell dialog's place; null restores it.
using FolderDialog = std::function<std::optional<std::string>(HWND owner, const std::string& title,
                                                              const std::string& initialFolder)>;
void SetFolderDialogForTest(FolderDialog dialog);

}  // namespace toolkit
