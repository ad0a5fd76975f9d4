#include "toolkit/shell.h"

#include <shellapi.h>

namespace toolkit {

namespace {

ShellOpener openerForTest;

}  // namespace

void SetShellOpenForTest(ShellOpener opener) { openerForTest = std::move(opener); }

void ShellOpen(HWND owner, const std::string& target, int showCommand) {
  if (openerForTest) {
    openerForTest(owner, target, showCommand);
    return;
  }
  ShellExecuteA(owner, nullptr, target.c_str(), nullptr, nullptr, showCommand);
}

}  // namespace toolkit
