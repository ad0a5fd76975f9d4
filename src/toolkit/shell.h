// Opening a file or an address with the program the system associates with
// it: the help file, a mail address, a home page.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace toolkit {

// The shell's default action on `target`, shown with `showCommand`. What
// the shell answers is not looked at: a target that cannot be opened is
// not the program's to report.
void ShellOpen(HWND owner, const std::string& target, int showCommand);

// A test may take the shell's place; null restores it.
using ShellOpener = std::function<void(HWND owner, const std::string& target, int showCommand)>;
void SetShellOpenForTest(ShellOpener opener);

}  // namespace toolkit
