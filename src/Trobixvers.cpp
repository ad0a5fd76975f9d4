#include "Trobixvers.h"

#include <iterator>

#include "../resources/vers_layout.h"
#include "Trobixmain.h"
#include "toolkit/shell.h"

using namespace toolkit;

TVers* Vers = nullptr;

namespace {

// The dialog a link belongs to; its window outlives the links' windows.
TVers* DialogOf(HWND link) {
  return dynamic_cast<TVers*>(Form::FromHandle(GetAncestor(link, GA_ROOT)));
}

}  // namespace

TVers::TVers(TMain& owner) : Form(vers_layout::Form, owner.Handle()) {
  defaultCloseAction = CloseAction::Free;
  CreateControls();
}

void TVers::CreateControls() {
  namespace L = vers_layout;
  Panel1.Create(Handle(), L::Panel1);
  const HWND panel = Panel1.Handle();
  SetWindowLongPtrA(panel, GWL_EXSTYLE, GetWindowLongPtrA(panel, GWL_EXSTYLE) | WS_EX_STATICEDGE);
  SetWindowPos(panel, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The picture's place counts from the frame's outer edge, its window's
  // from inside the edge.
  RECT frame;
  GetWindowRect(panel, &frame);
  POINT inside{0, 0};
  ClientToScreen(panel, &inside);
  Image1.Create(panel, L::Image1.x - (inside.x - frame.left), L::Image1.y - (inside.y - frame.top),
                L::Image1Picture, L::Image1Size);

  Label* labels[] = {&Label1, &Label2, &Mai, &Label4, &Url, &Label5};
  for (std::size_t i = 0; i < std::size(labels); ++i) {
    labels[i]->Create(Handle(), L::Labels[i]);
    Adopt(*labels[i], L::Labels[i].hint);
  }
  Label1.SetOwnFont(L::Label1Font);
  const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  for (Label* link : {&Mai, &Url}) {
    link->SetCursor(hand);
    link->onClick = [this](Control& sender) { LabelClick(sender); };
  }

  BitBtn1.Create(Handle(), L::BitBtn1, L::BitBtn1Caption, true);
  BitBtn1.onClick = [this](Control&) { BitBtn1Click(); };
  Adopt(BitBtn1);
}

void TVers::FormShow() {
  // Over the middle of the main window.
  if (const HWND owner = GetWindow(Handle(), GW_OWNER)) {
    RECT over;
    GetWindowRect(owner, &over);
    const POINT at = CentredOver(over, Width(), Height());
    SetBounds(at.x, at.y, Width(), Height());
  }
  // Once only: put in front a second time, a procedure would call itself.
  if (OldMaiProc.Attached()) return;
  OldMaiProc.Attach(Mai.Handle(), &MaiProc);
  OldUrlProc.Attach(Url.Handle(), &UrlProc);
}

void TVers::FormClose(CloseAction& action) { action = CloseAction::Free; }

void TVers::FormDestroy() {
  if (Vers == this) Vers = nullptr;
}

void TVers::FormKeyPress(char& key) {
  switch (key) {
    case 27:
      key = 0;
      Close();
      break;
    case '\r':  // OK is the default button
      key = 0;
      BitBtn1Click();
      break;
    default: break;
  }
}

void TVers::BitBtn1Click() { EndModal(IDOK); }

void TVers::LabelClick(Control& sender) {
  const auto* link = dynamic_cast<Label*>(&sender);
  if (!link) return;
  switch (sender.tag) {
    case 0: ShellOpen(Handle(), "mailto:" + link->Caption(), SW_SHOW); break;
    case 1: ShellOpen(Handle(), link->Caption(), SW_SHOW); break;
    default: break;
  }
}

// --- The links' procedures

LRESULT CALLBACK TVers::MaiProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TVers* dialog = DialogOf(window);
  return dialog ? dialog->MaiWndProc(message, wParam, lParam)
                : Subclass::CallClass(window, message, wParam, lParam, false);
}

LRESULT CALLBACK TVers::UrlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TVers* dialog = DialogOf(window);
  return dialog ? dialog->UrlWndProc(message, wParam, lParam)
                : Subclass::CallClass(window, message, wParam, lParam, false);
}

LRESULT TVers::MaiWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return LinkMessage(Mai, OldMaiProc, message, wParam, lParam);
}

LRESULT TVers::UrlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return LinkMessage(Url, OldUrlProc, message, wParam, lParam);
}

LRESULT TVers::LinkMessage(Label& link, const Subclass& saved, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  switch (message) {
    case LM_MOUSEENTER: link.SetFontColor(RGB(0, 0, 255)); return 0;
    case LM_MOUSELEAVE:
      // Black, not the window-text colour the link started in.
      link.SetFontColor(RGB(0, 0, 0));
      return 0;
    default:
      // Painting, the click, the hint and the pointer as for any label.
      return saved.CallOriginal(link.Handle(), message, wParam, lParam);
  }
}
