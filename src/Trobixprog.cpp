#include "Trobixprog.h"

#include "../resources/prog_layout.h"

TProg* Prog = nullptr;

TProg::TProg() : Form(prog_layout::Form, nullptr) {
  // Its layout gives the client area; the frame comes on top of it.
  RECT outer{0, 0, prog_layout::ClientWidth, prog_layout::ClientHeight};
  AdjustWindowRectEx(&outer, GetWindowLongA(Handle(), GWL_STYLE), FALSE,
                     GetWindowLongA(Handle(), GWL_EXSTYLE));
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOACTIVATE);
  // Closing it only hides it: it lives for the whole run.
  defaultCloseAction = toolkit::CloseAction::Hide;
}

void TProg::FormDestroy() { Prog = nullptr; }
