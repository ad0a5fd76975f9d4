// The main window's version and help commands, and the closing of the help
// viewer when the window goes.
#include "Trobixmain.h"
#include "Trobixvers.h"
#include "text/sjis_path.h"
#include "toolkit/shell.h"

namespace {

// The viewer of the help file beside the program: the title is the one the
// help project gives it, and a viewer of any other title is someone else's.
const char kHelpViewerClass[] = "HH Parent";
const char kHelpViewerTitle[] = "Plenkitのﾍﾙﾌﾟ";

}  // namespace

void TMain::ShowVersionDialog() {
  Vers = new TVers(*this);
  Vers->ShowModal();
}

std::string TMain::HelpFilePath() {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return plenkit::WithExtension(program, ".chm");
}

void TMain::OpenHelpFile() { toolkit::ShellOpen(Handle(), HelpFilePath(), SW_SHOWNORMAL); }

void TMain::CloseHelpWindow() {
  // Posted: the program does not wait for the viewer on its way out.
  if (const HWND viewer = FindWindowA(kHelpViewerClass, kHelpViewerTitle)) {
    PostMessageA(viewer, WM_CLOSE, 0, 0);
  }
}
