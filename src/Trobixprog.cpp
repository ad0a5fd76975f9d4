#include "Trobixprog.h"

#include "../resources/prog_layout.h"
#include "Trobixmain.h"

TProg* Prog = nullptr;

TProg::TProg() : Form(prog_layout::Form, nullptr) {
  namespace L = prog_layout;
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Closing it only hides it: it lives for the whole run.
  defaultCloseAction = toolkit::CloseAction::Hide;

  PB.Create(Handle(), L::PB);
  PB.SetRange(0, L::PBMaximum);
  PB.SetPosition(L::PBPosition);
  Adopt(PB);
  BitBtn1.Create(Handle(), L::BitBtn1, L::BitBtn1Caption, L::BitBtn1Font, L::BitBtn1Color);
  BitBtn1.onClick = [this](toolkit::Control&) { BitBtn1Click(); };
  Adopt(BitBtn1);
}

void TProg::BeginProgress(int count) {
  PB.SetRange(0, count);
  PB.SetPosition(0);
  Show();
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TProg::EndProgress() {
  PB.ShowHeldSteps();
  Hide();
}

void TProg::BitBtn1Click() { AbortRequested = true; }

void TProg::FormShow() {
  AbortRequested = false;
  // Its one user is the main window's drop: it shows in the middle of the
  // window the files were dropped on.
  if (!Main) return;
  const POINT at = toolkit::CentredOver(Main->Bounds(), Width(), Height());
  SetBounds(at.x, at.y, Width(), Height());
}

void TProg::FormDestroy() { Prog = nullptr; }
