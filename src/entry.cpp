// Program entry: the application, its main window and the hidden progress
// dialog, then the message loop until the main window is gone.
#include <windows.h>

#include <exception>

#include "Trobixmain.h"
#include "Trobixprog.h"
#include "toolkit/application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using toolkit::App;
  try {
    App.Initialize(instance);
    App.SetTitle("Plenkit");
    StartForms(true);
    App.Run();
    if (Prog) DestroyWindow(Prog->Handle());
  } catch (const std::exception& error) {
    toolkit::ShowErrorBox(error.what());
  }
  return 0;
}
